# An edit waits for the lock file the library holds while it edits
# (ZposSign.ini.lock), so neither loses the other's write.
printf '[VANCFG]\nVANID=1\n' >ZposSign.ini
flock ZposSign.ini.lock sh -c 'sleep 1; echo "lock released" >>order' &
sleep 0.3
zpos settings --set EOT_CNT=1 >/dev/null
echo "zpos edited" >>order
wait
cat order ZposSign.ini
