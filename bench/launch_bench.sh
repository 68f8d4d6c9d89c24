#!/usr/bin/env bash
# Launch time of the editor as a user starts it: under Xvfb, ten launches with a 1 MiB UTF-8
# file and -OLMeasureOutput; prints the median firstWindowMs and footprintMB (target: a
# median firstWindowMs under 300 ms).
#   bench/launch_bench.sh [build folder] [launches]      (default: build, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-10}"
app="$build/app/shell/orlune-viewer"
[ -x "$app" ] || { echo "launch bench: $app is not built" >&2; exit 1; }

out="$(mktemp -d)"
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$out"; }
trap cleanup EXIT

mkdir -p "$out/home/.config" "$out/home/.local/share" "$out/home/.local/state" "$out/home/.cache"
mkdir -m 700 -p "$out/run"
# A home of its own: the editor a user may have running is never reached.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_DATA_HOME="$out/home/.local/share"
export XDG_STATE_HOME="$out/home/.local/state" XDG_CACHE_HOME="$out/home/.cache"
export XDG_RUNTIME_DIR="$out/run" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$out/display")"

# 1 MiB of UTF-8: Latin and Korean lines, padded with ASCII to the exact size.
file="$out/text-1mib.txt"
line='The quick brown fox 다람쥐 헌 쳇바퀴에 타고파 jumps over the lazy dog 0123456789'
bytes=$(($(printf '%s\n' "$line" | wc -c)))
for _ in $(seq $((1048576 / bytes))); do printf '%s\n' "$line"; done >"$file"
head -c $((1048576 - $(stat -c %s "$file"))) /dev/zero | tr '\0' 'x' >>"$file"

: >"$out/reports"
for run in $(seq "$runs"); do
  report="$out/report-$run.txt"
  timeout 60 "$app" -OLMeasureOutput "$report" "$file" 2>>"$out/editor.log" ||
    { echo "launch bench: launch $run failed" >&2; cat "$out/editor.log" >&2; exit 1; }
  [ -s "$report" ] || { echo "launch bench: launch $run wrote no report" >&2; exit 1; }
  cat "$report" >>"$out/reports"
done

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
first=$(sed -E 's/^firstWindowMs=([-0-9.]+) .*/\1/' "$out/reports" | median)
footprint=$(sed -E 's/.* footprintMB=([-0-9.]+) .*/\1/' "$out/reports" | median)
echo "launches: $runs ($(stat -c %s "$file") bytes of UTF-8)"
echo "median firstWindowMs: $first (target < 300)"
echo "median footprintMB: $footprint"
echo "last report: $(tail -1 "$out/reports")"
