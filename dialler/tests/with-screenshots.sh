#!/bin/bash
# Runs CMD ARGS... beside a watcher that photographs the test run's display
# whenever the test asks: the test writes NAME.want into
# $TOVRIN_SCREENSHOT_REQUESTS, the watcher saves $TOVRIN_SCREENSHOT_DIR/NAME.png
# and removes the request.
set -u
requests=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-shots.XXXXXX") || exit 1
export TOVRIN_SCREENSHOT_REQUESTS=$requests
out=${TOVRIN_SCREENSHOT_DIR:?TOVRIN_SCREENSHOT_DIR is not set}
mkdir -p "$out"
display=$(cat "${TOVRIN_WINE_SESSION:?}/display")

(
  while :; do
    for want in "$requests"/*.want; do
      [ -e "$want" ] || continue
      name=$(basename "$want" .want)
      import -display "$display" -window root "$out/$name.png" 2>/dev/null
      rm -f "$want"
    done
    sleep 0.2
  done
) &
watcher=$!
trap 'kill $watcher 2>/dev/null; rm -rf "$requests"' EXIT

"$@"
