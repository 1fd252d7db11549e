#!/bin/bash
# Runs CMD ARGS... beside a private provider server and exits with CMD's status.
#   with-provider.sh CMD ARGS...
# The command sees:
#   PROVIDER_PORT      the port on 127.0.0.1
#   PROVIDER_URL       http://127.0.0.1:PORT
#   PROVIDER_ROOT      the served directory (a fresh one unless already set)
#   PROVIDER_ROOT_WIN  the same directory as Wine sees it on drive Z:
# PROVIDER_LOG, when set, is where the server appends its request log.
set -u
if [ $# -eq 0 ]; then
  echo "usage: $0 CMD [ARGS...]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/provider.XXXXXX") || exit 1
server=
command=

# shellcheck disable=SC2317  # called from the EXIT trap
cleanup() {
  # Only after INT or TERM is the command still running.
  if [ -n "$command" ]; then
    kill -TERM "$command" 2>/dev/null
    wait "$command" 2>/dev/null
  fi
  if [ -n "$server" ]; then
    kill -TERM "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -n "${PROVIDER_ROOT:-}" ]; then
  mkdir -p "$PROVIDER_ROOT" || exit 1
  root=$(cd "$PROVIDER_ROOT" && pwd)
else
  # Inside $work, so it goes when the server does.
  root=$work/root
  mkdir "$root"
fi

args=(--root "$root" --port-file "$work/port" --exit-with-parent)
if [ -n "${PROVIDER_LOG:-}" ]; then
  args+=(--log "$PROVIDER_LOG")
fi
"${PYTHON:-python3}" "$here/provider.py" "${args[@]}" &
server=$!

for _ in $(seq 200); do
  [ -s "$work/port" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "with-provider: the provider server did not start" >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -s "$work/port" ]; then
  echo "with-provider: the provider server gave no port within 10 s" >&2
  exit 1
fi

PROVIDER_PORT=$(cat "$work/port")
PROVIDER_URL=http://127.0.0.1:$PROVIDER_PORT
PROVIDER_ROOT=$root
PROVIDER_ROOT_WIN=Z:${root//\//\\}
export PROVIDER_PORT PROVIDER_URL PROVIDER_ROOT PROVIDER_ROOT_WIN

# In the background so that a TERM or INT for this script is acted on at once
# rather than after the command; stdin is handed on explicitly because a
# background command would otherwise read /dev/null.
"$@" <&0 &
command=$!
wait "$command"
status=$?
command=
exit $status
