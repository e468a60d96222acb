# Each transaction against zpos-host: the request and the response field by
# field (card numbers masked), the waiting lines, the result and its verdict;
# --raw keeps the response as the library handed it back.
start_host PORT --scenario "$SOURCE/tools/host/example.scenario"
rm -f zpos-host.rec
run() { zpos "$@" --port "$PORT" --raw r.dat | tidy; echo "[exit $?] raw resp_code $(head -c 59 r.dat | tail -c 4)"; }
run send --amount 30000 --months 3 --term-id 1200000077 --ack
run send --track 5410123456789012=2812101 --amount 45000 --ack
run send --kind 21 --keyed --track 8001011234567
run points --sub 01 --amount 5000
run points --sub 11 --org-auth 12345678 --org-date 261206
run send --kind 99
