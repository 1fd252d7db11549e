#!/bin/bash
# Session-end figures of the real dialler under Wine: the time from
# WM_QUERYENDSESSION until the process could be ended with nothing lost
# (switcher's log-on entry written and switcher started), idle, connected,
# and connected on a line whose hang-up takes 8 s; also when the end of the
# session was answered. Runs the end-of-session UI test N times (default 5)
# and prints the median and the worst of each.
#   tools/bench-session-end.sh [N]     TOVRIN_BUILD_DIR selects the build root
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${TOVRIN_BUILD_DIR:-$root/build}/x86_64"
runs=${1:-5}
cmake --build "$build" -j2 --target dialler_ui_test >/dev/null || exit 1

lines=$(mktemp)
trap 'rm -f "$lines"' EXIT
for _ in $(seq "$runs"); do
  GTEST_FILTER='EveryState/EndOfSession.*' \
    ctest --test-dir "$build" -R '^dialler_ui_test$' --output-on-failure -V | grep -o 'session-end: .*' >>"$lines"
done

python3 - "$lines" <<'PY'
import re, statistics, sys
figures = {}
for line in open(sys.argv[1]):
    m = re.match(r"session-end: (\S+) nothing-lost-after=(\d+) ms answered=\d after=(\d+) ms", line)
    if m:
        figures.setdefault(m.group(1), []).append((int(m.group(2)), int(m.group(3))))
print(f"{'state':<12} {'runs':>4}  {'nothing lost after, ms':>24}  {'answered after, ms':>20}")
for state in ["idle", "dialling", "tray", "box", "question", "slow-hangup"]:
    runs = figures.get(state, [])
    if not runs:
        continue
    safe = [r[0] for r in runs]
    done = [r[1] for r in runs]
    print(f"{state:<12} {len(runs):>4}  {statistics.median(safe):>10.0f} (max {max(safe):>6})  "
          f"{statistics.median(done):>8.0f} (max {max(done):>6})")
PY
