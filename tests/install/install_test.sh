#!/bin/sh
# The installed program: `cmake --install` into a temporary prefix, then the
# installed executables are started through their links in bin/ and must find
# their manuals, their translation and each other's files in the program
# directory.
#   install_test.sh BUILD_DIR CMAKE
set -eu
BUILD=$1
CMAKE=$2
. "$(dirname "$0")/checks.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/quintrel-install-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM
PREFIX="$WORK/prefix"
"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" || {
    cat "$WORK/install.log"
    fail "cmake --install failed"
}

check_tree "$PREFIX"
check_program "$PREFIX" "$WORK"
echo "install test: passed"
