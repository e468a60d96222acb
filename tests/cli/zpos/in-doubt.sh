# in-doubt over daily logs: which approvals the host never got a close for.
# Each case's lines are logged from 23:59:50 on, a day's lines after "|".
card_request=$(rec 240 0 0240 4 till7-0042 27 0200 31 10 45 1200000001 55 S 58 941012345678*********101 115 000030000)
points_request=$(rec 240 0 0240 4 till7-0043 27 0200 31 40 45 1200000001 55 0101 76 9400001234567890=2812 114 000005000)
card_approval=$(rec 450 0 0450 4 till7-0042 27 0210 31 10 55 0000 167 01KOOKMIN 238 12345678)
points_approval=$(rec 450 0 0450 4 till7-0043 27 0210 31 40 55 0000 143 000011112222 158 77OKPOINTS)
decline=$(rec 450 0 0450 27 0210 31 10 55 8324)
eot_ok="EOT RECV [04] OK   count[1] Len[  3] "
case_logs() {
    rm -rf Logs && mkdir Logs
    local day=$1 second=50 line
    shift
    for line in "$@"; do
        case $line in
            "|"*) day=${line#|}; second=50; continue ;;
        esac
        [[ $line =~ ^[a-z_]+$ ]] && line=${!line}  # a record or line named above
        printf '[23:59:%02d] - %s\n' $((second++ % 60)) "$line" >>"Logs/AppLog.$day.txt"
    done
}
check() {
    echo "== $1"
    shift
    case_logs "$@"
    status zpos in-doubt --since "$1"
}
# Lines one check shows as an earlier one did are left out.
{
    # The automatic acknowledgement's EOT closes a decline, never an approval.
    check automatic-ack 261130 card_request card_approval "AUTO ACK SEND" "AUTO ACK EOT RECV [04] OK   count[1] Len[  3] "
    check management-answer 261130 card_request card_approval "ACK SEND" "EOT recv time out" \
        "Connect info2 IP[127.0.0.1], port[10902]" "rtn[3] ENQ_RECV[05]" "MANG ACK SEND"
    check management-not-through 261130 card_request card_approval "ACK SEND" "EOT recv time out" \
        "ENQ read TimeOut err" "MANG req send err"
    # A close is the last approval's; a decline is no approval.
    check close-of-the-last 261130 points_request points_approval card_request card_approval "ACK SEND" eot_ok \
        card_request "resp_code[8324]" decline
    # A sale just before midnight is closed in the next day's log, not days later.
    check after-midnight 261130 card_request card_approval "|261201" "ACK SEND" eot_ok
    check days-later 261130 card_request card_approval "|261202" "ACK SEND" eot_ok
    check backup-route 261130 card_request "BACK UP DLL Return OK" card_approval
    echo "== an agent's folder"
    touch journal.sqlite3
    status zpos in-doubt --dir . 2>&1
} | awk '!/^(approvals in|261130 )/ || !seen[$0]++'
