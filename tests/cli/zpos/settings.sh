# `zpos settings` shows the keys set with their meanings (and what the library
# would cut); --set changes keys and keeps every other line byte for byte.
printf '[VANCFG]\nVANID=2\nTOGGLE_TIME=1733500000    \nEOT_CNT=1\n[SIGNPAD]\nVALUE=HCSX1\n' >ZposSign.ini
zpos settings | grep -v "(not set)"
mkdir other
printf '; written by the installer\n[VANCFG]\nVANID=1\nEOT_CNT=0\nSERVER=primary\n\n[COM_PORT]\nSignSetting=YES\n' \
    >other/ZposSign.ini
status zpos settings --dir other --set EOT_CNT=2 --set vancfg.vanid=2 --set TOGGLE_TIME=1733500000 \
    --set SIGNPAD.CURDATE=261206 >/dev/null
cat other/ZposSign.ini
# Line breaks as the file has them, one added where the last line lacks its own.
printf '[VANCFG]\r\nVANID=1' >other/ZposSign.ini
zpos settings --dir other --set EOT_CNT=1 --set PIN=NO >/dev/null
od -c other/ZposSign.ini
