#!/usr/bin/env bash
# Builds the optimised desktop program and command-line tool and packs them, with the desktop
# entry, the MIME type, the AppStream data and the icons, into build/package/zarvik_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset package
cmake --build --preset package
rm -f build/package/zarvik_*.deb
cpack --preset package
ls build/package/zarvik_*.deb
