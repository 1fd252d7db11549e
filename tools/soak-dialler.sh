#!/bin/bash
# A long soak of the dialler: N random sequences of user actions against the
# simulated modem, in a Wine session of its own.
#   tools/soak-dialler.sh N [SEED]
# Builds the x86-64 test configuration first if needed (TOVRIN_BUILD_DIR
# chooses the build root). A failing sequence prints its seed; pass it as
# SEED to replay it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TOVRIN_BUILD_DIR:-$root/build}
count=${1:?usage: soak-dialler.sh N [SEED]}
seed=${2:-}

if [ ! -f "$build/x86_64/build.ninja" ]; then
  cmake -S "$root" -B "$build/x86_64" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
fi
cmake --build "$build/x86_64" --target dialler_soak_test

export TOVRIN_SOAK_SEQUENCES=$count
[ -n "$seed" ] && export TOVRIN_SOAK_SEED=$seed
# A Wine session of its own, stopped however the run ends.
session=$build/soak-session
trap '"$root/tests/harness/wine-session.sh" stop "$session"' EXIT
"$root/tests/harness/wine-session.sh" start "$session"
export TOVRIN_WINE_SESSION=$session
export WINEDLLOVERRIDES="rasapi32=n;winebrowser.exe=d;iexplore.exe=d"
cd "$build/x86_64/bin"
"$root/tests/harness/wine-run.sh" ./dialler_soak_test.exe
