# A host that never answers the request: while the call still waits, zpos shows
# where (the first NAK goes out 10 s in) and the records logged; the host's close ends it.
start_host PORT --fault silent-after-request
zpos send --port "$PORT" >out 2>/dev/null &
pos=$!
for i in $(seq 300); do grep -q "NAK 1 of 3" out && break; sleep 0.1; done
grep -E "request record|ENQ_RECV|~ waiting for the host's reply, NAK 1 of 3|^-- response" out | sed -E 's/^  \| [0-9]+ s +/  | /; s/, [0-9]+ s$//' | uniq
stop_hosts
wait $pos
echo "[exit $?]"
grep -E "recv err|response record|^-- result" out | tidy
