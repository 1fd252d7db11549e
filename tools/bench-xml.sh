#!/bin/bash
# Builds and runs the XML reader's benchmark (native Release, no sanitizers):
# our reader against pugixml on a 2 KB manifest and a generated 1 MB document.
# Extra arguments go to the benchmark program (e.g. --benchmark_filter=1M).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" --bench
build=${TOVRIN_BUILD_DIR:-$root/build}/bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTOVRIN_BENCH=ON -DTOVRIN_SANITIZE=OFF -DTOVRIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target xml_benchmark -j "${TOVRIN_JOBS:-2}"
"$build/update/xml_benchmark" "$@"
