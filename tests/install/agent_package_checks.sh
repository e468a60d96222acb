# The installed zposapp-agent package (sourced by scripts/package-tests.sh after
# pos_checks.sh): its user, its unit, a sale through it as that user; after the
# purge nothing left, and the user gone when this run's install made it.
. "$tests/common/start_host.sh"
getent passwd zposapp >/dev/null && agent_user_before=1 || agent_user_before=""

agent_state=/var/lib/zposapp

# curl_agent PATH [CURL OPTION...]: the agent's answer, with its token.
curl_agent() {
  local path=$1
  shift
  curl -sS --max-time 20 -H "Authorization: Bearer $agent_token" "$@" "http://127.0.0.1:$agent_port$path"
}

agent_user() {
  getent passwd zposapp | grep -E "^zposapp:x:[0-9]+:[0-9]+:[^:]*:$agent_state:/usr/sbin/nologin$" &&
    [ "$(id -u zposapp)" -lt 1000 ]
}

# The state directory as StateDirectory= makes it; the agent as User= runs it.
start_installed_agent() {
  local out=$work/agent.out
  $sudo install -d -o zposapp -g zposapp -m 0700 "$agent_state" || return 1
  $sudo setpriv --reuid=zposapp --regid=zposapp --init-groups \
    /usr/bin/zpos-agent --state-dir "$agent_state" --port 0 --payment-host "127.0.0.1:$agent_host_port" >"$out" 2>&1 &
  agent_pid=$!
  for _ in $(seq 50); do
    agent_port=$(sed -n 's|^zpos-agent listening on http://127\.0\.0\.1:\([0-9]*\)$|\1|p' "$out")
    [ -n "$agent_port" ] && break
    sleep 0.1
  done
  [ -n "$agent_port" ] || { cat "$out"; return 1; }
  agent_token=$($sudo cat "$agent_state/agent.token")
}

agent_health() { [ "$(curl_agent /healthz)" = '{"status":"ok"}' ]; }

agent_sale() {
  local id answer
  answer=$(curl_agent /v1/transactions -H "Content-Type: application/json" -d '{"idempotency_key": "package-sale",
    "type": "card_approval", "amount": 1004, "track2": "9410123456789012=2812101", "terminal_id": "1200000001",
    "acknowledge": "auto"}') || return 1
  id=$(sed -n 's/.*"id":"\([^"]*\)".*/\1/p' <<<"$answer")
  [ -n "$id" ] || { echo "$answer"; return 1; }
  for _ in 1 2 3; do
    answer=$(curl_agent "/v1/transactions/$id?wait=10")
    grep -q '"state":"completed"' <<<"$answer" && return 0
  done
  echo "$answer"
  return 1
}

stop_installed_agent() {
  $sudo kill -TERM "$agent_pid" && wait "$agent_pid"
}

check_agent_package() {
  local host_pid port
  check "zposapp-agent: system user zposapp, home $agent_state, no login" agent_user
  check "zposapp-agent: systemd-analyze verify zpos-agent.service where systemd finds it" none eval \
    'systemd-analyze verify "$(dpkg -L zposapp-agent | grep "/systemd/system/zpos-agent\.service$")" 2>&1'
  start_zpos_host /usr/bin/zpos-host "$work/agent-host.out" || { check "zpos-host for the agent" false; return; }
  agent_host_port=$port
  if check "zposapp-agent: zpos-agent starts as zposapp in $agent_state" start_installed_agent; then
    check "zposapp-agent: /healthz" agent_health
    check "zposapp-agent: a sale through the installed agent and zpos-host" agent_sale
    check "zposapp-agent: SIGTERM stops the agent, status 0" stop_installed_agent
  elif [ -n "${agent_pid:-}" ]; then
    $sudo kill "$agent_pid" 2>/dev/null
    wait "$agent_pid" 2>/dev/null
  fi
  kill "$host_pid" 2>/dev/null
  wait "$host_pid" 2>/dev/null
  return 0
}

check_agent_purged() {
  check "zposapp-agent purged: no $agent_state, no enablement of zpos-agent.service" none eval \
    'ls -d "$agent_state" /etc/systemd/system/*/zpos-agent.service /var/lib/systemd/deb-systemd-helper-*/zpos-agent.service* 2>/dev/null'
  [ -n "$agent_user_before" ] || $sudo userdel zposapp 2>/dev/null
}
