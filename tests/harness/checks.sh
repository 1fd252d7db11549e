# Sourced by the script tests (tools/tests.d): named checks and bounded waits.
#   check NAME CONDITION      prints ok or FAILED and counts the failures
#   wait_for CONDITION        waits until a shell condition holds, at most
#                             wait_seconds (60 unless the script sets it)
failures=0
wait_seconds=60
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
wait_for() {
  local tries=$((wait_seconds * 5))
  for _ in $(seq "$tries"); do eval "$1" && return 0; sleep 0.2; done
  return 1
}
