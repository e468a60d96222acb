# A scenario as zpos meets it: each connection its own fault and reply delay (the
# last for every later one; the command line's fault wins), the first matching rule,
# warnings of texts too long in CP949, every frame recorded; SIGTERM ends a host cleanly.
cat >s.scenario <<'END'
# a comment
fault no-eot 3
reply-delay 0,0,100
gap 20
management off
decline card 5410 사용불가
decline amount 20000
approve code D1 OK
approve any 정상승인정상승인됨
approval 87654321
issuer 0200 신한카드1
record host.rec
END
printf 'service download\nanswer 0000 FILE 1\nrecord download.rec\n' >download.scenario
start_host PORT --fault wrong-third-byte,repeat-enq,none --scenario s.scenario
start_host DLPORT --scenario download.scenario
tidy <host-PORT.out
# Each result text and acquirer name shows once.
{
    for options in "" "" "--track 5410123456789012=2812101" "--amount 30000" \
        "--kind 21 --keyed --track 8001011234567"; do
        zpos send --port "$PORT" $options
    done
    zpos download --port "$DLPORT" --request Hi
} 2>/dev/null | calls "resp_code|acquirer_name|auth_no|message" | grep -v '^-- verdict' |
    awk '!/^(-- result|  acquirer_name)/ || !seen[$0]++'
# The requests' frames change with the time; the control frames do not.
sed -E 's/ port=[0-9]+//' host.rec | awk '!/^[CH]> / || NF <= 4'
cat download.rec
kill "$host_pid"
wait "$host_pid"
echo "[exit $?] after SIGTERM"
