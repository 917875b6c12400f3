#!/bin/sh
# The Debian package: built with CPack into a temporary directory, looked at
# with dpkg-deb (never installed), unpacked, and the unpacked program run.
# The package is left in BUILD_DIR/package-test/ for the Debian checks.
#   package_test.sh BUILD_DIR CPACK DPKG_DEB
set -eu
BUILD=$1
CPACK=$2
DPKG_DEB=$3
. "$(dirname "$0")/checks.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/quintrel-package-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM
"$CPACK" -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/out" >"$WORK/cpack.log" 2>&1 || {
    cat "$WORK/cpack.log"
    fail "cpack failed"
}
set -- "$WORK"/out/velmor-quintrel_*.deb
[ -f "$1" ] || fail "no package was made: $(ls "$WORK/out")"
DEB=$1

"$DPKG_DEB" --field "$DEB" Package Version Maintainer Depends Recommends >"$WORK/fields"
field() { sed -n "s/^$1: //p" "$WORK/fields"; }
[ "$(field Package)" = velmor-quintrel ] || fail "package name $(field Package)"
case "$(field Maintainer)" in "Velmor Software <"*@*">") ;; *) fail "maintainer $(field Maintainer)" ;; esac
case "$(field Version)" in 3.*) ;; *) fail "version $(field Version)" ;; esac
for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libpcre2-8-0 qt6-translations-l10n; do
    field Depends | grep -q "$dependency" || fail "Depends lacks $dependency: $(field Depends)"
done
field Recommends | grep -q xdg-utils || fail "Recommends lacks xdg-utils"

# The long description is wrapped for a terminal.
"$DPKG_DEB" --field "$DEB" Description | awk 'length > 80 { bad = 1 } END { exit bad }' ||
    fail "a description line is longer than 80 columns"

"$DPKG_DEB" -x "$DEB" "$WORK/root"
check_tree "$WORK/root/usr"
check_program "$WORK/root/usr" "$WORK"
rm -rf "$BUILD/package-test"
mkdir -p "$BUILD/package-test"
cp "$DEB" "$BUILD/package-test/"
echo "package test: passed"
