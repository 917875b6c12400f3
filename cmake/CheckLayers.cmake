# Checks that every source file includes only headers of its own layer or of
# the layers below it, and that the Qt-free layers include no Qt header:
#   app -> {job, results} -> engine -> support;  cli -> engine -> support;
#   support/ui -> support.
# Run as a test: cmake -DSOURCE_DIR=<project> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

set(LAYERS support support/ui engine job results app cli)
set(ALLOWED_support support)
set(ALLOWED_support/ui support/ui support)
set(ALLOWED_engine engine support)
set(ALLOWED_job job results engine support/ui support)
set(ALLOWED_results results job engine support/ui support)
set(ALLOWED_app app job results engine support/ui support)
set(ALLOWED_cli cli engine support)
# The layers that must build without Qt.
set(QT_FREE support engine cli)

# Which layer each header belongs to.
foreach(layer IN LISTS LAYERS)
    file(GLOB headers RELATIVE ${SOURCE_DIR}/src/${layer} ${SOURCE_DIR}/src/${layer}/*.h)
    foreach(header IN LISTS headers)
        set(OWNER_${header} ${layer})
    endforeach()
endforeach()
# Headers generated at build time.
set(OWNER_velmor_version.h support)
set(OWNER_utf8_case_table.inc support)

set(problems "")
foreach(layer IN LISTS LAYERS)
    file(GLOB sources ${SOURCE_DIR}/src/${layer}/*.cpp ${SOURCE_DIR}/src/${layer}/*.h)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
        foreach(line IN LISTS includes)
            if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
                set(header ${CMAKE_MATCH_1})
                if(header MATCHES "^ui_.*\\.h$")
                    # A dialog template's generated form: the dialogs and the app.
                    set(owner job)
                elseif(DEFINED OWNER_${header})
                    set(owner ${OWNER_${header}})
                else()
                    list(APPEND problems "${shown}: \"${header}\" belongs to no layer")
                    continue()
                endif()
                if(NOT owner IN_LIST ALLOWED_${layer})
                    list(APPEND problems "${shown}: includes \"${header}\" of ${owner}, above ${layer}")
                endif()
            elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*|qt[^>]*)>" AND layer IN_LIST QT_FREE)
                list(APPEND problems "${shown}: includes the Qt header <${CMAKE_MATCH_1}>")
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n" text)
    message(FATAL_ERROR "Includes against the layering:\n${text}")
endif()
message(STATUS "Every include points to its own layer or one below it.")
