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
. "$(dirname "$0")/start_host.sh"
trap 'stop_hosts; rm -rf "$work"' EXIT

start_zpos_host "$host" "$work/link.out" --scenario "$scenario" || exit 1
export ZPOS_HOST_PORT=$port
start_zpos_host "$host" "$work/download.out" --download || exit 1
export ZPOS_DOWNLOAD_PORT=$port
args=()
for a in "$@"; do
  if [ "$a" = @PORT@ ]; then args+=("$ZPOS_HOST_PORT"); else args+=("$a"); fi
done
"${args[@]}"
