#!/usr/bin/env bash
# Builds the desktop program and starts it; without a display it runs inside a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting Zarvik inside xvfb-run." >&2
    exec xvfb-run -a -s "-screen 0 1280x900x24" build/dev/ui/zarvik "$@"
fi
exec build/dev/ui/zarvik "$@"
