#!/usr/bin/env bash
# Installs everything Orlune Viewer needs on Debian 12 and fetches the pinned npm
# tarballs (tree-sitter runtime and grammars, the Prettier bundle for the formatter tests)
# into .deps/. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")"

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi

packages=(
  build-essential cmake ninja-build pkg-config git clang-format ccache
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev libexpected-dev nlohmann-json3-dev libxml2-dev
  libcmark-gfm-dev libcmark-gfm-extensions-dev
  libmozjs-102-dev libsodium-dev libcurl4-openssl-dev libarchive-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-webengine-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools linguist-qt6
  libgl-dev libxkbcommon-dev libx11-dev libxcb1-dev libxcb-keysyms1-dev libxtst-dev
  libnautilus-extension-dev
  libenchant-2-dev hunspell-en-us
  fonts-naver-d2coding fonts-noto-cjk fonts-dejavu qt6-translations-l10n
  xdg-user-dirs dbus xvfb imagemagick xdotool desktop-file-utils openbox xclip python3
  xdg-utils file libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm fetches the tree-sitter tarballs; a machine with its own Node.js keeps it.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Pinned npm tarballs: sources only, no install scripts run.
npm_packages=(
  "tree-sitter@0.25.1"
  "tree-sitter-json@0.24.8"
  "@tree-sitter-grammars/tree-sitter-yaml@0.7.1"
  "@tree-sitter-grammars/tree-sitter-markdown@0.3.2"
  # the grammars the build compiles, packs and signs into its own grammar index
  "tree-sitter-bash@0.25.1"
  "tree-sitter-c@0.24.1"
  "tree-sitter-cpp@0.23.4"
  "tree-sitter-css@0.25.0"
  "tree-sitter-go@0.25.0"
  "tree-sitter-html@0.23.2"
  "tree-sitter-java@0.23.5"
  "tree-sitter-javascript@0.25.0"
  "tree-sitter-typescript@0.23.2"
  "tree-sitter-php@0.24.2"
  "tree-sitter-python@0.25.0"
  "tree-sitter-ruby@0.23.1"
  "tree-sitter-rust@0.24.0"
  "@tree-sitter-grammars/tree-sitter-toml@0.7.0"
  "@tree-sitter-grammars/tree-sitter-xml@0.7.0"
  "@derekstride/tree-sitter-sql@0.3.11"
  "@tree-sitter-grammars/tree-sitter-kotlin@1.1.0"
  "tree-sitter-swift@0.7.1"
  "tree-sitter-make@1.1.1"
  "prettier@3.10.2"
)
mkdir -p .deps/npm
for spec in "${npm_packages[@]}"; do
  name="${spec%@*}"; version="${spec##*@}"
  dir=".deps/npm/$(echo "$name" | tr '/@' '__')-$version"
  [ -f "$dir/package.json" ] && continue
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent --ignore-scripts "$spec" >/dev/null)
  mkdir -p "$dir"
  tar -xzf "$tmp"/*.tgz -C "$dir" --strip-components=1
  rm -rf "$tmp"
done
echo "setup: done"
