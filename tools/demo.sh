#!/bin/bash
# The main job: the dialler under Wine with the simulated modem and our
# provider server on 127.0.0.1.
#
#   bash tools/demo.sh               on $DISPLAY when there is one, else unattended
#   bash tools/demo.sh --unattended  always unattended, under Xvfb
#
# On a display you use the dialler yourself (pick a device, Connect; the first
# number is busy, the next one connects) and the demo ends when you close it.
# Unattended, a stand-in user connects, reads and closes the provider's
# message, waits for the statistics window's figures, disconnects and closes
# the dialler; screenshots of each step are saved under build/demo/screenshots/.
#
# The demo plays a provider that signs its update answers: it makes a key
# pair once (build/demo-keys), builds the programs with the public key
# (build/demo-x86_64) and serves the update answer signed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${TOVRIN_BUILD_DIR:-$root/build}
build=$builds/demo-x86_64
demo=$builds/demo
keys=$builds/demo-keys
sign() { python3 "$root/tools/provider/sign-answer.py" "$@"; }
"$root/tools/install-deps.sh"
# After the install: xdpyinfo comes with it.
unattended=0
if [ "${1:-}" = "--unattended" ] || [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  unattended=1
fi

echo "== the provider's signing key"
[ -e "$keys/private.pem" ] || sign keygen "$keys"
echo "   $keys/public.pem"

echo "== building the Windows programs with that key"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVRIN_BUILD_TESTS=OFF \
  -DTOVRIN_UPDATE_KEY="$keys/public.pem" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tovrin Tallyview switcher rasim demo_driver

echo "== preparing the installation folder"
rm -rf "$demo"
mkdir -p "$demo/install" "$demo/provider" "$demo/screenshots"
# Stripped, as the package ships them.
programs=(Tovrin.exe Praxel.dll Utils.dll Tallyview.dll switcher.exe)
for f in "${programs[@]}"; do
  x86_64-w64-mingw32-strip --strip-all -o "$demo/install/$f" "$build/bin/$f"
done
# The simulated remote-access service, loaded instead of the system's.
cp "$build/rasim/rasapi32.dll" "$demo/install/"
cp "$root/tools/demo/ReadMe.txt" "$demo/install/"
cp -r "$root/tools/demo/provider/." "$demo/provider/"

session=$demo/session
provider_pid=
cleanup() {
  [ -n "$provider_pid" ] && kill "$provider_pid" 2>/dev/null || true
  bash "$root/tests/harness/wine-session.sh" stop "$session" >/dev/null 2>&1 || true
}
trap cleanup EXIT INT TERM

echo "== starting the provider server"
python3 "$root/tools/provider/provider.py" --root "$demo/provider" --port-file "$demo/provider.port" \
  --log "$demo/provider.log" --exit-with-parent &
provider_pid=$!
for _ in $(seq 100); do [ -s "$demo/provider.port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$demo/provider.port")"
# The update: a whole release, as every release is: all five programs with
# their version raised, published as gzip forms and patches from the
# installed release, signed.
mkdir -p "$demo/release/old" "$demo/release/new"
for f in "${programs[@]}"; do
  cp "$demo/install/$f" "$demo/release/old/"
  version=$(python3 "$root/tools/demo/raise-version.py" "$demo/release/old/$f" "$demo/release/new/$f")
done
installed_version=$(sed -n 's/^project(Tovrin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
sed -e "s|@URL@|$url|g" -e "s|@VERSION@|$version|g" "$demo/provider/update.xml.in" > "$demo/update-unsigned.xml"
python3 "$root/tools/provider/publish-release.py" "$demo/update-unsigned.xml" --files "$demo/release/new" \
  --out "$demo/provider/files" --earlier "$installed_version=$demo/release/old" \
  --key "$keys/private.pem" --serial "$(date +%s)" --expires "$(date -u -d '+1 day' +%Y-%m-%dT%H:%M:%SZ)" \
  > "$demo/provider/answers/update.xml"
echo "   provider at $url, update answer signed"

echo "== starting Wine"
if [ $unattended = 1 ]; then
  bash "$root/tests/harness/wine-session.sh" start "$session"
else
  TOVRIN_USE_DISPLAY=$DISPLAY bash "$root/tests/harness/wine-session.sh" start "$session"
fi
export TOVRIN_WINE_SESSION=$session
wine() { "$root/tests/harness/wine-run.sh" "$@"; }

# The customer's settings as the provider's installer leaves them.
key='HKCU\Software\tovrin'
wine reg add "$key" /v username /d demo /f >/dev/null
wine reg add "$key" /v password /d demo /f >/dev/null
wine reg add "$key" /v UpdatePage /d "$url/customer/dialler_update.asp" /f >/dev/null
wine reg add "$key" /v HomePage /d "$url/portal/" /f >/dev/null
wine reg add "$key" /v BannerURL /d "$url/customer/banner.html" /f >/dev/null
# The records an earlier update left: the customer has the installed release.
for f in "${programs[@]}"; do
  wine reg add "$key\\Update" /v "$f" /d "$installed_version" /f >/dev/null
done

export WINEDLLOVERRIDES="rasapi32=n"
# The simulated service takes Unix paths and reads them through drive Z:.
export TOVRIN_RASIM_SCENARIO=$root/tools/demo/scenario.txt
export TOVRIN_RASIM_LOG=$demo/modem.log

shot() {
  import -display "$(cat "$session/display")" -window root "$demo/screenshots/$1.png"
  echo "   screenshot: $demo/screenshots/$1.png"
}

echo "== running Tovrin.exe"
cd "$demo/install"
if [ $unattended = 0 ]; then
  echo "   Tovrin is on your display: press Connect. Close it to end the demo."
  wine Tovrin.exe
else
  wine Tovrin.exe &
  dialler=$!
  driver="$build/bin/demo_driver.exe"
  wine "$driver" wait-dialog
  sleep 1
  shot 1-dialler
  wine "$driver" connect
  sleep 4
  shot 2-connected
  wine "$driver" statistics
  sleep 1
  shot 3-statistics
  # Give the download thread time to stage the whole release: the set's
  # markers appear together, once every file of it is complete.
  for _ in $(seq 100); do [ -e "$demo/install/switcher.exe.uok" ] && break; sleep 0.2; done
  wine "$driver" disconnect
  sleep 1
  shot 4-disconnected
  wine "$driver" close
  wait "$dialler" || true
fi

# The switcher swaps the staged files in once the dialler has gone, checks
# that the new programs start, and only then lets the old ones go.
for _ in $(seq 100); do compgen -G "$demo/install/*.uok" >/dev/null || break; sleep 0.2; done
wine "$build/bin/demo_driver.exe" wait-switcher

echo "== what happened"
echo "-- the modem (simulated remote-access service):"
grep -E '^(enumdevices|setentry|dial|connected|hangup)' "$demo/modem.log" | cut -c1-160 || true
echo "-- the provider server's requests:"
python3 - "$demo/provider.log" <<'PY'
import json, sys
for line in open(sys.argv[1]):
    r = json.loads(line)
    print(f"   {r['status']} {r['path']}{'?' + r['query'] if r['query'] else ''}")
PY
echo "-- the signed answer's serial, as the dialler accepted it:"
wine reg query "$key" /v UpdateSerial 2>/dev/null | grep UpdateSerial || echo "   (none: the answer was not accepted)"
echo "-- the update, all five programs $installed_version to $version:"
python3 - "$demo/provider.log" "$demo/release/new" "$demo/install" "${programs[@]}" <<'PY'
import json, os, sys
log, new, installed, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
requests = [json.loads(line) for line in open(log)]
all_same = True
total_fetched = total_size = 0
for name in names:
    fetched = sum(r.get('bytes') or 0 for r in requests if r['path'].startswith('/files/' + name))
    full = os.path.getsize(os.path.join(new, name))
    total_fetched += fetched
    total_size += full
    same = open(os.path.join(new, name), 'rb').read() == open(os.path.join(installed, name), 'rb').read()
    all_same = all_same and same
    print(f"   {name:<14} fetched {fetched:>7} bytes for a file of {full:>7} bytes; "
          + ("installed is the new release" if same else "installed is NOT the new release"))
print(f"   all five: fetched {total_fetched} bytes for {total_size} bytes ({100 * total_fetched / total_size:.1f}%)")
staged = sorted(f for f in os.listdir(installed) if f.lower().endswith('.uok'))
if staged:
    print(f"   still staged: {' '.join(staged)}")
sys.exit(0 if all_same and not staged else 1)
PY
