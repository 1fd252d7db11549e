#!/bin/bash
# Installs what is missing on a Debian machine:
#   install-deps.sh          what the test command (tools/run-all-tests.sh)
#                            and the demo (tools/demo.sh) use
#   install-deps.sh --bench  that, and what only the benchmarks use
# The x86 programs' smoke test (tools/tests.d/x86.sh) runs the 32-bit Wine
# loader under user-mode emulation: this adds the i386 architecture for
# wine32 and registers the emulator (tools/x86-emulation.sh).
set -euo pipefail
packages=(
  # Building: the native configuration, both Windows toolchains (with their
  # binutils: windres, objdump), GoogleTest's sources and zlib for each.
  cmake ninja-build g++ g++-mingw-w64-x86-64 g++-mingw-w64-i686
  googletest libz-mingw-w64-dev zlib1g-dev
  # The provider stand-in, signed update answers and published releases.
  python3 python3-cryptography bsdiff
  # Running the Windows programs: Wine on its own Xvfb display; xdpyinfo
  # (x11-utils) tells the demo whether a display is usable.
  wine wine64 fonts-wine xvfb x11-utils
  # The 32-bit programs: the emulator here, wine32:i386 below; file names
  # the program of a 32-bit crash's core file, and gdb reads its threads.
  qemu-user-static file gdb
  # The fuzzers (tools/tests.d/fuzz.sh): clang and libFuzzer's runtime.
  clang libclang-rt-14-dev
  # The package test (tools/tests.d/package.sh): installers, zips, and
  # ImageMagick to find the logo in its screenshot.
  nsis zip imagemagick
)
case ${1:-} in
  "") ;;
  --bench)
    # tools/bench-xml.sh compares against pugixml with Google Benchmark;
    # tools/bench-delivery.sh times curl on the same download.
    packages+=(libbenchmark-dev libpugixml-dev curl) ;;
  *) echo "usage: $0 [--bench]" >&2; exit 2 ;;
esac
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

# Registered before wine32 is installed, so that its packages' own 32-bit
# set-up steps run. A machine that refuses it still runs everything else;
# the smoke test then fails and says why.
"$(dirname "$0")/x86-emulation.sh" register || echo "install-deps: the x86 smoke test will fail" >&2
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "installing: wine32:i386"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq wine32:i386
fi
