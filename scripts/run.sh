#!/usr/bin/env bash
# Builds the desktop program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev
if [ -x build/dev/ui/zarvik ]; then
    exec build/dev/ui/zarvik "$@"
fi
echo "Built everything; the desktop program is not part of this tree yet." >&2
