# Installation and the Debian package.
#
# Everything the program needs at run time lies in one program directory,
# <prefix>/lib/velmor-quintrel: the two executables and translations/ with
# the catalogues, which the program finds beside its own resolved file, so
# the links in <prefix>/bin may lie anywhere. The manuals (PDF), the
# copyright and the change log lie in <prefix>/share/doc/velmor-quintrel,
# the manual pages, the desktop entry, the profile type, the AppStream
# metadata and the bash completion where Debian keeps them.
# `make package` (or `cpack -G DEB`) builds velmor-quintrel_<version>_<arch>.deb.

# bin/quintrel and bin/quintrel-batch: relative links into the program
# directory, so the tree can be installed under any prefix (or DESTDIR).
file(RELATIVE_PATH QUINTREL_BIN_TO_PROGRAM
    /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QUINTREL_INSTALL_PROGRAM_DIR})
foreach(program quintrel quintrel-batch)
    install(CODE "
        set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${bin}\")
        file(REMOVE \"\${bin}/${program}\")
        file(CREATE_LINK \"${QUINTREL_BIN_TO_PROGRAM}/${program}\" \"\${bin}/${program}\" SYMBOLIC)
        message(STATUS \"Installing: \${bin}/${program} -> ${QUINTREL_BIN_TO_PROGRAM}/${program}\")
    ")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmor-quintrel)
set(CPACK_PACKAGE_VENDOR "Velmor Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search and replace text line by line in many files at once")
# The long description, wrapped for a terminal of 80 columns (CPack puts
# the summary before it).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmor Quintrel searches and replaces text, line by line, in many files at\n"
    "once: in a list of directories (optionally with their subdirectories) and\n"
    "every file that fits one of the file groups given. It can also clean every\n"
    "line. Every changed file keeps its previous content in a backup until all\n"
    "changes are accepted or undone.\n"
    ".\n"
    "The interface is German or English. Jobs can be saved as profiles, and\n"
    "quintrel-batch runs the same jobs from the command line.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package carries the executables without their debugging information.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmor Software <packages@velmor.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmor.example/quintrel")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt runtime libraries (and libc, libstdc++) as dpkg-shlibdeps finds them
# in the executables, else as Debian 12 names them; Qt's German texts come
# from qt6-translations-l10n.
find_program(QUINTREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUINTREL_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12), \
libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libpcre2-8-0 (>= 10.34), \
qt6-translations-l10n")
endif()
# xdg-open shows the manual and the changed files; without it the program
# says that no viewer was found. Outside a full desktop, xdg-open and
# xdg-mime find a file's type (a profile's too) through File::MimeInfo.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libfile-mimeinfo-perl")
include(CPack)
