#!/bin/sh
# Makes, once, the big project the desktop benchmarks open: content generated for CONTENT_PAGES
# pages of 4,000 to 5,000 characters, links distributed and exported with the project saved
# afterwards, so that every page carries its body, menu and pagination bar.
#
#   bench/exported-project.sh ZARVIK_CLI WORK_DIR CONTENT_PAGES
# The project is WORK_DIR/exported.sgp, its export folder WORK_DIR/site; an existing project is
# kept.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli=$1
work=$2
content_pages=$3

mkdir -p "$work"
project=$work/exported.sgp
if [ ! -f "$project" ]; then
    python3 "$here/project_file_vs_json.py" content "$work/content" "$content_pages"
    "$cli" new "$project" --force
    "$cli" set "$project" MinCharsPerPage=4000 MaxCharsPerPage=5000 MaxLinksPerPage=3 \
        --links "$work/content/links.txt"
    "$cli" add-content "$project" "$work/content"/part*.txt
    mkdir -p "$work/site"
    "$cli" export "$project" --out "$work/site" --distribute-links yes --seed 1 --save 2>/dev/null
    "$cli" set "$project" SavePath="$work/site"
fi
