# Sourced by the scripts that run zpos-host beside what they test.
#
# start_zpos_host ZPOS_HOST OUTPUT [OPTION...]: starts zpos-host on a free
# loopback port with its output in OUTPUT, sets `host_pid` and adds it to
# `host_pids`; once it listens (at most five seconds) sets `port` and returns
# 0, else shows its output on standard error and returns 1.
host_pids=()
start_zpos_host() {
  local host=$1 out=$2
  shift 2
  port=""
  "$host" --port 0 "$@" >"$out" 2>&1 &
  host_pid=$!
  host_pids+=("$host_pid")
  for _ in $(seq 50); do
    # The host's shell opens its output file: it may not be there yet.
    port=$(sed -n 's/^zpos-host listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out" 2>/dev/null || true)
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  cat "$out" >&2
  return 1
}

# Stops every host started.
stop_hosts() { for pid in "${host_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done; }
