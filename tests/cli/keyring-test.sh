#!/usr/bin/env bash
# Runs under dbus-run-session: a publish stores its password in the Secret Service, secret-tool
# reads the same password back, a second publish finds it there, and no file holds it.
# Usage: keyring-test.sh ZARVIK_CLI SERVERS_DIR
set -euo pipefail
cli=$1
servers=$2
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$work/served" "$work/site"
chmod 700 "$XDG_RUNTIME_DIR"
# The daemon ends with the session bus that dbus-run-session made for this script.
printf 'unlock' | gnome-keyring-daemon --unlock --components=secrets >/dev/null || fail "gnome-keyring-daemon did not start"

secret=Keyring-Pw-4471
mkfifo "$work/server-in"
/usr/bin/python3 "$servers/ftp-server.py" "$work/served" anna "$secret" <"$work/server-in" >"$work/server-out" &
server_pid=$!
exec 3>"$work/server-in"
for _ in $(seq 100); do grep -q PORT "$work/server-out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/PORT/ {print $2}' "$work/server-out")
[ -n "$port" ] || fail "the FTP server did not start"

project=$work/p.sgp
"$cli" new "$project"
"$cli" add-page "$project"
"$cli" set "$project" "SavePath=$work/site" --publish-target "ftp://anna@127.0.0.1:$port/www"

ZARVIK_PUBLISH_PASSWORD=$secret "$cli" publish "$project" --yes --save-password >"$work/first.out" 2>&1 \
    || { cat "$work/first.out"; fail "the first publish failed"; }
stored=$(secret-tool lookup protocol ftp host 127.0.0.1 port "$port" user anna) || fail "nothing stored"
[ "$stored" = "$secret" ] || fail "secret-tool read back another password"

# The password now comes from the Secret Service alone.
rm -rf "$work/served/www"
"$cli" publish "$project" --yes >"$work/second.out" 2>&1 || { cat "$work/second.out"; fail "the second publish failed"; }
[ -f "$work/served/www/index.html" ] || fail "the second publish sent nothing"

# Not in any file of the project, the site, HOME's settings or the tool's output. The keyring's
# own file is encrypted.
if grep -rl --exclude-dir=keyrings -- "$secret" "$work/home" "$work/site" "$project" "$work/p.zarvik.json" \
    "$work/first.out" "$work/second.out"; then
    fail "the password reached a file"
fi
grep -rlq -- "$secret" "$HOME/.local/share/keyrings" && fail "the keyring holds the password in clear"
echo "keyring test passed"
