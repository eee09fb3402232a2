#!/usr/bin/env bash
# Unpacks the .deb into a scratch root and runs what it installed: zarvik-cli --version, a build
# of the example site, and the desktop program in a virtual X server with the example project.
set -euo pipefail
cd "$(dirname "$0")/.."
deb="${1:-$(ls build/package/zarvik_*.deb | tail -n 1)}"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT

echo "checking $deb"
depends="$(dpkg-deb --field "$deb" Depends)"
echo "Depends: $depends"
for lib in libqt6widgets6 libqscintilla2-qt6 libqt6svg6 libc6; do
    case "$depends" in
        *"$lib"*) ;;
        *) echo "the package does not depend on $lib"; exit 1 ;;
    esac
done
dpkg -x "$deb" "$root"
for file in usr/bin/zarvik usr/bin/zarvik-cli \
            usr/share/applications/org.zarvik.Zarvik.desktop \
            usr/share/metainfo/org.zarvik.Zarvik.metainfo.xml \
            usr/share/mime/packages/org.zarvik.Zarvik.mime.xml \
            usr/share/icons/hicolor/scalable/apps/org.zarvik.Zarvik.svg \
            usr/share/icons/hicolor/48x48/apps/org.zarvik.Zarvik.png \
            usr/share/icons/hicolor/256x256/mimetypes/application-x-zarvik-project.png; do
    [ -e "$root/$file" ] || { echo "the package lacks /$file"; exit 1; }
done
sh scripts/validate-desktop-files.sh "$root"

cli="$root/usr/bin/zarvik-cli"
"$cli" --version
mkdir -p "$root/site"
"$cli" build --content examples/content/*.txt --links examples/links.txt --out "$root/site" \
    --project "$root/example.sgp" --seed 1 SiteTitle="Огород без хлопот" \
    MinCharsPerPage=1500 MaxCharsPerPage=2500
[ -s "$root/site/index.html" ] || { echo "the installed zarvik-cli wrote no index.html"; exit 1; }
[ "$(head -c 21 "$root/example.sgp")" = "object TSiteGenerator" ] ||
    { echo "the installed zarvik-cli wrote no project file"; exit 1; }

# The desktop program with the example project: it must map its main window and end cleanly on
# SIGTERM, as a session end would ask it to.
cat > "$root/run-desktop.sh" <<'INNER'
export QT_QPA_PLATFORM=xcb
"$1" "$2" &
pid=$!
for _ in $(seq 150); do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        echo "the installed zarvik ended before its main window appeared (exit code $?)"
        exit 1
    fi
    if xwininfo -root -tree 2>/dev/null | grep -q '"Zarvik": ("zarvik"'; then
        kill -TERM "$pid"
        status=0
        wait "$pid" || status=$?
        [ "$status" -eq 0 ] || { echo "the installed zarvik ended with exit code $status"; exit 1; }
        echo "the installed zarvik came up with the example project and ended cleanly"
        exit 0
    fi
    sleep 0.2
done
kill -KILL "$pid" 2>/dev/null
echo "the installed zarvik showed no main window"
exit 1
INNER
timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/run-desktop.sh" "$root/usr/bin/zarvik" \
    "$root/example.sgp"
