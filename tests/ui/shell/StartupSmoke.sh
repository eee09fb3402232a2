#!/bin/sh
# Starts the desktop program in a virtual X server, waits until its main window "Zarvik" is
# mapped, asks the program to end as a session end would, and checks that it ended cleanly.
# Given a project file as well, a second start with that file must hand it to the running
# program and end at once. Exits 77 (skipped) where there is no virtual X server to run it in.
set -u

if [ "${1:-}" != "--inside" ]; then
    for tool in xvfb-run xwininfo; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "skipped: $tool is not installed"
            exit 77
        fi
    done
    exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" --inside "$1" "${2:-}"
fi

program="$2"
project="${3:-}"
export QT_QPA_PLATFORM=xcb
# The running program's socket lives in the temporary folder: one of this run's own.
TMPDIR=$(mktemp -d)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
"$program" &
pid=$!

shown=no
tries=0
while [ $tries -lt 150 ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        echo "the program ended before its main window appeared (exit code $?)"
        exit 1
    fi
    if xwininfo -root -tree 2>/dev/null | grep -q '"Zarvik": ("zarvik"'; then
        shown=yes
        break
    fi
    tries=$((tries + 1))
    sleep 0.2
done

if [ "$shown" != yes ]; then
    kill -KILL "$pid" 2>/dev/null
    echo "the main window \"Zarvik\" did not appear"
    exit 1
fi

if [ -n "$project" ]; then
    sleep 1
    timeout 20 "$program" "$project"
    second=$?
    if [ $second -ne 0 ]; then
        kill -KILL "$pid" 2>/dev/null
        echo "a second start with a project file did not hand it over (exit code $second)"
        exit 1
    fi
    sleep 1
fi

kill -TERM "$pid"
tries=0
while kill -0 "$pid" 2>/dev/null && [ $tries -lt 100 ]; do
    tries=$((tries + 1))
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    echo "the program did not end after the termination request"
    exit 1
fi
wait "$pid"
status=$?
if [ $status -ne 0 ]; then
    echo "the program did not end cleanly (exit code $status)"
    exit 1
fi
echo "the main window appeared and the program ended cleanly"
