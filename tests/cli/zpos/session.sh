# tools/zpos/example.session in one process: an approval and its Zelta_Ack,
# a decline, a wait, a download.
start_host PORT --scenario "$SOURCE/tools/host/example.scenario"
start_host DLPORT --download
zpos session "$SOURCE/tools/zpos/example.session" --port "$PORT" --download-port "$DLPORT" | calls | grep -vE '^-- (result|verdict)'
