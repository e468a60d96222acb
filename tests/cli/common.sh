# Sourced before every case: zpos-host in the background, stopped at the end.
. "$SOURCE/tests/common/start_host.sh"
trap stop_hosts EXIT

# start_host VAR [OPTION...]: zpos-host on a free port, which VAR then holds.
start_host() {
    local var=$1
    shift
    start_zpos_host zpos-host "host-$var.out" "$@" || exit 99
    printf -v "$var" '%s' "$port"
}

# closed_port: CLOSED, a port nothing listens on (one zpos-host had and gave up).
closed_port() {
    start_host CLOSED
    kill "$host_pid"
    wait "$host_pid" 2>/dev/null
}

# zpos's output without what changes between runs: the hosts' ports, the
# seconds of the waiting lines and the readings of where a call waits.
tidy() {
    local script=() var
    for var in PORT DLPORT CLOSED; do
        [ -n "${!var:-}" ] && script+=(-e "s/\\b${!var}\\b/\$$var/g")
    done
    sed -E "${script[@]}" -e 's/^  \| [0-9]+ s +/  | /' -e '/^  ~ /d'
}

# rec SIZE [OFFSET TEXT]...: SIZE blanks with each TEXT at its OFFSET.
rec() {
    local s
    printf -v s "%$1s" ""
    shift
    while [ $# -gt 0 ]; do
        s="${s:0:$1}$2${s:$(($1 + ${#2}))}"
        shift 2
    done
    printf '%s' "$s"
}

# Runs its arguments, then shows their exit status.
status() {
    "$@"
    echo "[exit $?]"
}

# The same on one line, with standard error but not zpos's application directory.
refused() {
    local said
    said=$("$@" 2>&1 | sed '/^zpos: application directory /d')
    echo "[$?] $said"
}

# The calls, results and verdicts of zpos's output, and the fields named.
calls() {
    local fields=${1:-resp_code}
    grep -E "^(==|>>|-- (result|verdict|answer|Zelta_Ack)|session:)|^  ($fields) " | tidy
}
