#!/usr/bin/env bash
# The window's line chords answer from the keyboard right after a dialog, with real X key events
# under Xvfb: Alt+Shift+Down adds a caret and Alt+Down moves the line, before any dialog, after
# the Open dialog and after the Print dialog, each cancelled with Escape and never a click.
# The edits are saved with Ctrl+S and the file's bytes compared after each round.
#   tests/smoke/dialog-keys.sh [build folder] [display number]   (default: build, 23)
# Openbox's stock key bindings take Shift+Alt+arrows (send the window to another desktop) before
# any program sees them, so openbox runs here with a copy of its configuration without them.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
number="${2:-23}"
app="$build/app/shell/orlune-viewer"
out="$(realpath -m "$build/dialog-keys")"
[ -x "$app" ] || { echo "dialog-keys: $app is not built" >&2; exit 1; }

home="$out/home"
rm -rf "$out"
mkdir -p "$home/.config" "$home/.local/share" "$home/.local/state" "$home/.cache" "$home/run"
chmod 700 "$home/run"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_STATE_HOME="$home/.local/state" XDG_CACHE_HOME="$home/.cache"
export XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LANGUAGE=en
unset WAYLAND_DISPLAY LC_ALL LC_MESSAGES

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp 2>"$out/xvfb.log" &
pids+=($!)
export DISPLAY=":$number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
command -v openbox >/dev/null || { echo "dialog-keys: openbox is not installed" >&2; exit 1; }
python3 - "$out/openbox-rc.xml" <<'EOF'
import re, sys
rc = open('/etc/xdg/openbox/rc.xml', encoding='utf-8').read()
rc = re.sub(r'\s*<keybind key="S-A-(Left|Right|Up|Down)">.*?</keybind>', '', rc, flags=re.S)
open(sys.argv[1], 'w', encoding='utf-8').write(rc)
EOF
openbox --config-file "$out/openbox-rc.xml" >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

file="$home/lines.txt"
printf 'one\ntwo\nthree\nfour\n' >"$file"
"$app" "$file" 2>"$out/editor.log" &
pids+=($!)
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true; }
wait_for() { # wait_for <seconds> <command...>
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}
shown() { [ -n "$(visible "$1")" ]; }
gone() { [ -z "$(visible "$1")" ]; }
wait_for 10 shown '^lines\.txt$' || { echo "dialog-keys: no document window" >&2; exit 1; }
window=$(visible '^lines\.txt$')
xdotool windowactivate --sync "$window"
sleep 1

failures=0
bytes_are() { [ "$(od -An -c "$file")" = "$(printf "$1" | od -An -c)" ]; }
# round <name> <dialog chord or -> <dialog title> <mark> <expected bytes>
round() {
  local name="$1" chord="$2" title="$3" mark="$4" expected="$5"
  if [ "$chord" != - ]; then
    xdotool key "$chord"
    if ! wait_for 10 shown "^$title\$"; then
      echo "dialog-keys: $name: the dialog \"$title\" did not open" >&2
      failures=$((failures + 1))
      return
    fi
    sleep 0.5
    xdotool key Escape
    wait_for 10 gone "^$title\$" || true
    sleep 0.5
  fi
  # One caret at the top, a second one below it, a mark typed at both, the second line moved
  # down, saved.
  xdotool key Escape ctrl+Home alt+shift+Down
  xdotool type "$mark"
  xdotool key alt+Down ctrl+s
  if wait_for 5 bytes_are "$expected"; then
    echo "dialog-keys: $name: ok"
  else
    import -window root "$out/$name.png"
    echo "dialog-keys: $name: the file holds $(od -An -c "$file" | tr -s ' ')" >&2
    echo "dialog-keys: $name: expected $(printf "$expected" | od -An -c | tr -s ' ')" >&2
    failures=$((failures + 1))
    # The next round starts from what it expects.
    printf "$expected" >"$file"
    sleep 1
  fi
}
round before-any-dialog - - 0 '0one\nthree\n0two\nfour\n'
round after-open ctrl+o Open 1 '10one\n0two\n1three\nfour\n'
round after-print ctrl+p Print 2 '210one\n1three\n20two\nfour\n'
[ "$failures" -eq 0 ] || { echo "dialog-keys: $failures round(s) failed, screenshots in $out" >&2; exit 1; }
echo "dialog-keys: every round passed"
