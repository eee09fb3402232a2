#!/usr/bin/env bash
# Runs the built zarvik-cli as a user would. Usage: binary-tests.sh ZARVIK_CLI EXAMPLES_DIR CASE
set -uo pipefail
cli=$1
examples=$2
case=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

case "$case" in
help)
    "$cli" --help >"$work/out" 2>"$work/err" || fail "--help exited with $?"
    grep -q '^Использование: zarvik-cli КОМАНДА' "$work/out" || fail "no usage line in --help"
    [ -s "$work/err" ] && fail "--help wrote to stderr"
    "$cli" >/dev/null 2>&1
    [ $? -eq 2 ] || fail "no command should exit with 2"
    ;;
example)
    mkdir "$work/site"
    "$cli" build --content "$examples"/content/*.txt --links "$examples/links.txt" --out "$work/site" \
        --project "$work/example" --seed 1 SiteTitle="Огород без хлопот" \
        MinCharsPerPage=1500 MaxCharsPerPage=2500 2>"$work/err" || fail "build exited with $?: $(cat "$work/err")"
    for f in index.html page1.html style.css; do
        [ -s "$work/site/$f" ] || fail "$f was not written"
    done
    grep -q 'Проставлено 20 ссылок из 20' "$work/err" || fail "unexpected messages: $(cat "$work/err")"
    "$cli" show "$work/example.sgp" --json >"$work/json" || fail "show exited with $?"
    grep -q '"Links": 20' "$work/json" || fail "the saved project lost its links"
    ;;
failed-save)
    # A save that cannot complete (here: over the file-size limit) keeps the previous project.
    "$cli" new "$work/p.sgp" || fail "new exited with $?"
    cp "$work/p.sgp" "$work/before.sgp"
    (trap '' XFSZ; ulimit -f 1; exec "$cli" set "$work/p.sgp" SiteTitle=x) 2>"$work/err"
    status=$?
    [ $status -eq 1 ] || fail "set exited with $status"
    grep -q "^error: Cannot create file \"$work/p.sgp\". File too large.$" "$work/err" ||
        fail "unexpected message: $(cat "$work/err")"
    cmp -s "$work/p.sgp" "$work/before.sgp" || fail "the old project file was changed"
    [ "$(ls -A "$work" | sort | tr '\n' ' ')" = "before.sgp err p.sgp " ] || fail "files left behind: $(ls -A "$work")"
    ;;
serve)
    mkdir "$work/site"
    "$cli" build --content "$examples"/content/*.txt --links "$examples/links.txt" --out "$work/site" \
        --project "$work/example" --seed 1 SiteTitle="Огород без хлопот" 2>/dev/null || fail "build exited with $?"
    "$cli" serve "$work/example.sgp" >"$work/out" 2>"$work/err" &
    server=$!
    for _ in $(seq 100); do
        [ -s "$work/out" ] && break
        kill -0 $server 2>/dev/null || fail "serve ended early: $(cat "$work/err")"
        sleep 0.1
    done
    address=$(head -n 1 "$work/out")
    [[ "$address" =~ ^http://127\.0\.0\.1:[0-9]+/[0-9a-f]{32}/index\.html$ ]] || fail "first line: $address"
    base=${address%index.html}
    for f in index.html page1.html style.css; do
        curl -sf -o "$work/$f" "$base$f" || fail "GET $f failed"
        cmp -s "$work/$f" "$work/site/$f" || fail "$f differs from the export"
    done
    # A change of the project file shows on the next request.
    "$cli" set "$work/example.sgp" SiteTitle="Новый огород" 2>/dev/null || fail "set exited with $?"
    curl -sf -o "$work/changed.html" "${base}index.html" || fail "GET after the change failed"
    iconv -f cp1251 -t utf-8 "$work/changed.html" | grep -c "Новый огород" >/dev/null || fail "the change was not served"
    kill -TERM $server
    for _ in $(seq 300); do
        kill -0 $server 2>/dev/null || break
        sleep 0.1
    done
    kill -0 $server 2>/dev/null && fail "serve did not stop on SIGTERM"
    wait $server
    status=$?
    [ $status -eq 0 ] || fail "serve exited with $status: $(cat "$work/err")"
    [ "$(wc -l <"$work/out")" -eq 1 ] || fail "more than the address on stdout"
    ;;
*)
    fail "unknown case $case"
    ;;
esac
