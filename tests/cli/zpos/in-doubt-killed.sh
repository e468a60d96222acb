# A POS killed after an approval, before its Zelta_Ack or while it waits for
# the EOT: in-doubt lists it from the log that process left.
killed() {
    local fault=$1 session=$2 at=$3 i
    rm -rf Logs
    start_host PORT --fault "$fault"
    printf "$session" >sale.session
    zpos session sale.session --port "$PORT" >pos.out 2>&1 &
    for i in $(seq 300); do grep -q "$at" pos.out && break; sleep 0.1; done
    kill -9 $!
    wait $! 2>/dev/null
    status zpos in-doubt 2>/dev/null | sed -E 's/^[0-9]{6} [0-9:]{8}/YYMMDD hh:mm:ss/; s/from [0-9]{6} on/from YYMMDD on/; s/\([0-9] daily logs?\)/(N daily logs)/'
}
killed none 'send --amount 30000 --pos-echo sale-0001\nwait 30\nack\n' "== wait 30000 ms"
killed no-eot 'send --amount 30000 --pos-echo sale-0001\nack\n' "ACK SEND"
