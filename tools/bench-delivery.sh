#!/bin/bash
# Delivery figures under Wine, against the provider stand-in on loopback:
#   - DownloadFile of a 64 MB file, timed inside Wine, against curl fetching
#     the same file from the same server in the same run (MB/s and ratio);
#   - the time switcher.exe takes to install 50 staged files.
# Builds what it needs in BUILD (default build-delivery/x86_64).
#   tools/bench-delivery.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" --bench
build=${1:-$root/build-delivery/x86_64}
size=$((64 * 1024 * 1024))

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
fi
cmake --build "$build" -j2 --target delivery_bench switcher >/dev/null

session=$(mktemp -d "${TMPDIR:-/tmp}/bench-delivery.XXXXXX")
work=$(mktemp -d "${TMPDIR:-/tmp}/bench-delivery-files.XXXXXX")
cleanup() {
  "$root/tests/harness/wine-session.sh" stop "$session/wine" >/dev/null 2>&1 || true
  rm -rf "$session" "$work"
}
trap cleanup EXIT
"$root/tests/harness/wine-session.sh" start "$session/wine" >/dev/null
export TOVRIN_WINE_SESSION=$session/wine BENCH_BIN=$build/bin BENCH_WORK=$work BENCH_SIZE=$size
export BENCH_RUN=$root/tests/harness/wine-run.sh

# Runs beside a private provider server, which exports PROVIDER_*.
"$root/tools/provider/with-provider.sh" bash -c '
set -euo pipefail
mkdir -p "$PROVIDER_ROOT/files"
head -c "$BENCH_SIZE" /dev/urandom > "$PROVIDER_ROOT/files/big.bin"
url=$PROVIDER_URL/files/big.bin

# Warm the page cache and the server once, then measure each client.
curl -s -o /dev/null "$url"
curl_speed=$(curl -s -o /dev/null -w "%{speed_download}" "$url")
wine_dir=Z:${BENCH_WORK//\//\\}
line=$("$BENCH_RUN" "$BENCH_BIN/delivery_bench.exe" download "$url" "$wine_dir\\big.bin" "$BENCH_SIZE" | tr -d "\r")
cmp -s "$BENCH_WORK/big.bin" "$PROVIDER_ROOT/files/big.bin" || { echo "downloaded file differs" >&2; exit 1; }
dl_speed=$(sed -n "s/.*mbps=\([0-9.]*\).*/\1/p" <<<"$line")
curl_mbps=$(awk -v b="$curl_speed" "BEGIN { printf \"%.1f\", b / 1048576 }")
ratio=$(awk -v a="$dl_speed" -v b="$curl_mbps" "BEGIN { printf \"%.2f\", a / b }")
echo "DownloadFile (Wine): $dl_speed MB/s"
echo "curl (native):       $curl_mbps MB/s"
echo "ratio DownloadFile/curl: $ratio"

switch=$("$BENCH_RUN" "$BENCH_BIN/delivery_bench.exe" switch "$wine_dir\\install" 50 | tr -d "\r")
echo "switcher.exe, 50 staged files of 64 KB: $(sed -n "s/.*seconds=\([0-9.]*\).*/\1/p" <<<"$switch") s ($switch)"
'
