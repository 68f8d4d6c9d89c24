#!/usr/bin/env bash
# Installs the build tree into a temporary prefix the way a user does, checks that the manifest
# lists exactly the files found there and that the desktop entry is valid, starts the installed
# editor through the desktop entry as xdg-open does outside a desktop environment (the editor
# opens the file and writes its login item), then uninstalls: the prefix is empty again and
# the login item is gone. The build tree's own install_manifest.txt is kept as it was.
# Usage: install-uninstall.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
prefix="$work/prefix"
home="$work/home"
editor_group=""
source "$(dirname "$0")/../support/install-records.sh"
keep_install_records "$build" "$work"
cleanup() {
  if [ -n "$editor_group" ]; then kill -- "-$editor_group" 2>/dev/null || true; fi
  restore_install_records "$build" "$work"
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >"$work/install.log"

# Every installed file (and link) is in the manifest, and the manifest names nothing else.
sort "$build/install_manifest.txt" >"$work/listed"
find "$prefix" \( -type f -o -type l \) | sort >"$work/found"
if ! diff -u "$work/listed" "$work/found" >"$work/manifest.diff"; then
  fail "the manifest and the installed files differ:"; cat "$work/manifest.diff"
fi
for expected in bin/olv lib/orlune-viewer/orlune-viewer lib/orlune-viewer/olv \
  share/applications/app.orlune.viewer.desktop; do
  grep -qx "$prefix/$expected" "$work/listed" || fail "the manifest does not list $expected"
done
ls "$prefix"/lib/*/nautilus/extensions-4/liborlune-viewer-finder.so >/dev/null 2>&1 \
  || ls "$prefix"/lib/nautilus/extensions-4/liborlune-viewer-finder.so >/dev/null 2>&1 \
  || fail "the file-manager module is not under the prefix"
[ "$(readlink "$prefix/bin/olv")" = "../lib/orlune-viewer/olv" ] || fail "bin/olv does not link to the installation"

entry="$prefix/share/applications/app.orlune.viewer.desktop"
if ! report=$(desktop-file-validate "$entry" 2>&1) || [ -n "$report" ]; then
  fail "desktop-file-validate: $report"
fi
grep -qx "Exec=$prefix/lib/orlune-viewer/orlune-viewer %U" "$entry" || fail "Exec: $(grep '^Exec=' "$entry" | head -1)"

# The installed editor, started by xdg-open's generic opener from the desktop entry, in a home
# of its own and without a display (xdg-open takes the desktop's way only when DISPLAY is set;
# the editor draws offscreen).
mkdir -p "$home/.config" "$home/.local/share" "$home/.local/state" "$work/run"
chmod 0700 "$work/run"
printf '[Default Applications]\ntext/plain=app.orlune.viewer.desktop\n' >"$home/.config/mimeapps.list"
echo "opened through the desktop entry" >"$work/notes.txt"
setsid env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION \
  -u GNOME_DESKTOP_SESSION_ID -u XDG_SESSION_DESKTOP -u WAYLAND_DISPLAY DISPLAY=:olv-none \
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_STATE_HOME="$home/.local/state" XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$work/run" \
  XDG_DATA_DIRS="$prefix/share:/usr/share" QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
  xdg-open "$work/notes.txt" >"$work/editor.log" 2>&1 &
editor_group=$!
login_item="$home/.config/autostart/app.orlune.viewer.desktop"
state="$home/.local/share/app.orlune.viewer/WindowState.json"
opened=false
for _ in $(seq 300); do
  if [ -f "$state" ] && grep -q "notes.txt" "$state" && [ -f "$login_item" ]; then opened=true; break; fi
  if ! kill -0 "$editor_group" 2>/dev/null; then break; fi
  sleep 0.1
done
$opened || fail "the editor started by xdg-open did not open the file: $(cat "$work/editor.log")"
grep -q "^TryExec=$prefix/lib/orlune-viewer/orlune-viewer$" "$login_item" 2>/dev/null \
  || fail "the login item does not name the installed editor"
kill -- "-$editor_group" 2>/dev/null || true
wait "$editor_group" 2>/dev/null || true
editor_group=""

# The uninstall target, as the user who installed runs it.
HOME="$home" XDG_CONFIG_HOME="$home/.config" cmake --build "$build" --target uninstall >"$work/uninstall.log" \
  || fail "uninstall: $(cat "$work/uninstall.log")"
left=$(find "$prefix" -mindepth 1)
[ -z "$left" ] || fail "left in the prefix after the uninstall:
$left"
[ ! -e "$login_item" ] || fail "the login item is still there"
[ -f "$home/.config/mimeapps.list" ] || fail "the uninstall removed a file of the user's"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "install, manifest, desktop entry, start through xdg-open and uninstall: all good"
