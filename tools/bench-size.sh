#!/bin/bash
# What a customer downloads: the stripped x86-64 release files, each and in
# total, the zip, and the minutes a full update takes at 5 KB/s when whole,
# uncompressed files are fetched, before the size work and now, against
# the budgets (300 KB for the five, 150 KB for the zip).
# Measures the output of tools/package.sh, which it runs when that is missing.
#   bench-size.sh [BUILD_ROOT]   (default: TOVRIN_BUILD_DIR or build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${1:-${TOVRIN_BUILD_DIR:-$root/build}}
dist=${TOVRIN_DIST_DIR:-$root/dist}
stage=$builds/package-x64/stage/Tovrin
files=(Tovrin.exe Praxel.dll switcher.exe Tallyview.dll Utils.dll)
if [ ! -f "$stage/Tovrin.exe" ] || ! ls "$dist"/Tovrin-*-x64.zip >/dev/null 2>&1; then
  TOVRIN_BUILD_DIR=$builds "$root/tools/package.sh"
fi
zip=$(ls -t "$dist"/Tovrin-*-x64.zip | head -1)

# The stripped x86-64 release files and their zip before the printf family
# came from msvcrt.dll and the XML reader dropped its string class (and
# before the gzip inflater went into Praxel.dll).
declare -A before=([Tovrin.exe]=101 [Praxel.dll]=102 [switcher.exe]=19 [Tallyview.dll]=66 [Utils.dll]=61)
zip_before=168
declare -A budget=([Tovrin.exe]=150 [switcher.exe]=40)
total_budget=300
zip_budget=150

kb() { echo $(( ($1 + 1023) / 1024 )); }
minutes() { awk -v kb="$1" 'BEGIN { printf "%.1f", kb / 5 / 60 }'; }
verdict() { [ "$1" -le "$2" ] && echo "within $2 KB" || echo "OVER $2 KB"; }

printf '%-15s %8s %8s   %s\n' File Before After Budget
total_before=0 total_after=0
for f in "${files[@]}"; do
  after=$(kb "$(stat -c %s "$stage/$f")")
  total_before=$(( total_before + before[$f] ))
  total_after=$(( total_after + after ))
  note=
  [ -n "${budget[$f]:-}" ] && note=$(verdict "$after" "${budget[$f]}")
  printf '%-15s %5d KB %5d KB   %s\n' "$f" "${before[$f]}" "$after" "$note"
done
printf '%-15s %5d KB %5d KB   %s\n' Total "$total_before" "$total_after" "$(verdict "$total_after" $total_budget)"
zip_kb=$(kb "$(stat -c %s "$zip")")
printf '%-15s %5d KB %5d KB   %s (%s)\n' Zip "$zip_before" "$zip_kb" "$(verdict "$zip_kb" $zip_budget)" "$(basename "$zip")"
printf 'Full update at 5 KB/s: %s min before, %s min now\n' "$(minutes $total_before)" "$(minutes $total_after)"
printf 'The zip at 5 KB/s:     %s min before, %s min now\n' "$(minutes $zip_before)" "$(minutes "$zip_kb")"
