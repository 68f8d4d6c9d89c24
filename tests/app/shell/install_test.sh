#!/usr/bin/env bash
# Installs the build into a temporary folder: the application beside olv (where olv looks for
# it), the links in bin, and a desktop entry that desktop-file-validate accepts, naming the
# installed application. DESTDIR keeps every file in the temporary folder.
#   install_test.sh <build folder>
set -euo pipefail
build="$1"
stage="$(mktemp -d)"
kept="$(mktemp -d)"
source "$(dirname "$0")/../../support/install-records.sh"
keep_install_records "$build" "$kept"
restore() {
    restore_install_records "$build" "$kept"
    rm -rf "$stage" "$kept"
}
trap restore EXIT
fail() { echo "install: $*" >&2; exit 1; }

prefix=/opt/orlune-viewer-install-test
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null
installed="$stage$prefix"
folder="$installed/lib/orlune-viewer"
[ -x "$folder/olv" ] || fail "olv is not installed in $folder"
[ -x "$folder/orlune-viewer" ] || fail "the application is not beside olv"
[ -f "$folder/Info.json" ] || fail "Info.json is not beside olv"
[ "$(readlink -f "$installed/bin/olv")" = "$(readlink -f "$folder/olv")" ] || fail "bin/olv is no link to olv"

entry="$installed/share/applications/app.orlune.viewer.desktop"
[ -f "$entry" ] || fail "no desktop entry"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (setup.sh installs it)"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
grep -qx "Exec=$prefix/lib/orlune-viewer/orlune-viewer %U" "$entry" || fail "Exec does not name the installed application"
grep -q '^MimeType=.*x-scheme-handler/orlune-viewer;' "$entry" || fail "the scheme is not declared"
grep -q '^MimeType=.*text/plain;' "$entry" || fail "text/plain is not declared"
grep -qx "Exec=$prefix/lib/orlune-viewer/orlune-viewer --new-document" "$entry" || fail "the new-document action is missing"
grep -qx 'Name=New Document' "$entry" || fail "the action's name does not fall back to English"
grep -qx 'Name\[ko\]=새 문서' "$entry" || fail "the action is not named 새 문서 in Korean"
# olv finds the application it starts through its own folder.
"$installed/bin/olv" --version >/dev/null || fail "the installed olv does not run"
echo "install: ok"
