#!/bin/bash
# Installs what building and testing Tovrin needs on a Debian machine, only
# what is missing. Never adds the i386 architecture: 32-bit Windows programs
# are built here but never run.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang python3 python3-cryptography curl
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  libz-mingw-w64-dev zlib1g-dev bsdiff
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick xdotool
  googletest libbenchmark-dev libpugixml-dev libclang-rt-14-dev
  nsis zip unzip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
