#!/bin/bash
# Fuzzes the XML reader, the manifest reader and the signature search, then
# the gzip path and the patch applier, for about a minute in all: builds the
# clang/libFuzzer configuration under $1/fuzz and fails on any crash, leak or
# sanitizer report.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: fuzz.sh BUILD_ROOT}/fuzz
seconds=${TOVRIN_FUZZ_SECONDS:-60}

# libFuzzer's runtime is a package of its own (install-deps.sh installs it).
mkdir -p "$build"
probe=$build/fuzzer-probe
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    clang++ -x c++ - -fsanitize=fuzzer -o "$probe" 2>/dev/null; then
  echo "xml fuzzer: clang cannot link libFuzzer; install libclang-rt-14-dev"
  exit 1
fi
rm -f "$probe"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTOVRIN_FUZZ=ON -DTOVRIN_FUZZ_PARSEXML=ON -DTOVRIN_BUILD_TESTS=OFF -DTOVRIN_SANITIZE=OFF >/dev/null
cmake --build "$build" --target xml_fuzzer gzip_fuzzer patch_fuzzer -j "${TOVRIN_JOBS:-2}"

# run_fuzzer NAME SEEDS SECONDS
run_fuzzer() {
  local name=$1 seeds=$2 time=$3
  # The fuzzer adds what it finds to its corpus: work on a copy, never the seeds.
  local corpus=$build/$name-corpus artifacts=$build/$name-artifacts log=$build/$name-fuzz.log
  mkdir -p "$corpus" "$artifacts"
  cp "$seeds"/* "$corpus"/
  local status=0
  "$build/update/${name}_fuzzer" "$corpus" -max_total_time="$time" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  if [ $status -ne 0 ] || grep -qE "ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:" "$log"; then
    tail -n 60 "$log"
    echo "$name fuzzer FAILED (status $status); inputs kept in $artifacts"
    exit 1
  fi
  local executions
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$name fuzzer: ${executions:-?} executions in ${time} s, corpus $(ls "$corpus" | wc -l) files"
}

# Half the time for the readers, a quarter each for the gzip path and the
# patch applier.
run_fuzzer xml "$root/update/fuzz/corpus" $(( (seconds + 1) / 2 ))
run_fuzzer gzip "$root/update/fuzz/corpus-gzip" $(( (seconds + 3) / 4 ))
run_fuzzer patch "$root/update/fuzz/corpus-patch" $(( (seconds + 3) / 4 ))
