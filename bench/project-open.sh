#!/bin/sh
# Opens a project saved after an export of 2,346 pages (every page with its body, menu and
# pagination bar) in the desktop program's project window, offscreen.
#
#   bench/project-open.sh [BUILD_DIR [WORK_DIR]]
# BUILD_DIR is an optimised build with the desktop program; the project is made once with its
# zarvik-cli and kept in WORK_DIR.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build/relgui}
work=${2:-${TMPDIR:-/tmp}/zarvik-open-bench}
# The splitting makes about 1 % more pages than the content is made for: 2,322 give 2,346.
content_pages=2322

if [ ! -x "$build/bench/project_open_bench" ] || [ ! -x "$build/cli/zarvik-cli" ]; then
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVIK_BUILD_TESTS=OFF
    cmake --build "$build" --target zarvik-cli project_open_bench
fi
cli=$build/cli/zarvik-cli

"$here/exported-project.sh" "$cli" "$work" "$content_pages"
project=$work/exported.sgp
rm -rf "$work/site"
ls -l "$project"
ZARVIK_BENCH_PROJECT=$project "$build/bench/project_open_bench" --benchmark_repetitions=3
