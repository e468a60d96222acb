# The scenario is read after every option, so the command line's fault wins
# wherever it stands; the scenario's reply delay stays. SIGTERM ends it cleanly.
printf 'fault no-eot\nreply-delay 100\n' >s.scenario
start_host PORT --fault no-enq,none --scenario s.scenario
tidy <host-PORT.out
kill "$host_pid"
wait "$host_pid"
echo "[exit $?] after SIGTERM"
