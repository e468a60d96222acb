# Help on standard output with status 0: each command's usage, the defaults
# it shows, and what the exit statuses mean.
zpos --help | grep -E "^  zpos |Defaults|Exit status"
for c in demo send points ack download session log in-doubt decode settings; do
    zpos "$c" --keep --help | head -1
done
zpos >/dev/null
echo "[exit $?] without a command"
