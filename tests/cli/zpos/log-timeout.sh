# A reply time-out is logged with resp_code Time, and no automatic
# acknowledgement follows it: the meaning shown must not say one does.
{
    echo "[10:00:00] - $(rec 240 0 0240 27 0200 31 10 45 1200000001 55 S 58 941012345678*********101 115 000030000)"
    echo "[10:00:01] - rtn[3] ENQ_RECV[05]"
    echo "[10:00:41] - reply data time out"
    echo "[10:00:41] - resp_code[Time]"
    echo "[10:00:41] - $(rec 450 0 0450 27 0210 31 10 55 Time)"
} >AppLog.261130.txt
zpos log AppLog.261130.txt | grep -A1 "^10:00:41  +41 s  resp_code"
