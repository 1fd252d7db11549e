#!/bin/bash
# 32-bit Windows programs on this machine: its kernel refuses 32-bit
# executables, so the 32-bit Wine loader runs under qemu's user-mode
# emulation, which binfmt_misc starts for every i386 ELF program.
#   x86-emulation.sh register   (root) register qemu-i386-static for i386 programs
#   x86-emulation.sh check      says whether the 32-bit Wine loader runs, and
#                               why not; exits non-zero when it does not
set -uo pipefail
binfmt=/proc/sys/fs/binfmt_misc
qemu=/usr/bin/qemu-i386-static
loader32=/usr/lib/wine/wine
# The i386 ELF header: class 32-bit, little-endian, type executable or
# shared object (the mask lets both through), machine 3.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

fail() { echo "x86 emulation: $*" >&2; exit 1; }

registered() { grep -qs "^interpreter $qemu" "$binfmt"/qemu-i386 && grep -qs '^enabled' "$binfmt"/qemu-i386; }

register() {
  [ -x "$qemu" ] || fail "$qemu is missing (Debian package qemu-user-static)"
  if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
      fail "cannot mount binfmt_misc on $binfmt (needs root, and a kernel with binfmt_misc)"
  fi
  registered && return 0
  # An entry of that name for another interpreter is replaced.
  [ -e "$binfmt/qemu-i386" ] && echo -1 > "$binfmt/qemu-i386"
  # F: the kernel opens the emulator now, so it works in any mount namespace.
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" > "$binfmt/register" 2>/dev/null ||
    fail "the kernel refused the registration in $binfmt/register (needs root)"
  registered || fail "registered, but $binfmt/qemu-i386 is not enabled"
}

check() {
  [ -e "$binfmt/register" ] || fail "binfmt_misc is not mounted on $binfmt: run tools/install-deps.sh as root"
  registered || fail "no qemu-i386-static entry in $binfmt: run tools/install-deps.sh as root"
  [ -x "$loader32" ] || fail "$loader32 is missing (Debian package wine32:i386)"
  local version
  version=$("$loader32" --version 2>&1) || fail "the 32-bit Wine loader does not start: $version"
  echo "x86 emulation: $version runs under $qemu"
}

case ${1:-} in
  register) register ;;
  check) check ;;
  *) echo "usage: $0 register|check" >&2; exit 2 ;;
esac
