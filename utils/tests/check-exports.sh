#!/bin/bash
# Checks Utils.dll's surface: exactly the fourteen exported functions and
# imports from system DLLs only (the compiler's runtime must be linked in).
#   check-exports.sh OBJDUMP Utils.dll
set -euo pipefail
objdump=${1:?objdump}
dll=${2:?Utils.dll}

expected="DownloadFile
GetAppSettings
GetHTTPFile
GetLine
GetModemSelection
GetSingleAppSettings
NeedUpdate
RemoveValues
SetAppSettings
SetModemSelection
SetNewVersion
SetSingleAppSettings
StartThreadedFunc
ValidateURL"

dump=$("$objdump" -p "$dll")

# Rows of the export name table look like "  [   0] +base[   1] 0000 Name".
exports=$(printf '%s\n' "$dump" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]\+\(.*\)$/\1/p' |
  awk '{print $NF}' | sort)

status=0
if [ "$exports" != "$expected" ]; then
  echo "exports differ from the fourteen expected:" >&2
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$exports") >&2 || true
  status=1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
if [ -z "$imports" ]; then
  echo "no imports found: objdump output not understood" >&2
  status=1
fi
allowed='^(ADVAPI32|CRYPT32|KERNEL32|MSVCRT|WININET|USER32|VERSION|UCRTBASE|API-MS-WIN-[A-Z0-9-]+)\.DLL$'
while read -r name; do
  [ -n "$name" ] || continue
  if ! [[ $name =~ $allowed ]]; then
    echo "non-system import: $name" >&2
    status=1
  fi
done <<< "$imports"

if [ $status -eq 0 ]; then
  echo "Utils.dll: 14 exports; imports: $(echo $imports)"
fi
exit $status
