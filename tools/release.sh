#!/usr/bin/env bash
# Builds the release a pilot downloads, in one command from a fresh clone:
#   tools/release.sh
# -> dist/orvale-<version>.zip holding orvale.dll (the 32-bit product),
#    README.txt (docs/pilot-readme.md), LICENSE.txt and two screenshots from
#    the demo: the display docked on a panel and floating.
# The version is the one in CMakeLists.txt's project() line, as configured
# into the product's generated version.h; the zipped DLL is checked
# (PE32, exports, allow-listed imports, resources) and must carry that version.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
DIST="$ROOT/dist"
DEMO="$ROOT/build/demo"

die() { echo "release: $*" >&2; exit 1; }

"$ROOT/tools/bootstrap.sh" || die "bootstrap failed"

echo "==== build the product (win32)"
{ cmake --preset win32 && cmake --build --preset win32; } || die "the win32 build failed"
version=$(sed -n 's/^#define ORVALE_VERSION_STRING "\(.*\)"$/\1/p' "$ROOT/build/win32/generated/version.h")
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "no version in build/win32/generated/version.h"
echo "release: version $version"

# The demo builds the test build and writes its screenshots; stale ones of an
# earlier run must not be shipped.
echo "==== demo"
rm -rf "$DEMO"
"$ROOT/tools/demo.sh" || die "the demo failed (tools/demo.sh)"

# The screenshot of a name, newest run's numbering: NN-<name>.png.
shot() {
    local name
    for name in "$@"; do
        local found
        found=$(ls "$DEMO"/[0-9]*-"$name".png 2>/dev/null | head -n 1)
        [[ -n "$found" ]] && { echo "$found"; return 0; }
    done
    return 1
}
docked=$(shot docked) \
    || die "the demo wrote no screenshot of the docked display ($DEMO/NN-docked.png); not releasing without it"
# The floating display: its own shot if the demo has one, else the undocked
# window showing a message.
floating=$(shot floating undocked static show-message) \
    || die "the demo wrote no screenshot of the floating display ($DEMO/NN-floating.png); not releasing without it"
recall=$(shot recall) \
    || die "the demo wrote no screenshot of a recalled message ($DEMO/NN-recall.png); not releasing without it"

name="orvale-$version"
stage="$DIST/stage/$name"
zip="$DIST/$name.zip"
rm -rf "$DIST/stage" "$zip"
mkdir -p "$stage" || die "cannot create $stage"
cp "$ROOT/build/win32/orvale.dll" "$stage/orvale.dll" || die "no build/win32/orvale.dll"
# Text files with Windows line ends: the pilot opens them in Notepad.
sed 's/$/\r/' "$ROOT/docs/pilot-readme.md" >"$stage/README.txt" || die "no docs/pilot-readme.md"
sed 's/$/\r/' "$ROOT/LICENSE" >"$stage/LICENSE.txt" || die "no LICENSE"
cp "$docked" "$stage/screenshot-docked.png" && cp "$floating" "$stage/screenshot-floating.png" \
    && cp "$recall" "$stage/screenshot-recall.png" || die "cannot copy the screenshots"
# Fixed times and order: the same sources give the same zip.
touch -d "@$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s)" "$stage"/*
( cd "$DIST/stage" && zip -q -X -r "$zip" "$name" ) || die "zip failed"

echo "==== check the zipped DLL"
check="$DIST/check"
rm -rf "$check" && mkdir -p "$check"
if command -v unzip >/dev/null; then
    unzip -q "$zip" -d "$check"
else
    python3 -m zipfile -e "$zip" "$check"
fi || die "cannot unpack $zip"
for f in orvale.dll README.txt LICENSE.txt screenshot-docked.png screenshot-floating.png screenshot-recall.png; do
    [[ -s "$check/$name/$f" ]] || die "$f is missing from $zip"
done
/usr/bin/python3 "$ROOT/tools/product_dll_check.py" "$check/$name/orvale.dll" "$ROOT/tools/import-allowlist.txt" "$version" \
    || die "the zipped orvale.dll fails the product checks"
rm -rf "$check" "$DIST/stage"

echo "release: $zip"
zip -sf "$zip"
