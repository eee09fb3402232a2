#!/bin/sh
# Validates the desktop entry, the AppStream metainfo and the shared-mime-info package, either in
# the source tree's data/ folder or, given a root folder, as installed under <root>/usr/share.
# Exits 77 (skipped) where the validators are not installed.
set -eu
if [ $# -ge 1 ]; then
    share="$1/usr/share"
    desktop="$share/applications/org.zarvik.Zarvik.desktop"
    metainfo="$share/metainfo/org.zarvik.Zarvik.metainfo.xml"
    mime="$share/mime/packages/org.zarvik.Zarvik.mime.xml"
else
    data="$(dirname "$0")/../data"
    desktop="$data/org.zarvik.Zarvik.desktop"
    metainfo="$data/org.zarvik.Zarvik.metainfo.xml"
    mime="$data/org.zarvik.Zarvik.mime.xml"
fi
for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done

desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"
if command -v xmllint >/dev/null 2>&1; then
    xmllint --noout "$mime"
fi
# The entry names the type that the MIME package defines, and the package keys it on the file's
# first bytes as well as on its name.
grep -qx 'MimeType=application/x-zarvik-project;' "$desktop"
grep -q '<mime-type type="application/x-zarvik-project">' "$mime"
grep -q '<match type="string" value="object TSiteGenerator" offset="0"/>' "$mime"
grep -q '<glob pattern="\*.sgp"/>' "$mime"
echo "desktop entry, metainfo and MIME package are valid"
