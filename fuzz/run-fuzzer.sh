#!/usr/bin/env bash
# Builds the project-file reader fuzzer with clang++ straight from the sources and runs it for a
# bounded time. Exits 77 (skipped) when clang++ cannot build libFuzzer targets here.
#
# Usage: run-fuzzer.sh CLANGXX SOURCE_ROOT WORK_DIR SECONDS SOURCE...
set -euo pipefail
cxx=$1 root=$2 work=$3 seconds=$4
shift 4

mkdir -p "$work/obj" "$work/corpus" "$work/artifacts"
flags=(-std=c++20 -O1 -g -fsanitize=address,undefined -fno-sanitize-recover=undefined
       -fno-omit-frame-pointer -I "$root")

probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }'
if ! echo "$probe" | "$cxx" -x c++ -fsanitize=fuzzer,address,undefined -o "$work/probe" - 2>/dev/null; then
    echo "clang++ cannot build libFuzzer targets here (is libclang-rt installed?): fuzzing skipped"
    exit 77
fi

fuzzer="$work/ProjectFileReaderFuzzer"
# Rebuilt whenever a source or header of the libraries or of the fuzzer is newer than the binary.
if [ ! -x "$fuzzer" ] || [ -n "$(find "$root/engine" "$root/persistence" "$root/fuzz" \
        \( -name '*.cpp' -o -name '*.h' \) -newer "$fuzzer" -print -quit)" ]; then
    echo "Building the fuzzer with $cxx"
    rm -f "$work"/obj/*.o "$work/libraries.a"
    compile() {
        local src=$1 rel=${1#"$root"/}
        # A source the reader does not need must not stop the fuzzing; if it is needed after all,
        # the link below fails.
        "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$work/obj/${rel//\//_}.o" ||
            echo "warning: $rel did not compile with $cxx and is left out"
    }
    running=0
    for src in "$@"; do
        compile "$src" &
        running=$((running + 1))
        # Two compilers at a time.
        if [ "$running" -ge 2 ]; then
            wait -n
            running=$((running - 1))
        fi
    done
    wait
    # An archive, so that only what the reader needs is linked.
    ar rcs "$work/libraries.a" "$work"/obj/*.o
    "$cxx" "${flags[@]}" -fsanitize=fuzzer "$root/fuzz/ProjectFileReaderFuzzer.cpp" "$work/libraries.a" \
        -o "$fuzzer"
fi

# New inputs go to the working corpus in the build folder; the seeds are only read.
"$fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -dict="$root/fuzz/project.dict" -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
    "$work/corpus" "$root/fuzz/corpus"
