#!/bin/bash
# What an update of the five files costs over the modem: plain, as gzip
# forms, and as patches from the release before; and what a fresh
# installation of that release fetches, with no version records: a patch
# where the installed file's own version resource is the patch's base.
#
#   bash tools/bench-update-bytes.sh
#
# Builds the committed tree twice as the package builds it (x86-64, size-
# minded, stripped): as it is, and with one message changed and the version
# raised. Both builds work on exported copies under build/bench-update-bytes,
# never on the tree. publish-release.py then makes the gzip forms and patches.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${TOVRIN_BUILD_DIR:-$root/build}/bench-update-bytes
files=(Tovrin.exe Praxel.dll Utils.dll Tallyview.dll switcher.exe)
jobs=${TOVRIN_JOBS:-2}
# The two copies differ in two files: with paths taken relative to the
# work folder, the second build reuses the first's objects.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$work} CCACHE_DIR=${CCACHE_DIR:-${TOVRIN_BUILD_DIR:-$root/build}/ccache}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

rm -rf "$work"
mkdir -p "$work/old" "$work/new"
git -C "$root" archive HEAD | tar -x -C "$work/old"
git -C "$root" archive HEAD | tar -x -C "$work/new"

# The point release: one message and the version.
old_version=$(sed -n 's/^project(Tovrin VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$work/old/CMakeLists.txt")
new_version=$(echo "$old_version" | awk -F. '{print $1 "." $2 "." $3 + 1}')
sed -i "s/^project(Tovrin VERSION $old_version/project(Tovrin VERSION $new_version/" "$work/new/CMakeLists.txt"
sed -i 's/Error while updating the application/Error while updating the programs/' "$work/new/switcher/SwitcherMain.cpp"
grep -q 'updating the programs' "$work/new/switcher/SwitcherMain.cpp"

# build_release SIDE: the stripped files in SIDE/files.
build_release() {
  cmake -S "$work/$1" -B "$work/$1/build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DTOVRIN_BUILD_TESTS=OFF \
    -DTOVRIN_MINGW_THREADS=win32 "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$work/$1/cmake/mingw-x86_64.cmake" >/dev/null
  cmake --build "$work/$1/build" -j "$jobs" --target Tovrin Praxel Utils Tallyview switcher >/dev/null
  mkdir -p "$work/$1/files"
  for f in "${files[@]}"; do
    x86_64-w64-mingw32-strip --strip-all -o "$work/$1/files/$f" "$work/$1/build/bin/$f"
  done
}
echo "== building $old_version and $new_version"
build_release old
build_release new

{
  echo '<config><entity name="package">'
  for f in "${files[@]}"; do
    echo "<file name=\"$f\" url=\"http://h/$f\" version=\"$new_version\"/>"
  done
  echo '</entity></config>'
} > "$work/answer.xml"
python3 "$root/tools/provider/publish-release.py" "$work/answer.xml" --files "$work/new/files" \
  --out "$work/web" --earlier "$old_version=$work/old/files" > "$work/published.xml"

python3 - "$work/web" "$old_version" "$work/old/files" "${files[@]}" <<'PY'
import os, struct, sys
web, old, installed, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
def resource_version(path):
    # VS_FIXEDFILEINFO: signature, struct version, then the file version's
    # two 32-bit halves; major.minor.revision as the update code reads them.
    # With the struct version, so that the signature as a constant in code
    # does not count.
    data = open(path, 'rb').read()
    at = data.find(struct.pack('<II', 0xFEEF04BD, 0x00010000))
    if at < 0:
        return None
    ms, ls = struct.unpack_from('<II', data, at + 8)
    return f'{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}'
def size(name):
    path = os.path.join(web, name)
    return os.path.getsize(path) if os.path.exists(path) else None
rows, totals, fresh = [], [0, 0, 0], 0
for name in names:
    plain = size(name)
    gz = size(name + '.gz') or plain
    patch = size(f'{name}.from-{old}.patch') or gz
    rows.append((name, plain, gz, patch))
    for i, n in enumerate((plain, gz, patch)):
        totals[i] += n
    fresh += patch if resource_version(os.path.join(installed, name)) == old else gz
minutes = lambda n: n / 5120 / 60
print(f"{'file':<14}{'plain':>10}{'gz':>10}{'patch':>10}   (bytes; a form not kept counts as the next larger)")
for name, plain, gz, patch in rows:
    print(f"{name:<14}{plain:>10}{gz:>10}{patch:>10}")
print(f"{'all five':<14}{totals[0]:>10}{totals[1]:>10}{totals[2]:>10}")
print(f"{'min at 5 KB/s':<14}{minutes(totals[0]):>10.3f}{minutes(totals[1]):>10.3f}{minutes(totals[2]):>10.3f}")
print(f"fresh installation, no version records: {fresh} bytes, {minutes(fresh):.3f} min at 5 KB/s")
PY
