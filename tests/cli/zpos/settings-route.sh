# What `zpos settings` writes is what the library reads when zpos calls it:
# the backup route just taken keeps the card from the host (and zpos warns
# of it); taken long ago, the card goes to the host; failures counted warn.
start_host PORT --record frames.rec
send() {
    rm -f frames.rec
    zpos send --port "$PORT" 2>&1 >/dev/null | sed -E '/application directory/d; s/for [0-9]+ s more/for N s more/'
    [ -s frames.rec ] && echo "sent to the host" || echo "not sent to the host"
    zpos settings | grep -E '^  VANCFG +(VANID|EOT_CNT) '
}
zpos settings --set VANID=2 --set TOGGLE_TIME=now >/dev/null
send
zpos settings --set VANID=2 --set TOGGLE_TIME=1000 >/dev/null
send
rm ZposSign.ini
zpos settings --set EOT_CNT=2 >/dev/null
send
