#!/bin/bash
# One Wine session per test run: a fresh prefix (so the registry starts empty)
# and one Xvfb display that every Windows program of the run shares.
#   wine-session.sh start DIR   make DIR/prefix, start Xvfb, boot the prefix
#                               (TOVRIN_USE_DISPLAY=:N uses that display instead;
#                               TOVRIN_WINE_32BIT=1 sets up 32-bit programs too)
#   wine-session.sh stop DIR    stop this prefix's wineserver and the Xvfb
set -euo pipefail
action=${1:?start or stop}
dir=${2:?session directory}
export WINEDEBUG=-all
# Starting decides the session's kind; stopping reads it from the session.
[ "$action" = start ] && export TOVRIN_WINE_32BIT=${TOVRIN_WINE_32BIT:-0}
. "$(dirname "$0")/wine-env.sh"

stop_session() {
  if [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
  rm -f "$dir/display"
}

# Xvfb picks a free display itself and tells us its number.
start_xvfb() {
  exec 3> "$dir/display.tmp"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  echo $! > "$dir/xvfb.pid"
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$dir/display.tmp" ] && break
    sleep 0.1
  done
  [ -s "$dir/display.tmp" ] || { echo "Xvfb did not start" >&2; exit 1; }
  echo ":$(tr -d '\n' < "$dir/display.tmp")" > "$dir/display"
  rm -f "$dir/display.tmp"
}

case $action in
start)
  mkdir -p "$dir"
  stop_session
  rm -rf "$WINEPREFIX" "$dir/runs-32-bit"
  if [ "$TOVRIN_WINE_32BIT" = 1 ]; then touch "$dir/runs-32-bit"; fi
  if [ -n "${TOVRIN_USE_DISPLAY:-}" ]; then
    # Show the programs on a display the user already has.
    echo "$TOVRIN_USE_DISPLAY" > "$dir/display"
  else
    start_xvfb
  fi
  export DISPLAY=$(cat "$dir/display")
  # A persistent wineserver keeps the prefix's services up for the whole run.
  # They must be started here, with output to /dev/null: a service started by
  # a test would inherit the test's output pipe and ctest would wait on it.
  mkdir -p "$WINEPREFIX"
  setsid "$WINESERVER" -p >/dev/null 2>&1 < /dev/null
  "$WINELOADER" wineboot.exe --init >/dev/null 2>&1 < /dev/null
  "$WINELOADER" cmd.exe /c exit >/dev/null 2>&1 < /dev/null
  # No test may start a real browser: web addresses open with a command that
  # does nothing. Tests that look at what is opened set their own and put
  # this one back.
  for class in http https htmlfile; do
    "$WINELOADER" reg.exe add "HKCR\\$class\\shell\\open\\command" /ve /d \
      '"C:\windows\system32\cmd.exe" /c exit "%1"' /f >/dev/null 2>&1 < /dev/null
  done
  echo "wine session ready: prefix $WINEPREFIX, display $DISPLAY"
  ;;
stop)
  stop_session
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
