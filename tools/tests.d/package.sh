#!/bin/bash
# The package under Wine, in a fresh prefix of its own: builds it with
# tools/package.sh, installs the x86-64 installer silently, starts the
# installed dialler with the simulated modem, uninstalls (refused while the
# dialler runs) and installs over an installation with a stored user name.
# The i686 installer is built but not run.
#   package.sh BUILD_ROOT
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
builds=${1:?usage: package.sh BUILD_ROOT}
work=$builds/package-test
dist=$work/dist
rm -rf "$work"
mkdir -p "$work/screenshots"

# The provider's addresses as a provider would choose them.
update_page=http://127.0.0.1:9/customer/update.asp
home_page=http://127.0.0.1:9/portal/
banner_url=http://127.0.0.1:9/customer/banner.html
if ! TOVRIN_BUILD_DIR=$builds TOVRIN_DIST_DIR=$dist "$root/tools/package.sh" --update-page "$update_page" \
    --home-page "$home_page" --banner-url "$banner_url" > "$work/package.log" 2>&1; then
  tail -n 30 "$work/package.log"
  echo "package: tools/package.sh failed"
  exit 1
fi
setup=$(ls "$dist"/Tovrin-*-x64-setup.exe)
ls "$dist"/Tovrin-*-x86-setup.exe "$dist"/Tovrin-*-x64.zip "$dist"/Tovrin-*-x86.zip >/dev/null
# The simulated modem and the stand-in user come from the test build.
cmake --build "$builds/x86_64" --target rasim demo_driver >/dev/null

