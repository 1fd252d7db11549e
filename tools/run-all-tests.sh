#!/bin/bash
# The whole test run: installs what is missing, builds every configuration and
# runs every test. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TOVRIN_BUILD_DIR:-$root/build}
start=$(date +%s)

"$root/tools/install-deps.sh"
"$root/tools/build-all.sh"

status=0
echo "== native tests"
ctest --test-dir "$build/native" --output-on-failure -j 2 || status=1
echo "== Windows tests under Wine"
ctest --test-dir "$build/x86_64" --output-on-failure || status=1
for extra in "$root"/tools/tests.d/*.sh; do
  [ -e "$extra" ] || continue
  echo "== $(basename "$extra")"
  bash "$extra" "$build" || status=1
done

echo "== finished in $(( $(date +%s) - start )) s"
if [ $status -ne 0 ]; then
  echo "TESTS FAILED"
fi
exit $status
