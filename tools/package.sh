#!/bin/bash
# Builds what a provider hands out, for x86-64 and i686, into dist/:
#   Tovrin-<version>-x64.zip, Tovrin-<version>-x86.zip     the five files and ReadMe.txt
#   Tovrin-<version>-x64-setup.exe, ...-x86-setup.exe      per-user installers
# The release files are built for size (MinSizeRel, see cmake/SizeRelease.cmake)
# and stripped. The installers write the provider's addresses:
#   --update-page URL  --home-page URL  --banner-url URL
# each defaulting to the address the build itself falls back on.
# --update-key PEM builds the programs with the provider's public key, so they
# use only update answers signed with it (tools/provider/sign-answer.py);
# --min-serial N (with --update-key) makes them refuse answers whose serial
# is below N, even on a profile that has accepted none yet.
# TOVRIN_BUILD_DIR picks the build root (default build/), TOVRIN_DIST_DIR the
# output folder (default dist/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${TOVRIN_BUILD_DIR:-$root/build}
dist=${TOVRIN_DIST_DIR:-$root/dist}
jobs=${TOVRIN_JOBS:-$(nproc)}
update_page= home_page= banner_url= update_key= min_serial=0
while [ $# -gt 0 ]; do
  case $1 in
    --update-page) update_page=${2:?--update-page needs a URL}; shift 2 ;;
    --home-page) home_page=${2:?--home-page needs a URL}; shift 2 ;;
    --banner-url) banner_url=${2:?--banner-url needs a URL}; shift 2 ;;
    --update-key) update_key=$(realpath "${2:?--update-key needs a public key file}"); shift 2 ;;
    --min-serial) min_serial=${2:?--min-serial needs a number}; shift 2 ;;
    *) echo "usage: $0 [--update-page URL] [--home-page URL] [--banner-url URL] [--update-key PEM" \
         "[--min-serial N]]" >&2
       exit 2 ;;
  esac
done
if [ "$min_serial" != 0 ] && [ -z "$update_key" ]; then
  echo "package: --min-serial needs --update-key (a build without a key checks no serial)" >&2
  exit 2
fi

"$root/tools/install-deps.sh"

files=(Tovrin.exe Praxel.dll Utils.dll Tallyview.dll switcher.exe)
# The product code must not pull in the stream library: it alone would
# outweigh a program.
if grep -rlE '#include <(iostream|[io]?[sf]stream)>' "$root"/{dialler,update,utils,stats,switcher} \
    --include='*.cpp' --include='*.h' | grep -vE '/(tests|bench|fuzz)/'; then
  echo "package: the files above use iostreams" >&2
  exit 1
fi

# build_release ARCH TOOLCHAIN: configures and builds BUILD/package-ARCH.
build_release() {
  local dir=$builds/package-$1
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DTOVRIN_BUILD_TESTS=OFF \
    -DTOVRIN_MINGW_THREADS=win32 -DTOVRIN_UPDATE_KEY="$update_key" -DTOVRIN_UPDATE_MIN_SERIAL="$min_serial" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" >/dev/null
  cmake --build "$dir" -j "$jobs" --target Tovrin Praxel Utils Tallyview switcher
}

# The version and the build's own default addresses, as the x86-64 build
# was configured.
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$builds/package-x64/CMakeCache.txt"; }
header_value() { sed -n "s/^#define $1 //p" "$builds/package-x64/generated/utils/ProductVersion.h"; }

mkdir -p "$dist"
for arch in x64 x86; do
  case $arch in
    x64) toolchain=mingw-x86_64.cmake strip=x86_64-w64-mingw32-strip ;;
    x86) toolchain=mingw-i686.cmake strip=i686-w64-mingw32-strip ;;
  esac
  echo "== building the $arch release"
  build_release $arch $toolchain
  if [ $arch = x64 ]; then
    version=$(header_value TOVRIN_VERSION_MAJOR).$(header_value TOVRIN_VERSION_MINOR).$(header_value TOVRIN_VERSION_PATCH)
    portal=$(cache_value TOVRIN_PORTAL_HOST)
    customer=$(cache_value TOVRIN_CUSTOMER_HOST)
    update_page=${update_page:-http://$customer/customer/dialler_update.asp}
    home_page=${home_page:-http://$portal/}
    banner_url=${banner_url:-http://$customer/customer/banner.html}
  fi

  stage=$builds/package-$arch/stage/Tovrin
  rm -rf "$stage"
  mkdir -p "$stage"
  for f in "${files[@]}"; do
    "$strip" --strip-all -o "$stage/$f" "$builds/package-$arch/bin/$f"
  done
  sed "s/@VERSION@/$version/" "$root/tools/package/ReadMe.txt" | sed 's/$/\r/' > "$stage/ReadMe.txt"
  touch -d "@${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}" "$stage"/*

  name=Tovrin-$version-$arch
  echo "== $name.zip"
  rm -f "$dist/$name.zip"
  (cd "$stage" && zip -q -X -9 "$dist/$name.zip" "${files[@]}" ReadMe.txt)

  echo "== $name-setup.exe"
  size_kb=$(( ($(cat "$stage"/* | wc -c) + 1023) / 1024 ))
  makensis -V2 -DVERSION="$version" -DARCH=$arch -DFILES="$stage" \
    -DICON="$root/dialler/res/Tovrin.ico" -DOUTFILE="$dist/$name-setup.exe" -DSIZE_KB=$size_kb \
    -DUPDATE_PAGE="$update_page" -DHOME_PAGE="$home_page" -DBANNER_URL="$banner_url" \
    "$root/tools/package/Tovrin.nsi"
done

echo "== made in $dist:"
ls -l "$dist"/Tovrin-"$version"-*
