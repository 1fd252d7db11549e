#!/bin/bash
# Checks Praxel.dll's surface: the data model, the stack instances, the
# manifest reader and VersionHandler are exported; the XML parser linked into
# it is not; it imports Utils.dll and otherwise only system DLLs.
#   check-praxel-exports.sh OBJDUMP Praxel.dll
set -euo pipefail
objdump=${1:?objdump}
dll=${2:?Praxel.dll}

dump=$("$objdump" -p "$dll")
exports=$(printf '%s\n' "$dump" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]\+\(.*\)$/\1/p' |
  awk '{print $NF}' | c++filt)

status=0
required=(
  'Update::Property::Property()' 'Update::Property::operator=(Update::Property const&)'
  'Update::Property::GetName() const' 'Update::Property::GetValue() const'
  'Update::File::SetVersion(char const*)' 'Update::File::SetSize(char const*)'
  'Update::Entity::Entity(Update::Entity const&)' 'Update::Entity::AddFile(Update::File const&)'
  'Update::PropertyStack::PropertyStack()' 'Update::PropertyStack::~PropertyStack()'
  'Update::EntityStack::EntityStack()' 'Update::EntityStack::~EntityStack()'
  'SimpleStack<Update::Property>::Pop()' 'SimpleStack<Update::Property>::GetSize() const'
  'SimpleStack<Update::Entity>::Pop()' 'SimpleStack<Update::File>::ItemAt(unsigned int) const'
  'Update::GetFileAndParse(char const*, char const*, char const*, Update::PropertyStack&, Update::EntityStack&)'
  'Update::ParseXML(char const*, Update::PropertyStack&, Update::EntityStack&)'
  'VersionHandler::AsVersionHandler(char const*)' 'VersionHandler::ToString() const')
for name in "${required[@]}"; do
  if ! grep -qxF "$name" <<< "$exports"; then
    echo "not exported: $name" >&2
    status=1
  fi
done

if grep -E 'Xml(Document|Internal|Token|Scanner)|ElementRecord' <<< "$exports" >&2; then
  echo "the XML parser must stay inside the library" >&2
  status=1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
if ! grep -qx 'UTILS.DLL' <<< "$imports"; then
  echo "Utils.dll is not linked at load time" >&2
  status=1
fi
allowed='^(UTILS|ADVAPI32|BCRYPT|KERNEL32|MSVCRT|USER32|UCRTBASE|VERSION|API-MS-WIN-[A-Z0-9-]+)\.DLL$'
while read -r name; do
  [ -n "$name" ] || continue
  if ! [[ $name =~ $allowed ]]; then
    echo "unexpected import: $name" >&2
    status=1
  fi
done <<< "$imports"

if [ $status -eq 0 ]; then
  echo "Praxel.dll: $(wc -l <<< "$exports") exports; imports: $(echo $imports)"
fi
exit $status
