#!/usr/bin/env bash
# The monkey test: the editor of a build, under Xvfb with openbox on a display of its own,
# driven by a seeded random sequence of user actions (monkey.py says what and which
# invariants hold). A run that breaks an invariant prints its seed and step; the same seed
# replays the same sequence of actions.
#   tests/monkey/monkey.sh [build] [seconds] [seed] [display] [out]
#       (defaults: build, 180 seconds, seed 1, display :67, out <build>/monkey)
# Leaves its folders, the action log and the editor's logs in <out> (emptied first).
# MONKEY_ACTIONS=N runs N actions instead of a length of time (a replay, see seeds.txt).
# MONKEY_APP names another binary to drive (a copy kept apart from the build tree, so that a
# long run is not changed under it by a rebuild).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
seconds="${2:-180}"
seed="${3:-1}"
display="${4:-:67}"
app="$(realpath "${MONKEY_APP:-$build/app/shell/orlune-viewer}")"
out="$(realpath -m "${5:-$build/monkey}")"
[ -x "$app" ] || { echo "monkey: $app is not built" >&2; exit 1; }
# The preview is a module the editor loads from beside its binary: a copy without it shows
# only the preview's error, and the run never drives the web engine.
[ -f "$(dirname "$app")/libolv-preview.so" ] || echo "monkey: no libolv-preview.so beside $app: the preview will not load" >&2
for tool in Xvfb openbox xdotool xclip; do
    command -v "$tool" >/dev/null || { echo "monkey: $tool is not installed" >&2; exit 1; }
done

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
mkdir -p "$(dirname "$out")"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp 2>/dev/null &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
length=(--seconds "$seconds")
[ -n "${MONKEY_ACTIONS:-}" ] && length=(--actions "$MONKEY_ACTIONS")
python3 tests/monkey/monkey.py --app "$app" --out "$out" --seed "$seed" "${length[@]}"