session=$work/session
bash "$root/tests/harness/wine-session.sh" start "$session" >/dev/null
dialler=
cleanup() {
  [ -n "$dialler" ] && kill "$dialler" 2>/dev/null || true
  bash "$root/tests/harness/wine-session.sh" stop "$session" >/dev/null 2>&1 || true
}
trap cleanup EXIT
export TOVRIN_WINE_SESSION=$session
# No menu entries for the host's desktop from the shortcut.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
wine() { "$root/tests/harness/wine-run.sh" "$@"; }
unix_path() { wine winepath.exe -u "$1" | tr -d '\r'; }
reg_value() { wine reg.exe query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
. "$root/tests/harness/checks.sh"

folder_of() { wine cmd.exe /c echo "%$1%" | tr -d '\r'; }
install_win="$(folder_of LOCALAPPDATA)\Programs\Tovrin"
install=$(unix_path "$install_win")
shortcut=$(unix_path "$(folder_of APPDATA)\Microsoft\Windows\Start Menu\Programs\Tovrin.lnk")
settings='HKCU\Software\tovrin'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovrin'
files=(Tovrin.exe Praxel.dll Utils.dll Tallyview.dll switcher.exe ReadMe.txt Uninstall.exe)
all_present() { for f in "${files[@]}"; do [ -f "$install/$f" ] || return 1; done; }
none_present() { for f in "${files[@]}"; do [ ! -e "$install/$f" ] || return 1; done; }

echo "== silent install into a fresh prefix"
check "installer exits with 0" 'wine "$(wine winepath.exe -w "$setup" | tr -d "\r")" /S'
check "the five files, ReadMe and uninstaller in %LOCALAPPDATA%\\Programs\\Tovrin" all_present
version=$(basename "$setup" | sed 's/^Tovrin-\(.*\)-x64-setup.exe$/\1/')
versions_match() {
  local f
  for f in Tovrin.exe Praxel.dll Utils.dll Tallyview.dll switcher.exe; do
    [ "$(strings -el "$install/$f" | grep -A1 '^FileVersion$' | tail -n 1)" = "$version.0" ] || return 1
  done
}
check "every file's version resource says $version, as the installer's name does" versions_match
check "Start-menu shortcut Tovrin" '[ -f "$shortcut" ]'
check "uninstall entry under HKCU" '[ "$(reg_value "$uninstall_key" DisplayName)" = Tovrin ] &&
  [ -n "$(reg_value "$uninstall_key" UninstallString)" ]'
check "provider's addresses written" '[ "$(reg_value "$settings" UpdatePage)" = "$update_page" ] &&
  [ "$(reg_value "$settings" HomePage)" = "$home_page" ] && [ "$(reg_value "$settings" BannerURL)" = "$banner_url" ]'
check "no user name or password written" '[ -z "$(reg_value "$settings" username)" ] && [ -z "$(reg_value "$settings" password)" ]'

echo "== the installed dialler with the simulated modem"
cp "$builds/x86_64/rasim/rasapi32.dll" "$install/"
(cd "$install" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rasapi32=n" TOVRIN_RASIM_SCENARIO="$root/tools/demo/scenario.txt" \
  TOVRIN_RASIM_LOG="$work/modem.log" exec "$root/tests/harness/wine-run.sh" Tovrin.exe) &
dialler=$!
driver="$builds/x86_64/bin/demo_driver.exe"
check "its dialog appears" 'wine "$driver" wait-dialog'
check "it listed the simulated modem's devices" 'wait_for "grep -q ^enumdevices \"$work/modem.log\" 2>/dev/null"'
# The logo as shown must be the picture drawn (the palettised, RLE-packed
# bitmap read back as it should be): within 2% per pixel at the spot, near
# the dialog's top left corner, where it sits.
logo_shown() {
  local shot=$work/screenshots/dialler.png trimmed=$work/screenshots/dialog.png
  import -display "$(cat "$session/display")" -window root "$shot" &&
    convert "$shot" -trim +repage "$trimmed" &&
    convert "$root/dialler/res/Logo.bmp" -crop 300x188+0+0 +repage "$work/logo.png" || return 1
  local x y
  for y in 0 1 2 3 4; do
    for x in 0 1 2 3 4; do
      convert "$trimmed" -crop 300x188+$x+$y +repage "$work/spot.png"
      [ "$(compare -metric AE -fuzz 2% "$work/logo.png" "$work/spot.png" null: 2>&1)" = 0 ] && return 0
    done
  done
  return 1
}
check "its logo looks as drawn" "wait_for logo_shown"
check "uninstalling silently is refused while it runs" '! wine "$install_win\\Uninstall.exe" /S "_?=$install_win" && all_present'
check "it closes" 'wine "$driver" close && wait "$dialler"'
dialler=
rm -f "$install/rasapi32.dll"

echo "== silent uninstall"
wine reg.exe add "$settings" /v username /d customer1 /f >/dev/null
# What the updater leaves behind: a staged file and the staging folder.
mkdir -p "$install/Update"
echo staged > "$install/Update/Praxel.dll"
echo staged > "$install/ReadMe.txt.uok"
wine "$install_win\\Uninstall.exe" /S
check "programs, staged file and staging folder gone" 'wait_for "none_present && [ ! -e \"$install\" ]"'
check "shortcut gone" '[ ! -e "$shortcut" ]'
check "uninstall entry gone" '! wine reg.exe query "$uninstall_key" >/dev/null 2>&1'
check "Software\\tovrin\\username kept" '[ "$(reg_value "$settings" username)" = customer1 ]'

echo "== install over an installation with a stored user name"
wine "$(wine winepath.exe -w "$setup" | tr -d '\r')" /S
wine reg.exe add "$settings" /v password /d secret /f >/dev/null
wine reg.exe add "$settings" /v UpdatePage /d http://old.example/ /f >/dev/null
# What an older release left staged would be installed over this one at the
# next exit: a staged file, a cut-off swap's journal and the backup it
# names, the marker of a set being staged, the log-on entry.
run_once='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
echo older > "$install/Tovrin.exe.uok"
echo older > "$install/_tils.dll"
printf 'Utils.dll.uok\t_tils.dll\r\n' | iconv -t UTF-16LE > "$install/switcher.journal"
mkdir -p "$install/Update"
: > "$install/Update/Staging.pending"
wine reg.exe add "$run_once" /v TovrinSwitcher /d switcher.exe /f >/dev/null
earlier_staging_cleared() {
  [ ! -e "$install/Tovrin.exe.uok" ] && [ ! -e "$install/_tils.dll" ] && [ ! -e "$install/switcher.journal" ] &&
    [ ! -e "$install/Update/Staging.pending" ] && [ -z "$(reg_value "$run_once" TovrinSwitcher)" ]
}
check "second install over the first exits with 0" 'wine "$(wine winepath.exe -w "$setup" | tr -d "\r")" /S'
check "what an older release left staged is cleared" earlier_staging_cleared
check "files in place" all_present
check "user name and password kept" '[ "$(reg_value "$settings" username)" = customer1 ] &&
  [ "$(reg_value "$settings" password)" = secret ]'
check "provider's update page written again" '[ "$(reg_value "$settings" UpdatePage)" = "$update_page" ]'

echo "package test: $failures failure(s); screenshot in $work/screenshots"
[ $failures -eq 0 ]
