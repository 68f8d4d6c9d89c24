#!/bin/sh
# A window feature's folder includes no other feature's folder: what features share goes
# through the frame (app/window itself). The links below are the ones still to be cut; a new
# link fails, and so does a listed one that is gone (take it off the list).
#
#   feature_includes_test.sh SOURCE_ROOT
set -eu
root=${1:?the source root}
window="$root/app/window"

remaining='disk -> largefile
filter -> find
filter -> hex
filter -> preview
filter -> sidebar
find -> filter
gotoline -> print
hex -> filter
hex -> largefile
hex -> preview
preview -> filter
print -> hosting
sidebar -> hosting
tidy -> toolband'

found=$(
    for folder in "$window"/*/; do
        name=$(basename "$folder")
        # The hosting holds the windows and may name every feature's folder.
        [ "$name" = hosting ] && continue
        cat "$folder"*.h "$folder"*.cpp 2>/dev/null |
            sed -n 's|^#include "app/window/\([a-z]*\)/.*|\1|p' |
            sort -u | grep -vx "$name" | sed "s|^|$name -> |" || true
    done
)

status=0
new=$(printf '%s\n' "$found" | grep -vxF "$remaining" | grep . || true)
if [ -n "$new" ]; then
    echo "a feature folder includes another feature's folder:"
    printf '  %s\n' "$new"
    status=1
fi
gone=$(printf '%s\n' "$remaining" | grep -vxF "$found" | grep . || true)
if [ -n "$gone" ]; then
    echo "no longer included (take these off the list):"
    printf '  %s\n' "$gone"
    status=1
fi
count=$(printf '%s\n' "$found" | grep -c . || true)
echo "cross-feature includes: $count"
exit $status
