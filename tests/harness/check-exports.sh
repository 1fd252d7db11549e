#!/bin/bash
# Checks a DLL's surface, read from the binary with objdump (no Wine needed):
# the names it exports, and that it imports only the DLLs it may.
#   check-exports.sh OBJDUMP DLL SURFACE
# SURFACE is a text file beside the DLL's tests, one rule a line ('#' starts
# a comment):
#   exactly          the exports listed must be all there is (else at least)
#   export NAME      an export, demangled as c++filt prints it
#   hidden REGEX     no export may match (what must stay inside)
#   needs NAME.DLL   an import that must be there
#   imports REGEX    the DLLs it may import, matched against upper-case names
set -euo pipefail
objdump=${1:?objdump}
dll=${2:?DLL}
surface=${3:?surface file}
name=$(basename "$dll")

exact=0 hidden= allowed=
wanted=() needed=()
while IFS= read -r line || [ -n "$line" ]; do
  line=${line%%#*}
  line=${line%"${line##*[![:space:]]}"}
  [ -n "$line" ] || continue
  case $line in
    exactly) exact=1 ;;
    export\ *) wanted+=("${line#export }") ;;
    hidden\ *) hidden=${line#hidden } ;;
    needs\ *) needed+=("${line#needs }") ;;
    imports\ *) allowed=${line#imports } ;;
    *) echo "$surface: not understood: $line" >&2; exit 2 ;;
  esac
done < "$surface"
[ -n "$allowed" ] || { echo "$surface: no 'imports' rule" >&2; exit 2; }

dump=$("$objdump" -p "$dll")
# Rows of the export name table look like "  [   0] +base[   1] 0000 Name".
exports=$(printf '%s\n' "$dump" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]\+\(.*\)$/\1/p' |
  awk '{print $NF}' | c++filt | sort)

status=0
if [ $exact = 1 ]; then
  expected=$(printf '%s\n' "${wanted[@]}" | sort)
  if [ "$exports" != "$expected" ]; then
    echo "$name: exports differ from the ${#wanted[@]} expected:" >&2
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$exports") >&2 || true
    status=1
  fi
else
  for export in "${wanted[@]}"; do
    if ! grep -qxF "$export" <<< "$exports"; then
      echo "$name: not exported: $export" >&2
      status=1
    fi
  done
fi
if [ -n "$hidden" ] && grep -E "$hidden" <<< "$exports" >&2; then
  echo "$name: the exports above must stay inside the library" >&2
  status=1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
if [ -z "$imports" ]; then
  echo "$name: no imports found: objdump output not understood" >&2
  status=1
fi
for import in "${needed[@]}"; do
  if ! grep -qixF "$import" <<< "$imports"; then
    echo "$name: $import is not linked at load time" >&2
    status=1
  fi
done
while read -r import; do
  [ -n "$import" ] || continue
  if ! [[ $import =~ ^($allowed)$ ]]; then
    echo "$name: unexpected import: $import" >&2
    status=1
  fi
done <<< "$imports"

if [ $status -eq 0 ]; then
  echo "$name: $(wc -l <<< "$exports") exports; imports: $(echo $imports)"
fi
exit $status
