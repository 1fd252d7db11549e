#!/bin/bash
# Configures and builds the three configurations under build/:
#   native  the portable code with GoogleTest under ASan and UBSan
#   x86_64  the Windows programs and their tests, run under Wine
#   i686    the Windows programs and the 32-bit simulated modem (the x86 smoke
#           test runs them with the package's own 32-bit build); built with an
#           update key made here, so the signature checks build for 32 bits
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TOVRIN_BUILD_DIR:-$root/build}
jobs=${TOVRIN_JOBS:-$(nproc)}

configure() {
  local dir=$1; shift
  cmake -S "$root" -B "$build/$dir" -G Ninja "$@" >/dev/null
}

configure native -DCMAKE_BUILD_TYPE=Debug
configure x86_64 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
[ -e "$build/i686-update-key/private.pem" ] ||
  python3 "$root/tools/provider/sign-answer.py" keygen "$build/i686-update-key"
configure i686 -DCMAKE_BUILD_TYPE=Release -DTOVRIN_UPDATE_KEY="$build/i686-update-key/public.pem" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
for dir in native x86_64 i686; do
  echo "== building $dir"
  cmake --build "$build/$dir" -j "$jobs"
done
