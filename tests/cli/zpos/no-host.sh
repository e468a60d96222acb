# No host listening: no connection, exit 1, and what to check.
closed_port
zpos send --port "$CLOSED" | calls
echo "[exit $?]"
