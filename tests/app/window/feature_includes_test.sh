#!/bin/sh
# The window's features do not know each other: a feature's folder includes no other folder of
# app/window but its own (what features share goes through the frame, app/window itself), and no
# window file names a feature's class outside that feature's folder, except the one list of
# features (WindowFeatures.cpp). The frame's and the hosting's files are held to it too, and so
# is the rest of the application (app/shell, app/documents, ...): it reaches a feature through
# the frame (a service interface, `installApplicationFeatures`), never by its folder or class.
# The files listed in `remaining` still name features; a new one fails, and so does a listed one
# that is clean (take it off the list).
#
#   feature_includes_test.sh SOURCE_ROOT
set -eu
root=${1:?the source root}
window="$root/app/window"

remaining=''

# Each feature's class, with the folder that declares it: "FindReplaceFeature find".
features=$(
    sed -n 's|.*std::make_unique<\([A-Za-z]*\)>.*|\1|p' "$window/WindowFeatures.cpp" |
        while read -r class; do
            header=$(grep -l "^class $class\$\|^class $class " "$window"/*/*.h | head -n 1)
            [ -n "$header" ] || { echo "no header declares $class" >&2; exit 1; }
            echo "$class $(basename "$(dirname "$header")")"
        done
)
[ -n "$features" ] || { echo "no features found in WindowFeatures.cpp"; exit 1; }

status=0
links=$(
    for folder in "$window"/*/; do
        name=$(basename "$folder")
        [ "$name" = hosting ] && continue
        cat "$folder"*.h "$folder"*.cpp 2>/dev/null |
            sed -n 's|^#include "app/window/\([a-z]*\)/.*|\1|p' |
            sort -u | grep -vx "$name" | sed "s|^|$name -> |" || true
    done
)
if [ -n "$links" ]; then
    echo "a feature folder includes another folder of the window:"
    printf '  %s\n' "$links"
    status=1
fi

# "path: Class" for each window file that names a feature it does not belong to.
naming=$(
    find "$window" -name '*.h' -o -name '*.cpp' | sort | while read -r file; do
        relative=${file#"$window"/}
        [ "$relative" = WindowFeatures.cpp ] && continue
        case $relative in */*) folder=${relative%%/*} ;; *) folder= ;; esac
        printf '%s\n' "$features" | while read -r class home; do
            [ "$home" = "$folder" ] && continue
            if grep -qw "$class" "$file"; then
                echo "$relative: $class"
            fi
        done
        if [ -z "$folder" ] || [ "$folder" = hosting ]; then
            sed -n 's|^#include "app/window/\([a-z]*\)/.*|\1|p' "$file" | sort -u |
                grep -vx hosting | sed "s|^|$relative: includes |" || true
        fi
    done
)
# The same for the application's files outside app/window, named "app/shell/...".
outside=$(
    find "$root/app" \( -name '*.h' -o -name '*.cpp' \) -not -path "$window/*" | sort |
        while read -r file; do
            relative=${file#"$root"/}
            printf '%s\n' "$features" | while read -r class home; do
                if grep -qw "$class" "$file"; then
                    echo "$relative: $class"
                fi
            done
            sed -n 's|^#include "app/window/\([a-z]*\)/.*|\1|p' "$file" | sort -u |
                grep -vx hosting | sed "s|^|$relative: includes |" || true
        done
)
naming=$(printf '%s\n%s\n' "$naming" "$outside" | grep . || true)
offenders=$(printf '%s\n' "$naming" | sed -n 's|^\([^:]*\):.*|\1|p' | sort -u)
new=$(printf '%s\n' "$offenders" | grep . | grep -vxF -e "$remaining" || true)
[ -n "$remaining" ] || new=$offenders
if [ -n "$new" ]; then
    echo "a file names a feature outside its folder:"
    printf '%s\n' "$naming" | grep -F -e "$new" | sed 's|^|  |'
    status=1
fi
if [ -n "$remaining" ]; then
    clean=$(printf '%s\n' "$remaining" | grep -vxF -e "$offenders" || true)
    [ -n "$offenders" ] || clean=$remaining
    if [ -n "$clean" ]; then
        echo "no longer naming a feature (take these off the list):"
        printf '  %s\n' "$clean"
        status=1
    fi
fi

echo "cross-feature includes: $(printf '%s\n' "$links" | grep -c . || true)"
echo "files naming a feature outside its folder: $(printf '%s\n' "$offenders" | grep -c . || true)"
exit $status
