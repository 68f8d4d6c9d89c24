#!/usr/bin/env bash
# Smoke test of the editor as a user starts it: under Xvfb, with a Korean CP949 file and a
# UTF-16 file, started twice at the same moment (one instance must remain and show both).
# Checks that the status bar names both encodings and takes a screenshot of each tab, brought
# to the front by a later start that hands its file to the running instance. Then a Markdown
# file handed over the same way is previewed (the web engine loaded on first use) and the
# window's shortcuts still answer: Ctrl+, opens the settings.
#   tests/smoke/smoke.sh [build folder]      (default: build)
# Leaves the screenshots in <build>/smoke/ (screenshot.png holds both tabs).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
app="$build/app/shell/orlune-viewer"
fixtures="tests/smoke/fixtures"
# Absolute: the editor ignores a relative HOME or XDG_* folder and falls back to the real home.
out="$(realpath -m "$build/smoke")"
[ -x "$app" ] || { echo "smoke: $app is not built" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/home/.config" "$out/home/.local/share" "$out/home/.local/state" "$out/home/.cache"
mkdir -m 700 -p "$out/run"
# A home of its own: the editor a user may have running is never reached.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_DATA_HOME="$out/home/.local/share"
export XDG_STATE_HOME="$out/home/.local/state" XDG_CACHE_HOME="$out/home/.cache"
export XDG_RUNTIME_DIR="$out/run" QT_QPA_PLATFORM=xcb OLV_STATUS_REPORT="$out/status.tsv"
unset WAYLAND_DISPLAY
# The web engine refuses to start its sandbox as root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$out/display")"

wait_for() { # seconds, command...
  local seconds=$1; shift
  for _ in $(seq $((seconds * 10))); do "$@" && return 0; sleep 0.1; done
  return 1
}
reported() { [ -f "$out/status.tsv" ] && grep -qP "$1" "$out/status.tsv"; }

# Two starts at the same moment end with one instance that shows both files.
"$app" "$fixtures/korean-cp949.txt" 2>"$out/editor-1.log" &
first=$!
"$app" "$fixtures/utf16-le-bom.txt" 2>"$out/editor-2.log" &
second=$!
pids+=("$first" "$second")

wait_for 30 reported '^korean-cp949\.txt\t[^\t]*\tCP949\tLF\t' ||
  { echo "smoke: the status bar never named CP949" >&2; cat "$out"/editor-*.log >&2; exit 1; }
wait_for 30 reported '^utf16-le-bom\.txt\t[^\t]*\tUTF-16 LE BOM\tCRLF\t' ||
  { echo "smoke: the status bar never named UTF-16 LE BOM" >&2; cat "$out"/editor-*.log >&2; exit 1; }
# Running, not merely unreaped.
alive() { ps -o stat= -p "$1" 2>/dev/null | grep -qv Z; }
one_left() { [ "$(alive "$first" && echo 1)$(alive "$second" && echo 1)" = 1 ]; }
wait_for 20 one_left || { echo "smoke: two instances run" >&2; exit 1; }
if alive "$first"; then editor=$first; handed=$second; else editor=$second; handed=$first; fi
wait "$handed" || { echo "smoke: the start that handed its file over failed" >&2; exit 1; }

# A later start hands its file over and exits; that file's tab comes to the front.
for name in korean-cp949 utf16-le-bom; do
  timeout 20 "$app" "$fixtures/$name.txt" ||
    { echo "smoke: a later start did not hand $name.txt over" >&2; exit 1; }
  alive "$editor" || { echo "smoke: the instance is gone" >&2; exit 1; }
  sleep 1
  import -window root "$out/$name.png"
done
convert "$out/korean-cp949.png" "$out/utf16-le-bom.png" -append "$out/screenshot.png"

# The preview: its engine is a module loaded the first time a preview opens.
timeout 20 "$app" "$fixtures/preview.md" ||
  { echo "smoke: a later start did not hand preview.md over" >&2; exit 1; }
wait_for 30 reported '^preview\.md\t' ||
  { echo "smoke: preview.md never showed" >&2; exit 1; }
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true; }
document=$(window_named '^preview\.md$')
[ -n "$document" ] || { echo "smoke: no window for preview.md" >&2; exit 1; }
# A click into the text, as a user starts: the window is the active one.
xdotool mousemove --window "$document" 300 400 click 1
sleep 0.5
xdotool key --window "$document" ctrl+alt+p
sleep 5
alive "$editor" || { echo "smoke: the editor died showing the preview" >&2; cat "$out"/editor-*.log >&2; exit 1; }
if grep -h '^preview: ' "$out"/editor-*.log >&2; then
  echo "smoke: the preview's engine did not load" >&2; exit 1
fi
import -window root "$out/preview.png"
# The web view made the window's native window again; the window still takes its shortcuts.
document=$(window_named '^preview\.md$')
xdotool key --window "$document" ctrl+comma
settings_shown() { [ -n "$(window_named '^일반$')" ]; }
wait_for 10 settings_shown ||
  { echo "smoke: Ctrl+, opened no settings after the preview" >&2; exit 1; }

echo "smoke: both encodings named in the status bar; the preview shown; screenshots in $out"
grep -P '^(korean-cp949|utf16-le-bom)\.txt\t' "$out/status.tsv" | sort -u | head -4
