#!/bin/bash
# A long randomized soak of the dialler: tools/soak-dialler.sh N runs N
# sequences (default 200), in ctest runs of 8 so each stays inside the
# test's time limit. TOVRIN_SOAK_SEED=S starts from seed S (replays it).
# TOVRIN_BUILD_DIR selects the build root (default build).
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${TOVRIN_BUILD_DIR:-$here/build}/x86_64"
n="${1:-200}"
seed="${TOVRIN_SOAK_SEED:-$(date +%s)}"
echo "soak: $n sequences from seed $seed"
done_count=0
while [ "$done_count" -lt "$n" ]; do
  chunk=$(( n - done_count < 8 ? n - done_count : 8 ))
  TOVRIN_SOAK_SEED=$((seed + done_count)) TOVRIN_SOAK_SEQUENCES=$chunk \
    ctest --test-dir "$build" -R '^dialler_soak_test$' --output-on-failure -V \
    | grep -E 'soak:|Failure|seed'
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then
    echo "soak: FAILED within seeds $((seed + done_count))..$((seed + done_count + chunk - 1))"
    exit 1
  fi
  done_count=$((done_count + chunk))
done
echo "soak: $done_count sequences passed"
