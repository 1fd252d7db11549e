#!/bin/bash
# Runs one Windows program of the test run under wine64, in the run's session
# (see wine-session.sh). TOVRIN_WINE_SESSION names the session directory.
set -eu
dir=${TOVRIN_WINE_SESSION:?TOVRIN_WINE_SESSION is not set}
export WINEDEBUG=${WINEDEBUG:--all}
export WINELOADER=/usr/lib/wine/wine64
export WINEPREFIX=$dir/prefix
if [ -s "$dir/display" ]; then
  DISPLAY=$(cat "$dir/display")
  export DISPLAY
fi
exec "$WINELOADER" "$@"
