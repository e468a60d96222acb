# `zpos log` over the day's log of an approval and its Zelta_Ack: records field by
# field as logged (the track hidden around its '='; two fields kept here), the
# link as a timeline with each line's meaning.
start_host PORT
zpos send --port "$PORT" --ack >/dev/null
zpos log | awk '!/^  [a-z_0-9]+ +[0-9]+ +[0-9]+  \[/ || /^  (track2|resp_code) /' | tidy | sed -E 's/AppLog\.[0-9]{6}/AppLog.YYMMDD/; s/^[0-9]{2}:[0-9]{2}:[0-9]{2}  \+[0-9]+ s +/hh:mm:ss  +N s  /; s/^== [0-9:]{8} /== hh:mm:ss /'
