# An installed zpos (bind-mounted onto /usr/src in a user and mount
# namespace) keeps the library's files in the user's state folder.
[ -d /usr/src ] && unshare -rm true 2>/dev/null || exit 77
start_host PORT
mkdir own
cp "$(command -v zpos)" own/
for state in "" "$PWD/state"; do
    echo "== XDG_STATE_HOME '${state/$PWD/<tmp>}'"
    env -u ZPOS_APP_DIR XDG_STATE_HOME="$state" unshare -rm sh -c \
        'mount --bind "$0" /usr/src && exec /usr/src/zpos "$@"' "$PWD/own" send --port "$PORT" 2>&1 >/dev/null
    ls -d "${state:-$HOME/.local/state}"/zposapp/Logs
done
