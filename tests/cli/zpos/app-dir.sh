# The first line on standard error names the folder the library uses, and
# the library writes there: ZPOS_APP_DIR (its trailing slash dropped), else
# zpos's own folder.
start_host PORT
show() {
    "$@" send --port "$PORT" 2>&1 >/dev/null | sed "s#$PWD#<tmp>#g"
    ls -d "$PWD"/*/Logs "$PWD"/Logs 2>/dev/null | sed "s#$PWD#<tmp>#g"
    rm -rf "$PWD"/*/Logs "$PWD"/Logs
}
mkdir named own
echo "== named"
ZPOS_APP_DIR=$PWD/named/ show zpos
echo "== not a folder"
touch file
ZPOS_APP_DIR=$PWD/file show zpos
echo "== its own"
cp "$(command -v zpos)" own/
env -u ZPOS_APP_DIR bash -c "$(declare -f show); PORT=$PORT; show own/zpos"
echo "== named, not there yet: made as the library makes it"
ZPOS_APP_DIR=$PWD/made/new zpos settings 2>/dev/null | head -1
stat -c '%a %n' made made/new
