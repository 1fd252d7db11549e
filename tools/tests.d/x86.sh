#!/bin/bash
# The x86 package's programs, as a customer uses them: the 32-bit dialler
# from the x86 zip, with the 32-bit simulated modem, connects; the 32-bit
# statistics window shows the provider's message and figures; its
# Disconnect hangs up; the dialler closes, and the 32-bit switcher installs
# the update the dialler fetched meanwhile (a new Utils.dll, as a patch).
# No 32-bit process may crash on the way (but for one fault of the
# emulator's, recognised by its threads: see the crash check below).
#
# The 32-bit programs run under user-mode emulation (tools/x86-emulation.sh),
# slowly: a program takes a minute or more to start. So the stand-in user
# waits ten times as long as in the demo, and the release holds a library
# only: switcher's start-up check of a new program allows it 4 seconds.
#   x86.sh BUILD_ROOT
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
builds=$(cd "${1:?usage: x86.sh BUILD_ROOT}" && pwd)
work=$builds/x86-smoke
start=$(date +%s)
bash "$root/tools/x86-emulation.sh" check || { echo "x86: the 32-bit programs cannot run here"; exit 1; }

rm -rf "$work"
mkdir -p "$work/install" "$work/release/old" "$work/release/new"
if ! TOVRIN_BUILD_DIR=$builds TOVRIN_DIST_DIR=$work/dist "$root/tools/package.sh" > "$work/package.log" 2>&1; then
  tail -n 30 "$work/package.log"
  echo "x86: tools/package.sh failed"
  exit 1
fi
(cd "$work/install" && unzip -q "$work"/dist/Tovrin-*-x86.zip)
# The 32-bit simulated modem beside the programs; the stand-in user is a
# 64-bit program of the test build.
cmake --build "$builds/i686" --target rasim >/dev/null
cp "$builds/i686/rasim/rasapi32.dll" "$work/install/"
cmake --build "$builds/x86_64" --target demo_driver >/dev/null
driver=$builds/x86_64/bin/demo_driver.exe

# The provider: the demo's answers, and an update of Utils.dll published as
# gzip and patch from the installed release.
cp -r "$root/tools/demo/provider" "$work/provider"
python3 "$root/tools/provider/provider.py" --root "$work/provider" --port-file "$work/provider.port" \
  --log "$work/provider.log" --exit-with-parent &
