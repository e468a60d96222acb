# No host or download server listening: no connection, exit 1, and what to check.
closed_port
zpos send --port "$CLOSED" | calls
echo "[exit $?]"
zpos download --port "$CLOSED" --request X | tidy
echo "[exit $?]"
