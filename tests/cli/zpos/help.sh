# Help on standard output with status 0: every command's usage once in zpos
# --help, a command's own even after another's option, and what the exit statuses mean.
zpos --help | grep -cE "^  zpos "
zpos --help | grep -E "Exit status"
for c in demo send; do
    zpos "$c" --keep --help | head -1
done
zpos >/dev/null
echo "[exit $?] without a command"
