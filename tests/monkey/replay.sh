#!/usr/bin/env bash
# Replays every seed of tests/monkey/seeds.txt for its number of actions, one after the other.
#   tests/monkey/replay.sh [build] [display] [seed...]   (defaults: build, :67, every seed)
# Each run leaves its folder in <build>/monkey-replay/<seed>-<actions>/; the status is 1 when any broke.
set -uo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
display="${2:-:67}"
only=("${@:3}")
status=0
while read -r seed actions _; do
    case "$seed" in ''|'#'*) continue ;; esac
    if [ "${#only[@]}" -gt 0 ] && [[ ! " ${only[*]} " == *" $seed "* ]]; then continue; fi
    MONKEY_ACTIONS="$actions" tests/monkey/monkey.sh "$build" 0 "$seed" "$display" \
        "$build/monkey-replay/$seed-$actions" < /dev/null || status=1
done < tests/monkey/seeds.txt
exit "$status"
