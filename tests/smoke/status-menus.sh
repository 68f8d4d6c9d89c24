#!/usr/bin/env bash
# Screenshots of the status bar's menus and the encoding chooser in one language, under Xvfb,
# for a visual check: <build>/status-menus/<language>-<n>-<what>.png.
#   tests/smoke/status-menus.sh [build folder] [display number] [ko|en|ja]
#   (default: build, 22, ko)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
number="${2:-22}"
language="${3:-ko}"
app="$build/app/shell/orlune-viewer"
out="$(realpath -m "$build/status-menus")"
[ -x "$app" ] || { echo "status-menus: $app is not built" >&2; exit 1; }

home="$out/home-$language"
rm -rf "$home" "$out/$language"-*.png
mkdir -p "$home/.config" "$home/.local/share" "$home/.local/state" "$home/.cache" "$home/run"
chmod 700 "$home/run"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_STATE_HOME="$home/.local/state" XDG_CACHE_HOME="$home/.cache"
export XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LANGUAGE="$language"
unset WAYLAND_DISPLAY LC_ALL LC_MESSAGES

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp 2>"$out/xvfb-$language.log" &
pids+=($!)
export DISPLAY=":$number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
fi

# Mixed line endings and an invisible character, so every menu has its items.
sample="$home/sample.txt"
printf 'first line\r\nsecond\u200b line\n\tindented\n' >"$sample"
"$app" "$sample" 2>"$out/editor-$language.log" &
pids+=($!)
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "sample.txt" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break; sleep 0.1
done
[ -n "$window" ] || { echo "status-menus: no document window" >&2; exit 1; }
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$window")"
bottom=$((HEIGHT - 11))
shot() { import -window root "$out/$language-$1.png"; }
shot 0-window
# The segments from the left (x inside the window): encoding, line ending, indentation,
# language, suspicious characters. Each click opens the segment's menu; Escape closes it.
open_menu() { xdotool mousemove --window "$window" "$1" "$bottom" click 1; sleep 0.8; }
names=(encoding line-ending indentation language suspicious)
n=1
# The segments are narrower in Korean.
case "$language" in
  ko) positions="60 97 125 175 260" ;;
  *) positions="60 105 150 207 330" ;;
esac
segments=(${SEGMENTS:-$positions})
for x in "${segments[@]}"; do
  open_menu "$x"
  shot "$n-${names[$((n - 1))]}"
  xdotool key Escape
  sleep 0.4
  n=$((n + 1))
done
# The encoding menu's last item opens the chooser.
open_menu "${segments[0]}"
xdotool key Up Return
sleep 1
shot "$n-chooser"
xdotool key Escape
sleep 0.4
echo "status-menus: screenshots in $out"
