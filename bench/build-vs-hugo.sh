#!/bin/sh
# Builds a site from 1,000 content files with `zarvik-cli build`, and the same text cut into as
# many pages as Zarvik made, each with a menu of all pages, with Debian's hugo; prints both times
# (best of three) and their ratio. Works in a tmpfs folder when there is one.
#
#   bench/build-vs-hugo.sh [BUILD_DIR [WORK_DIR]]
# BUILD_DIR is an optimised build with zarvik-cli (made with the cli preset when missing).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build/cli}
base=/dev/shm
[ -d "$base" ] || base=${TMPDIR:-/tmp}
work=${2:-$base/zarvik-hugo-bench}
pages=1000

command -v hugo >/dev/null || { echo "hugo is not installed (apt-get install hugo)" >&2; exit 1; }
if [ ! -x "$build/cli/zarvik-cli" ]; then
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVIK_BUILD_GUI=OFF \
        -DZARVIK_BUILD_TESTS=OFF -DZARVIK_BUILD_BENCH=OFF
    cmake --build "$build" --target zarvik-cli
fi
cli=$build/cli/zarvik-cli

rm -rf "$work"
mkdir -p "$work/content" "$work/zarvik" "$work/hugo/content" "$work/hugo/layouts/_default"
# 1,000 content files of 4,500 bytes of Windows-1251 text.
python3 - "$work" "$pages" <<'EOF'
import os, random, sys
work, pages = sys.argv[1], int(sys.argv[2])
rng = random.Random(99)
letters = [bytes([0xE0 + i]) for i in range(32)]
with open(os.path.join(work, "links.txt"), "w") as f:
    for i in range(3 * pages):
        f.write("http://example.ru/catalog/item%d.html\n" % i)
for n in range(pages):
    out = bytearray()
    while len(out) < 4500:
        word = b"".join(rng.choice(letters) for _ in range(rng.randint(2, 14)))
        out += word + (b". " if rng.random() < 0.08 else b" ")
    text = bytes(out[:4500])
    with open(os.path.join(work, "content", "part%04d.txt" % n), "wb") as f:
        f.write(text)
EOF
cat > "$work/hugo/hugo.toml" <<'EOF'
baseURL = "http://example.ru/"
title = "Bench"
uglyURLs = true
disableKinds = ["taxonomy", "term", "RSS", "sitemap", "404", "robotsTXT"]
EOF
# Every page lists every page, as a Zarvik menu does.
cat > "$work/hugo/layouts/_default/single.html" <<'EOF'
<!DOCTYPE html>
<html><head><title>{{ .Site.Title }} - {{ .Title }}</title></head><body>
<ul>{{ range .Site.RegularPages }}<li><a href="{{ .RelPermalink }}">{{ .Title }}</a></li>{{ end }}</ul>
{{ .Content }}
</body></html>
EOF
cat > "$work/hugo/layouts/index.html" <<'EOF'
<!DOCTYPE html><html><body>{{ range .Site.RegularPages }}<a href="{{ .RelPermalink }}">{{ .Title }}</a> {{ end }}</body></html>
EOF
cat > "$work/hugo/layouts/_default/list.html" <<'EOF'
<!DOCTYPE html><html><body></body></html>
EOF

best() {
    best_time=
    for round in 1 2 3; do
        rm -rf "$work/out" && mkdir -p "$work/out"
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        t=$(echo "$end - $start" | bc)
        if [ -z "$best_time" ] || [ "$(echo "$t < $best_time" | bc)" = 1 ]; then best_time=$t; fi
    done
    echo "$best_time"
}

make_hugo_pages() {
    # The same text, in UTF-8, cut into $1 pages.
    python3 - "$work" "$1" <<'EOF'
import glob, os, sys
work, count = sys.argv[1], int(sys.argv[2])
text = b"".join(open(p, "rb").read() for p in sorted(glob.glob(os.path.join(work, "content", "part*.txt"))))
size = len(text) // count
for n in range(count):
    with open(os.path.join(work, "hugo", "content", "page%05d.md" % n), "w", encoding="utf-8") as f:
        f.write('+++\ntitle = "Page %d"\nweight = %d\n+++\n' % (n, n + 1))
        f.write(text[n * size:(n + 1) * size].decode("cp1251") + "\n")
EOF
}

zarvik_time=$(best "$cli" build --content "$work"/content/part*.txt --out "$work/out" \
    --links "$work/links.txt" --seed 1 MinCharsPerPage=4000 MaxCharsPerPage=5000)
zarvik_pages=$(ls "$work/out" | grep -c '\.html$')
zarvik_bytes=$(du -sb "$work/out" | cut -f1)
make_hugo_pages "$zarvik_pages"
hugo_time=$(best hugo --quiet -s "$work/hugo" -d "$work/out")
hugo_pages=$(find "$work/out" -name 'page*.html' | wc -l)
hugo_bytes=$(du -sb "$work/out" | cut -f1)
echo "zarvik-cli build: $zarvik_pages pages, $zarvik_bytes bytes, $zarvik_time s"
echo "hugo:             $hugo_pages pages, $hugo_bytes bytes, $hugo_time s"
echo "hugo / zarvik:    $(echo "scale=1; $hugo_time / $zarvik_time" | bc)"
rm -rf "$work"
