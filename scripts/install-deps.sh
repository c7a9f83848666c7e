#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kelvora need.
# Idempotent; run as root on Debian 12.
set -euo pipefail
packages=(
  cmake make python3 git
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  clang lld libclang-rt-14-dev clang-format
  googletest
  wine wine64 fonts-wine fonts-wqy-microhei fonts-dejavu-core python3-fonttools
  xvfb xauth xdotool x11-utils imagemagick xclip
  unrtf poppler-utils cups printer-driver-cups-pdf
  zip unzip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (run as root): ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
