#!/bin/sh
# Runs desktop_freeze_bench on a project saved after an export of 2,629 pages (every page with
# its body, menu and pagination bar), offscreen.
#
#   bench/desktop-freeze.sh [BUILD_DIR [WORK_DIR]]
# BUILD_DIR is an optimised build with the desktop program (cmake --preset bench -B
# build/bench-gui -DZARVIK_BUILD_GUI=ON); the project is made once with its zarvik-cli and kept
# in WORK_DIR. The benchmark exports into WORK_DIR/site.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build/bench-gui}
work=${2:-${TMPDIR:-/tmp}/zarvik-freeze-bench}
# The splitting makes about 1 % more pages than the content is made for: 2,602 give 2,629.
content_pages=2602

cmake --build "$build" --target zarvik-cli desktop_freeze_bench
cli=$build/cli/zarvik-cli

"$here/exported-project.sh" "$cli" "$work" "$content_pages"
project=$work/exported.sgp
rm -rf "$work/site"
ls -l "$project"
ZARVIK_BENCH_PROJECT=$project "$build/bench/desktop_freeze_bench"
