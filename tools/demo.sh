#!/usr/bin/env bash
# Builds the product and the test build, then runs the scripted demo session
# (build/win64/orvale-demo.exe) under Wine. Screenshots go to build/demo/.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1

"$ROOT/tools/bootstrap.sh" || { echo "demo: bootstrap failed"; exit 1; }
for preset in win32 win64; do
    echo "==== build $preset"
    { cmake --preset "$preset" && cmake --build --preset "$preset"; } \
        || { echo "demo: the $preset build failed"; exit 1; }
done

product="$ROOT/build/win32/orvale.dll"
demo="$ROOT/build/win64/orvale-demo.exe"
if [[ -x "$demo" || -f "$demo" ]]; then
    mkdir -p "$ROOT/build/demo"
    echo "==== run orvale-demo under Wine"
    "$ROOT/tools/wine-run.sh" "$demo"
    rc=$?
    echo "demo: screenshots and log in $ROOT/build/demo/"
    ls -1 "$ROOT/build/demo" 2>/dev/null | sed 's/^/  /'
    echo "demo: the product for the simulator is $product"
    exit $rc
fi

echo "demo: $demo is not built yet; the product DLL instead:"
ls -l "$product"
x86_64-w64-mingw32-objdump -p "$product" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p'
echo "demo: screenshots will go to $ROOT/build/demo/ once the demo program exists"
