#!/bin/sh
# The checks a reviewer of Debian desktop packages runs, on the package the
# package test left in BUILD_DIR/package-test/ (nothing is installed):
# lintian without an error or a warning, the desktop entry and the AppStream
# metadata valid. Ends with 77 (skipped, with the reason) when a tool is
# missing; scripts/install-deps installs them.
#   debian_checks.sh BUILD_DIR
set -eu
BUILD=$1
. "$(dirname "$0")/checks.sh"

missing=""
for tool in lintian appstreamcli desktop-file-validate dpkg-deb; do
    command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
done
if [ -n "$missing" ]; then
    echo "SKIPPED: not installed:$missing (scripts/install-deps installs them)"
    exit 77
fi
set -- "$BUILD"/package-test/velmor-quintrel_*.deb
[ -f "$1" ] || fail "no package in $BUILD/package-test (the package test makes it)"
DEB=$1

WORK=$(mktemp -d "${TMPDIR:-/tmp}/quintrel-debian-checks-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM

# Information tags are shown, not counted.
lintian --fail-on error,warning --display-info \
    "$DEB" >"$WORK/lintian" 2>&1 || {
    cat "$WORK/lintian"
    fail "lintian found errors or warnings"
}
if grep -q '^[EW]:' "$WORK/lintian"; then
    cat "$WORK/lintian"
    fail "lintian found errors or warnings"
fi

dpkg-deb -x "$DEB" "$WORK/root"
desktop-file-validate "$WORK/root/usr/share/applications/velmor-quintrel.desktop" ||
    fail "desktop-file-validate"
# --no-net: the screenshots' addresses are not fetched here.
appstreamcli validate --no-net --pedantic \
    "$WORK/root/usr/share/metainfo/com.velmor.quintrel.metainfo.xml" >"$WORK/appstream" 2>&1 || {
    cat "$WORK/appstream"
    fail "appstreamcli validate"
}
cat "$WORK/appstream"
echo "debian checks: passed"
