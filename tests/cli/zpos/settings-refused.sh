# A refused --set names the problem, exits 2 and writes nothing.
printf '[VANCFG]\nVANID=1\nEOT_CNT=0\n' >ZposSign.ini
cp ZposSign.ini before
while read -r line; do
    eval "set -- $line"
    args=()
    for a in "$@"; do args+=(--set "$a"); done
    refused zpos settings "${args[@]}"
done <<'CASES'
FOO=1
BAR.VANID=1
COM_PORT.VANID=1
VANID
VANID=3
EOT_CNT=100
TOGGLE_TIME=soon
PIN=yes
CURDATE=2612
VALUE=HCS-12
EOT_CNT=2 VANID=9
CASES
cmp before ZposSign.ini && echo "ZposSign.ini unchanged"
