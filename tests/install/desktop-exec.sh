#!/usr/bin/env bash
# The desktop entry's Exec lines, written for programs in awkward folders: every entry passes
# desktop-file-validate, GLib's launcher (gio launch, as GNOME and `gio open` run it) starts the
# program with its file, and xdg-utils' generic opener (xdg-open outside GNOME, KDE and Xfce)
# starts it when the path needs no quotes, which is when the entry writes none.
# Usage: desktop-exec.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
template="$source_dir/app/shell/app.orlune.viewer.desktop.in"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A stand-in for the editor: writes its arguments, one a line, beside itself.
make_program() {
  mkdir -p "$1"
  cat >"$1/orlune-viewer" <<'PROGRAM'
#!/bin/sh
printf '%s\n' "$@" >"$(dirname "$0")/arguments"
PROGRAM
  chmod +x "$1/orlune-viewer"
}

plain_folders=("plain" "dots.and-dashes_1" "per%cent")
odd_folders=("with space" 'dou"ble' 'dol$lar' 'back\slash' "it's" 'semi;colon')
index=0
for name in "${plain_folders[@]}" "${odd_folders[@]}"; do
  folder="$work/$name"
  make_program "$folder"
  index=$((index + 1))
  entry="$work/entries/$index/app.orlune.viewer.desktop"
  mkdir -p "$(dirname "$entry")"
  cmake -DOLV_APP="$folder/orlune-viewer" -DOLV_ENTRY_TEMPLATE="$template" \
    -DOLV_ENTRY_OUTPUT="$entry" -P "$source_dir/cmake/DesktopEntry.cmake"
  if ! report=$(desktop-file-validate "$entry" 2>&1) || [ -n "$report" ]; then
    fail "$name: desktop-file-validate: $report"
  fi
  exec_line=$(grep -m1 '^Exec=' "$entry")
  case " ${plain_folders[*]} " in
    *" $name "*) [[ "$exec_line" == "Exec=${folder//%/%%}/orlune-viewer %U" ]] || fail "$name: quoted: $exec_line" ;;
    *) [[ "$exec_line" == Exec=\"* ]] || fail "$name: not quoted: $exec_line" ;;
  esac
  # GLib looks for the Exec line's program before it undoes "%%", so it cannot start a program
  # whose path holds a percent sign in any spelling; the entry is still valid.
  [[ "$name" == *%* ]] && continue
  rm -f "$folder/arguments"
  gio launch "$entry" "$work/notes.txt" >/dev/null 2>&1 || true
  for _ in $(seq 100); do [ -s "$folder/arguments" ] && break; sleep 0.1; done
  if [ ! -s "$folder/arguments" ]; then
    fail "$name: gio launch did not start the program"
  elif ! grep -qx "file://$work/notes.txt\|$work/notes.txt" "$folder/arguments"; then
    fail "$name: gio launch passed: $(cat "$folder/arguments")"
  fi
done

# xdg-open with no desktop environment: the generic opener reads the default application from
# mimeapps.list and runs its Exec line itself.
folder="$work/plain"
home="$work/home"
mkdir -p "$home/.config" "$home/.local/share/applications"
cp "$work/entries/1/app.orlune.viewer.desktop" "$home/.local/share/applications/"
printf '[Default Applications]\ntext/plain=app.orlune.viewer.desktop\n' >"$home/.config/mimeapps.list"
echo "notes" >"$work/notes.txt"
rm -f "$folder/arguments"
if ! env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
  -u XDG_SESSION_DESKTOP HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS="/usr/share" DISPLAY=:0 \
  xdg-open "$work/notes.txt" >"$work/xdg-open.log" 2>&1; then
  fail "xdg-open: $(cat "$work/xdg-open.log")"
fi
grep -qx "$work/notes.txt" "$folder/arguments" 2>/dev/null || fail "xdg-open did not start the program with the file"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "desktop entry Exec lines: all consumers start the program"
