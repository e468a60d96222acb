# A download's answer; a download with no server fails.
start_host DLPORT --download
zpos download --port "$DLPORT" --request TABLES | tidy
echo "[exit $?]"
closed_port
zpos download --port "$CLOSED" --request X | tidy
echo "[exit $?]"