provider_pid=$!
session=$work/session
cleanup() {
  kill "$provider_pid" 2>/dev/null || true
  bash "$root/tests/harness/wine-session.sh" stop "$session" >/dev/null 2>&1 || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/provider.port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/provider.port")"
installed_version=$(sed -n 's/^project(Tovrin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
cp "$work/install/Utils.dll" "$work/release/old/"
version=$(python3 "$root/tools/demo/raise-version.py" "$work/release/old/Utils.dll" "$work/release/new/Utils.dll")
cat > "$work/update.xml" <<EOF
<?xml version="1.0"?>
<config>
  <entity name="release">
    <file name="Utils.dll" url="$url/files/Utils.dll" version="$version"/>
  </entity>
</config>
EOF
python3 "$root/tools/provider/publish-release.py" "$work/update.xml" --files "$work/release/new" \
  --out "$work/provider/files" --earlier "$installed_version=$work/release/old" \
  > "$work/provider/answers/update.xml"

. "$root/tests/harness/checks.sh"
wait_seconds=600

echo "== a Wine session that runs 32-bit programs"
began=$(date +%s)
TOVRIN_WINE_32BIT=1 bash "$root/tests/harness/wine-session.sh" start "$session" >/dev/null
echo "   ready after $(( $(date +%s) - began )) s"
export TOVRIN_WINE_SESSION=$session TOVRIN_DRIVER_PATIENCE=10
wine() { "$root/tests/harness/wine-run.sh" "$@"; }
key='HKCU\Software\tovrin'
wine reg.exe add "$key" /v username /d smoke /f >/dev/null
wine reg.exe add "$key" /v password /d smoke /f >/dev/null
wine reg.exe add "$key" /v UpdatePage /d "$url/customer/dialler_update.asp" /f >/dev/null
wine reg.exe add "$key" /v BannerURL /d "$url/customer/banner.html" /f >/dev/null
for f in Tovrin.exe Praxel.dll Utils.dll Tallyview.dll switcher.exe; do
  wine reg.exe add "$key\\Update" /v "$f" /d "$installed_version" /f >/dev/null
done

echo "== the 32-bit dialler"
# Started without wine-run.sh, so that the output of every 32-bit program
# (the dialler, and the statistics window and switcher it starts) stays in
# one file to be read for crashes at the end.
(
  dir=$session
  . "$root/tests/harness/wine-env.sh"
  DISPLAY=$(cat "$session/display")
  export DISPLAY WINEDLLOVERRIDES="rasapi32=n" TOVRIN_RASIM_SCENARIO=$root/tools/demo/scenario.txt
  export TOVRIN_RASIM_LOG=$work/modem.log
  # A 32-bit process that dies of a signal leaves the emulator's core file.
  ulimit -c unlimited
  cd "$work/install"
  exec "$WINELOADER" Tovrin.exe > "$work/programs.log" 2>&1 < /dev/null
) &
dialler=$!
step() {
  local began=$(date +%s)
  driver_step=$2
  check "$1" 'wine "$driver" "$driver_step"'
  echo "   $2 took $(( $(date +%s) - began )) s"
}
step "its dialog appears" wait-dialog
step "it connects" connect
step "the statistics window shows the provider's message, then its figures" statistics
check "the update is staged meanwhile" 'wait_for "[ -e \"$work/install/Utils.dll.uok\" ]"'
step "the statistics window's Disconnect hangs up" disconnect
step "it closes" close
check "it exits" 'wait "$dialler"'
check "switcher installs the staged Utils.dll" 'wait_for "[ ! -e \"$work/install/Utils.dll.uok\" ]" &&
  wine "$driver" wait-switcher && cmp -s "$work/install/Utils.dll" "$work/release/new/Utils.dll"'
check "nothing is left staged" '! compgen -G "$work/install/*.uok" >/dev/null'
check "the modem dialled and hung up" 'grep -q "^connected" "$work/modem.log" && grep -q "^hangup" "$work/modem.log"'
# The emulator writes a core file for a 32-bit process that dies of a
# signal (qemu_*.core), then dies of that signal itself, so the system may
# write its own core file too ("core", naming the emulator and the same
# command line). Wine reports a Windows exception nobody handled in the
# programs' output. One crash is the emulator's and comes after the programs'
# own code has finished: qemu-user keeps one thread-storage descriptor for
# all of a process's threads, and Wine's 32-bit signal handlers reload it.
# When a process exits, Wine ends each thread still asleep in Sleep
# (WinINet's collector of kept-alive connections, in the statistics window)
# with a signal; if a thread created later has ended since, the handler gets
# that thread's released storage and faults, and so does the fault's own
# handler. Its core shows exactly that: NtDelayExecution, then two signal
# frames. It is reported, not counted. Any other crash fails the test, the
# emulator's own too. Cores are removed: they are large.
emulator_exit_fault() {
  local frames
  frames=$(gdb -q -batch -ex bt /usr/lib/wine/wine "$1" 2>/dev/null |
    grep -o '<signal handler called>\|NtDelayExecution' | tr '\n' ' ')
  [ "$frames" = "<signal handler called> <signal handler called> NtDelayExecution " ]
}
# The command line a core file names, blanks removed; the system's core of
# the emulator names the emulator and the loader first.
core_command_line() {
  file -b "$1" | sed -n "s/.* from '\([^']*\)'.*/\1/p" | sed 's|^/usr/bin/qemu-i386-static /usr/lib/wine/wine ||' | tr -d ' '
}
crashes() {
  local found=1 core from judged=()
  grep -aE 'Unhandled (page fault|exception)' "$work/programs.log" && found=0
  while IFS= read -r core; do
    from=$(core_command_line "$core")
    judged+=("$from")
    if emulator_exit_fault "$core"; then
      echo "   known, the emulator's: a sleeping thread faulted in Wine's signal handler as its process exited (command line '$from')"
    else
      echo "   crashed: $(file -b "$core")"
      found=0
    fi
    rm -f "$core"
  done < <(find "$work" -type f -name 'qemu_*.core')
  while IFS= read -r core; do
    from=$(core_command_line "$core")
    # The system's core of a crash judged above, its command line perhaps cut.
    if [ -z "$from" ] || ! printf '%s\n' "${judged[@]}" | grep -qF -- "$from"; then
      echo "   crashed: $(file -b "$core")"
      found=0
    fi
    rm -f "$core"
  done < <(find "$work" -type f -name core)
  return $found
}
check "no 32-bit process crashed" '! crashes'

echo "x86 smoke test: $failures failure(s) in $(( $(date +%s) - start )) s; the programs' output in $work/programs.log"
[ $failures -eq 0 ]
