#!/usr/bin/env bash
# Publishes a 2,000-page site over loopback FTPS (TLS 1.2 on both sides: Debian 12's libcurl
# cuts uploads to vsftpd off under TLS 1.3) to vsftpd, first with zarvik-cli, then the same
# files with lftp's mirror -R (one connection each), then once more with zarvik-cli with nothing
# changed, and once after one page's text was edited. Prints the seconds and the throughput of
# each run, and what the last publish sent. Run it with an optimised build
# (the cli preset).
# Usage: bench/publish-vs-lftp.sh ZARVIK_CLI [PAGES]
set -euo pipefail
cli=$(realpath "$1")
pages=${2:-2000}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'exec 3>&-; sleep 0.5; rm -rf "$work"' EXIT

mkfifo "$work/server-in"
/usr/bin/python3 "$here/tests/app/servers/start-server.py" vsftpd "$work/ftps" <"$work/server-in" >"$work/server-out" &
exec 3>"$work/server-in"
mkdir -p "$work/ftps"
for _ in $(seq 200); do grep -q PORT "$work/server-out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/PORT/ {print $2}' "$work/server-out")
fingerprint=$(awk '/FINGERPRINT/ {print $2}' "$work/server-out")

# A text long enough for the pages: the example content repeated.
# A word that stands once, on the first page, for the one-page edit at the end.
{ echo 'Benchmarkmarker.'; for _ in $(seq $((pages / 10))); do cat "$here"/examples/content/*.txt; done; } \
    >"$work/content.txt"
mkdir -p "$work/site"
"$cli" build --content "$work/content.txt" --out "$work/site" --project "$work/p.sgp" --seed 1 \
    MinCharsPerPage=1200 MaxCharsPerPage=1500 >/dev/null 2>&1
files=$(find "$work/site" -type f -not -name '.*' | wc -l)
bytes=$(find "$work/site" -type f -not -name '.*' -printf '%s\n' | awk '{s += $1} END {print s}')
"$cli" set "$work/p.sgp" --publish-target "ftps://anonymous@127.0.0.1:$port/www" --trust-fingerprint "$fingerprint" \
    --tls-max 1.2
echo "site: $files files, $bytes bytes"

seconds() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", b - a}'; }
now() { date +%s.%N; }

start=$(now)
ZARVIK_PUBLISH_PASSWORD=x "$cli" publish "$work/p.sgp" >"$work/first.out" 2>&1 || { cat "$work/first.out"; exit 1; }
end=$(now)
t=$(seconds "$start" "$end")
echo "zarvik-cli first publish: $t s, $(awk -v b="$bytes" -v t="$t" 'BEGIN {printf "%.1f", b / t / 1048576}') MB/s"

start=$(now)
lftp -c "set ssl:verify-certificate no; set ssl:priority NORMAL:-VERS-TLS1.3; set ftp:ssl-force true; set ftp:ssl-protect-data true;
         open -u anonymous,x -p $port 127.0.0.1; mirror -R --parallel=1 --exclude-glob .* $work/site www/lftp" \
    >/dev/null 2>&1
end=$(now)
t=$(seconds "$start" "$end")
echo "lftp mirror -R:           $t s, $(awk -v b="$bytes" -v t="$t" 'BEGIN {printf "%.1f", b / t / 1048576}') MB/s"

# A second publish of the unchanged project: an export that writes nothing, the manifest read,
# nothing sent and no listing of the remote folder.
start=$(now)
ZARVIK_PUBLISH_PASSWORD=x "$cli" publish "$work/p.sgp" >"$work/again.out" 2>&1
end=$(now)
echo "zarvik-cli second publish: $(seconds "$start" "$end") s; $(tail -1 "$work/again.out")"

# One page's text edited: the body is rebuilt (no links, so every other page keeps its bytes),
# then published. Only that page's file may be sent, and the remote folder is not listed.
"$cli" replace "$work/p.sgp" Benchmarkmarker Benchmarkedited >/dev/null
"$cli" distribute-links "$work/p.sgp" >/dev/null 2>&1 || true
start=$(now)
ZARVIK_PUBLISH_PASSWORD=x "$cli" publish "$work/p.sgp" >"$work/edit.out" 2>&1
end=$(now)
echo "zarvik-cli publish after a one-page edit: $(seconds "$start" "$end") s; $(tail -1 "$work/edit.out")"
grep -c 'Benchmarkedited' "$work"/ftps/root/www/*.html | grep -v ':0$' || true
