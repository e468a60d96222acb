#!/usr/bin/env bash
# Runs a POS command against zpos-host: a host link with SCENARIO and a
# download server, each on a free loopback port, stopped again when the command
# ends. The command sees their ports in ZPOS_HOST_PORT and ZPOS_DOWNLOAD_PORT,
# and an argument @PORT@ becomes the host link's port. Its exit status is the
# command's.
#
#   with_host.sh ZPOS_HOST SCENARIO -- COMMAND [ARG...]
set -uo pipefail
if [ $# -lt 4 ] || [ "$3" != "--" ]; then
  echo "usage: with_host.sh ZPOS_HOST SCENARIO -- COMMAND [ARG...]" >&2
  exit 2
fi
host=$1 scenario=$2
shift 3
work=$(mktemp -d /tmp/zpos-with-host.XXXXXX)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap stop EXIT

. "$(dirname "$0")/start_host.sh"
# start NAME ARG...: starts zpos-host and sets `port` once it listens.
start() {
  local name=$1 started=0
  shift
  start_zpos_host "$host" "$work/$name.out" "$@" || started=1
  pids+=("$host_pid")
  [ $started -eq 0 ] || { echo "with_host.sh: zpos-host did not start" >&2; exit 1; }
}
start link --scenario "$scenario"
link_port=$port
start download --download
download_port=$port
export ZPOS_HOST_PORT=$link_port ZPOS_DOWNLOAD_PORT=$download_port
args=()
for a in "$@"; do
  if [ "$a" = @PORT@ ]; then args+=("$link_port"); else args+=("$a"); fi
done
"${args[@]}"
