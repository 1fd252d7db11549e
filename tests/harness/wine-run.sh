#!/bin/bash
# Runs one Windows program of the test run under wine64, in the run's session
# (see wine-session.sh). TOVRIN_WINE_SESSION names the session directory.
set -eu
dir=${TOVRIN_WINE_SESSION:?TOVRIN_WINE_SESSION is not set}
. "$(dirname "$0")/wine-env.sh"
if [ -s "$dir/display" ]; then
  DISPLAY=$(cat "$dir/display")
  export DISPLAY
fi
# Programs the test starts (the dialler's companions, a browser, a service
# Wine restarts) inherit the output it is given. They must not get the
# caller's pipe: ctest would wait for them long after the test has ended. So
# the output goes through a file, shown once the program has exited.
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
set +e
"$WINELOADER" "$@" > "$out" 2>&1 < /dev/null
status=$?
set -e
cat "$out"
exit $status
