#!/usr/bin/env bash
# Screenshots of the four panes of the settings window, under Xvfb, for a visual check:
# <build>/settings-panes/<n>-<pane>.png.
#   tests/smoke/settings-panes.sh [build folder] [display number] [ko|en|ja]
#   (default: build, 21, ko)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
number="${2:-21}"
language="${3:-ko}"
case "$language" in
  ko) untitled='이름 없음' general='일반' ;;
  en) untitled='Untitled' general='General' ;;
  ja) untitled='名称未設定' general='一般' ;;
  *) echo "settings-panes: no language $language" >&2; exit 1 ;;
esac
app="$build/app/shell/orlune-viewer"
# Absolute: the editor ignores a relative HOME or XDG_* folder and falls back to the real home.
out="$(realpath -m "$build/settings-panes")"
[ -x "$app" ] || { echo "settings-panes: $app is not built" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/home/.config" "$out/home/.local/share" "$out/home/.local/state" "$out/home/.cache"
mkdir -m 700 -p "$out/run"
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_DATA_HOME="$out/home/.local/share"
export XDG_STATE_HOME="$out/home/.local/state" XDG_CACHE_HOME="$out/home/.cache"
export XDG_RUNTIME_DIR="$out/run" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LANGUAGE="$language"
unset WAYLAND_DISPLAY LC_ALL LC_MESSAGES

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

Xvfb ":$number" -screen 0 1280x900x24 -nolisten tcp 2>"$out/xvfb.log" &
pids+=($!)
export DISPLAY=":$number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$app" 2>"$out/editor.log" &
pids+=($!)
settings_window() { xdotool search --onlyvisible --name "^$general\$" 2>/dev/null | head -1 || true; }
document=""
for _ in $(seq 100); do
  document=$(xdotool search --onlyvisible --name "^$untitled\$" 2>/dev/null | head -1 || true)
  [ -n "$document" ] && break; sleep 0.1
done
[ -n "$document" ] || { echo "settings-panes: no document window" >&2; exit 1; }
sleep 1
# Without a window manager the keys go to the window named.
xdotool key --window "$document" ctrl+comma
window=""
for _ in $(seq 100); do window=$(settings_window); [ -n "$window" ] && break; sleep 0.1; done
[ -n "$window" ] || { echo "settings-panes: the settings window did not open" >&2; exit 1; }
sleep 0.5
names=(general edit view file)
# The tab buttons sit side by side at the top of the window, as wide as their labels: the
# centres of the four labels from the window's left edge.
case "$language" in
  en) tabs=(35 88 131 173) ;;
  *) tabs=(23 63 103 143) ;;
esac
for i in 0 1 2 3; do
  if [ "$i" -gt 0 ]; then
    xdotool mousemove --window "$window" "${tabs[$i]}" 28 click 1
    sleep 0.7
  fi
  import -window root "$out/$((i + 1))-${names[$i]}.png"
done
echo "settings-panes: screenshots in $out"
