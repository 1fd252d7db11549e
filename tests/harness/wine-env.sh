# Sourced by wine-session.sh and wine-run.sh: the loader, the prefix and the
# emulator settings of one session.
#   dir                   the session directory (set by the caller)
#   TOVRIN_WINE_32BIT=1   at its start: a session that runs 32-bit programs
#                         too; DIR/runs-32-bit keeps that for its programs
export WINEDEBUG=${WINEDEBUG:--all}
# Called by path: /usr/bin/wine starts the 32-bit loader once wine32 is
# installed, and the /usr/bin links come from the "wine" package's alternatives.
export WINELOADER=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX=$dir/prefix
if [ -z "${TOVRIN_WINE_32BIT:-}" ] && [ -e "$dir/runs-32-bit" ]; then
  TOVRIN_WINE_32BIT=1
fi
if [ "${TOVRIN_WINE_32BIT:-0}" = 1 ]; then
  # 32-bit programs run under user-mode emulation (tools/x86-emulation.sh).
  # Without this reservation the 32-bit loader cannot map the shared user
  # data at its fixed address (status c0000018).
  export QEMU_RESERVED_VA=0xf7000000
  unset QEMU_CPU
else
  # A 64-bit session never starts a 32-bit process: booting a prefix would
  # otherwise set up its 32-bit half under emulation, a minute or more each
  # time. Naming a processor the emulator does not have makes every 32-bit
  # start fail at once.
  export QEMU_CPU=no-32-bit-programs-in-this-session
  unset QEMU_RESERVED_VA
fi
