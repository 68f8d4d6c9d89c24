#!/usr/bin/env bash
# Installs the build into a temporary folder and checks that the licence folder holds a
# non-empty UTF-8 text for every component the application is built from and ships.
#   licenses_install_test.sh <build folder>
set -euo pipefail
build="$1"
stage="$(mktemp -d)"
kept="$(mktemp -d)"
source "$(dirname "$0")/../../support/install-records.sh"
keep_install_records "$build" "$kept"
restore() {
    restore_install_records "$build" "$kept"
    rm -rf "$stage" "$kept"
}
trap restore EXIT
fail() { echo "licences: $*" >&2; exit 1; }

prefix=/opt/orlune-viewer-licences-test
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null
folder="$stage$prefix/share/orlune-viewer/licenses"
[ -d "$folder" ] || fail "no licence folder $folder"

components=(
    "Qt-base" "Qt-SVG" "Qt-WebEngine" "ICU" "Tree sitter-runtime" "Tree sitter-JSON grammar" "Tree sitter-YAML grammar"
    "cmark (GFM)" "SpiderMonkey" "libsodium" "libcurl" "libarchive" "libxml2"
    "nlohmann json" "TartanLlama expected"
)
for component in "${components[@]}"; do
    file="$folder/$component.txt"
    [ -s "$file" ] || fail "no licence text for $component"
    iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1 || fail "$component.txt is not UTF-8"
done
# Only these: the window shows every ".txt" of the folder.
count="$(find "$folder" -maxdepth 1 -name '*.txt' | wc -l)"
[ "$count" -eq "${#components[@]}" ] || fail "$count licence files, expected ${#components[@]}"
[ -f "$stage$prefix/share/icons/hicolor/scalable/apps/app.orlune.viewer.svg" ] \
    || fail "the application icon is not installed"
echo "licences: ok"
