#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 600) from its seeds, JOBS at a time
# (default 3), in a build made with -DOLV_BUILD_FUZZ=ON (default build-fuzz). New inputs go to
# BUILD/corpus/<name>, findings to BUILD/findings/, the logs to BUILD/fuzz-logs/. Exits
# non-zero when any target found something.
#   fuzz/run-all.sh [SECONDS] [BUILD] [JOBS] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
build="${2:-build-fuzz}"
jobs="${3:-3}"
shift $(( $# < 3 ? $# : 3 ))

# target:corpus folder:longest input
all=(JSONTidy:json:4096 XMLTidy:xml:4096 SuspiciousScan:suspicious:4096
     EncodingRoundTrip:encoding:4096 DocumentReading:reading:4096 LineIndex:lines:1024 Search:search:512
     ChunkedText:chunks:1024
     WindowState:window-state:8192 FileMemory:file-memory:8192 ScratchStore:scratch:4096
     Request:requests:4096 Preferences:preferences:4096 SignedIndex:signed-index:8192
     Archive:archive:8192 UpdateFeed:update-feed:8192 Markdown:markdown:4096)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=("${all[@]}")
else
    chosen=()
    for name in "${targets[@]}"; do
        for entry in "${all[@]}"; do
            [ "${entry%%:*}" = "$name" ] && chosen+=("$entry")
        done
    done
    targets=("${chosen[@]}")
fi

mkdir -p "$build/findings" "$build/fuzz-logs"
run() {
    local name="${1%%:*}" rest="${1#*:}"
    local corpus="${rest%%:*}" longest="${rest#*:}"
    mkdir -p "$build/corpus/$corpus"
    if "$build/fuzz/fuzz$name" -max_total_time="$seconds" -max_len="$longest" -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
        "$build/corpus/$corpus" "fuzz/corpus/$corpus" >"$build/fuzz-logs/$name.log" 2>&1; then
        echo "$name: clean, $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz-logs/$name.log" | grep -o '[0-9]*$') runs, $(grep -o 'cov: [0-9]*' "$build/fuzz-logs/$name.log" | tail -1)"
    else
        echo "$name: FINDING, see $build/fuzz-logs/$name.log"
        return 1
    fi
}

failed=0
running=0
for target in "${targets[@]}"; do
    run "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done
exit "$failed"
