#!/usr/bin/env bash
# The Debian package as an administrator uses it, on a Debian 12 machine where it may install
# packages (as root): builds it with CPack, installs it with apt, lists what it put on disk,
# then purges it and looks for anything of it left. Prints the package's size and dependencies.
# Trying the file manager's item in between is left to the caller (DEBIAN_PACKAGE_PAUSE=1 stops
# after the install until Return is pressed).
# Usage: debian-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
package=$(ls -t "$build"/orlune-viewer_*.deb | head -1)
echo "package: $package ($(du -h "$package" | cut -f1), $(stat -c %s "$package") bytes)"
dpkg-deb --field "$package" Depends Recommends Installed-Size
dpkg-deb --contents "$package" | awk '{print $6}' | grep -v '/$' >"$work/contents"
grep -q '^\./usr/lib/x86_64-linux-gnu/nautilus/extensions-4/liborlune-viewer-finder.so$' "$work/contents" \
  || { echo "FAIL: the module is not in Nautilus's folder"; exit 1; }

DEBIAN_FRONTEND=noninteractive apt-get install -y "$package" >"$work/apt-install.log" 2>&1 \
  || { cat "$work/apt-install.log"; exit 1; }
dpkg -L orlune-viewer >"$work/listed"
echo "installed: $(grep -c . "$work/listed") paths"
grep -qx "Exec=/usr/lib/orlune-viewer/orlune-viewer %U" /usr/share/applications/app.orlune.viewer.desktop \
  || { echo "FAIL: the installed desktop entry's Exec"; exit 1; }
desktop-file-validate /usr/share/applications/app.orlune.viewer.desktop
if [ "${DEBIAN_PACKAGE_PAUSE:-}" = 1 ]; then
  read -r -p "installed; try it, then press Return to purge " _
fi

DEBIAN_FRONTEND=noninteractive apt-get purge -y orlune-viewer >"$work/apt-purge.log" 2>&1 \
  || { cat "$work/apt-purge.log"; exit 1; }
left=0
while read -r path; do
  # Shared folders (/usr, /usr/share/applications, ...) belong to other packages too.
  if [ -e "$path" ] && ! [ -d "$path" ]; then echo "left: $path"; left=1; fi
  if [ -d "$path" ] && ! dpkg -S "$path" >/dev/null 2>&1 && [ -z "$(ls -A "$path")" ]; then
    echo "left (empty folder): $path"; left=1
  fi
done <"$work/listed"
found=$(find / -xdev \( -path /proc -o -path /sys -o -path /work -o -path /tmp \) -prune -o \
  \( -name '*orlune*' -o -name 'app.orlune.viewer*' \) -print 2>/dev/null || true)
if [ -n "$found" ]; then echo "found after the purge:"; echo "$found"; left=1; fi
[ "$left" = 0 ] && echo "purged: nothing of it left"
exit "$left"
