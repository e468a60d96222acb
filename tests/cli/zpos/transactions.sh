# Each transaction against zpos-host: the request and the response field by
# field (card numbers masked), the result and its verdict; --raw keeps the
# response as the library handed it back. Each result and verdict text shows once.
start_host PORT --scenario "$SOURCE/tools/host/example.scenario"
run() {
    local fields=$1
    shift
    zpos "$@" --port "$PORT" --raw r.dat | calls "$fields"
    echo "[exit $?] raw resp_code $(head -c 59 r.dat | tail -c 4)"
}
{
    run "msg_type|term_id|install_months|tran_amt|track2|card_data|issuer_name|auth_no|message" \
        send --amount 30000 --months 3 --term-id 1200000077 --ack
    run "resp_code|message" send --track 5410123456789012=2812101 --amount 45000 --ack
    run "entry_mode|track2" send --kind 21 --keyed --track 8001011234567
    run "pt_track2|pt_amt" points --sub 01 --amount 5000
    run "msg_type|pt_sub|pt_org_auth_no|pt_org_auth_date" points --sub 11 --org-auth 12345678 --org-date 261206
    run resp_code send --kind 99
} | awk '!/^-- (result|verdict)/ || !seen[$0]++'
