#!/bin/bash
# How long the start-up check takes under Wine, per program, as switcher.exe
# runs it before it deletes its backups: "<program> --startup-check" started
# in the folder of the built programs, timed inside Wine from CreateProcess
# to the end of the process. Ten runs each after one to warm the caches;
# median and maximum. A program whose warm-up run fails (no check mode, or a
# check that fails) is reported as such and not timed. PROGRAMS picks the
# programs in BUILD/bin (default the three the switcher checks; the dialler
# stub shows the cost of starting any program at all). Builds what it needs
# in BUILD (default build-delivery/x86_64).
#   [PROGRAMS="..."] tools/bench-startup-check.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-delivery/x86_64}
runs=10

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
fi
programs=${PROGRAMS:-switcher.exe Tovrin.exe Tallyview.dll}
cmake --build "$build" -j2 --target delivery_bench delivery_dialler_stub switcher Tovrin Tallyview >/dev/null

session=$(mktemp -d "${TMPDIR:-/tmp}/bench-check.XXXXXX")
cleanup() {
  "$root/tests/harness/wine-session.sh" stop "$session/wine" >/dev/null 2>&1 || true
  rm -rf "$session"
}
trap cleanup EXIT
"$root/tests/harness/wine-session.sh" start "$session/wine" >/dev/null
export TOVRIN_WINE_SESSION=$session/wine
bin=Z:${build//\//\\}\\bin
for program in $programs; do
  warm=$("$root/tests/harness/wine-run.sh" "$build/bin/delivery_bench.exe" check "$bin\\$program" 1 | tr -d '\r' || true)
  if [[ $warm != *failed=0* ]]; then
    echo "$program --startup-check: fails or has no check mode ($warm)"
    continue
  fi
  line=$("$root/tests/harness/wine-run.sh" "$build/bin/delivery_bench.exe" check "$bin\\$program" $runs | tr -d '\r' || true)
  echo "$program --startup-check: $line"
done
