# The demo: every transaction against zpos-host children, then its
# temporary folder is gone.
zpos demo >demo.out
echo "[exit $?]"
dir=$(sed -n 's#^settings:  \(.*\)/ZposSign.ini$#\1#p' demo.out)
grep -E "^(host|log|settings|\(add)|^(==|-- (Zelta_Ack|answer))|^  resp_code " demo.out |
    sed -E -e 's/127\.0\.0\.1:[0-9]+/127.0.0.1:PORT/g' -e "s#$dir#DIR#"
[ -e "$dir" ] && echo "DIR is still there" || echo "DIR is gone"
