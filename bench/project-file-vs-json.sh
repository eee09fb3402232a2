#!/bin/sh
# Loads and saves a 2,000-page project with bodies (4,000/5,000 limits, Russian-like text) with an
# optimised zarvik-cli, and the same data written as JSON with Python's json module, three rounds
# each side in turn. Load is "show"; save is "set" minus "show". Figures are MB/s of each side's
# own file.
#
#   bench/project-file-vs-json.sh [BUILD_DIR [WORK_DIR]]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build/rel}
work=${2:-${TMPDIR:-/tmp}/zarvik-project-bench}
pages=2000

if [ ! -x "$build/cli/zarvik-cli" ]; then
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVIK_BUILD_GUI=OFF \
        -DZARVIK_BUILD_TESTS=OFF -DZARVIK_BUILD_BENCH=OFF
    cmake --build "$build" --target zarvik-cli
fi
cli=$build/cli/zarvik-cli

mkdir -p "$work"
project=$work/big.sgp
if [ ! -f "$project" ]; then
    python3 "$here/project_file_vs_json.py" content "$work/content" "$pages"
    "$cli" new "$project" --force
    "$cli" set "$project" MinCharsPerPage=4000 MaxCharsPerPage=5000 MaxLinksPerPage=3 \
        --links "$work/content/links.txt"
    "$cli" add-content "$project" "$work/content"/part*.txt
    "$cli" distribute-links "$project" --seed 1 2>/dev/null
    python3 "$here/project_file_vs_json.py" tojson "$project" "$work/big.json"
fi
python3 "$here/project_file_vs_json.py" compare "$cli" "$project" "$work/big.json"
