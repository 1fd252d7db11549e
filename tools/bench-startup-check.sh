#!/bin/bash
# How long the start-up check takes under Wine, per program, as switcher
# starts it after an install: Tovrin.exe and Tallyview.dll beside their
# libraries, and switcher.exe, each started RUNS times (default 20) from
# inside Wine and timed with the performance counter. The first run is shown
# apart: it pays for a cold file cache.
# Builds what it needs in BUILD (default build/x86_64).
#   tools/bench-startup-check.sh [BUILD] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/x86_64}
runs=${2:-20}

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
fi
cmake --build "$build" -j2 --target delivery_bench Tovrin Tallyview Praxel Utils switcher >/dev/null

session=$(mktemp -d "${TMPDIR:-/tmp}/bench-startup-check.XXXXXX")
install=$session/install
cleanup() {
  "$root/tests/harness/wine-session.sh" stop "$session/wine" >/dev/null 2>&1 || true
  rm -rf "$session"
}
trap cleanup EXIT
mkdir -p "$install"
# Stripped, as the package ships them.
for f in Tovrin.exe Praxel.dll Utils.dll Tallyview.dll switcher.exe; do
  x86_64-w64-mingw32-strip --strip-all -o "$install/$f" "$build/bin/$f"
done
"$root/tests/harness/wine-session.sh" start "$session/wine" >/dev/null
export TOVRIN_WINE_SESSION=$session/wine
wine_dir=Z:${install//\//\\}
for f in Tovrin.exe Tallyview.dll switcher.exe; do
  line=$("$root/tests/harness/wine-run.sh" "$build/bin/delivery_bench.exe" check "$wine_dir\\$f" "$runs" | tr -d '\r')
  printf '%-14s %s\n' "$f" "$line"
done
