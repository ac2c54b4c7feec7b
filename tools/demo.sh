#!/usr/bin/env bash
# Builds the product and its 32-bit test build, then runs the scripted demo
# session under 32-bit Wine: the 32-bit simulated host
# (build/win32-tests/orvale-demo.exe) loading build/win32/orvale.dll, the file
# that ships. Screenshots go to build/demo/. On a machine that cannot run
# 32-bit programs it says so and runs the 64-bit twin's demo instead.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1

"$ROOT/tools/bootstrap.sh" || { echo "demo: bootstrap failed"; exit 1; }
product="$ROOT/build/win32/orvale.dll"
if why=$("$ROOT/tools/wine32-setup.sh" --check 2>&1); then
    presets=(win32 win32-tests)
    demo="$ROOT/build/win32-tests/orvale-demo.exe"
    dll=$product
else
    echo "demo: this machine ${why#wine32-setup: }: running the 64-bit twin's demo, not the product (build/win64/orvale.dll)"
    presets=(win32 win64)
    demo="$ROOT/build/win64/orvale-demo.exe"
    dll="$ROOT/build/win64/orvale.dll"
fi
# The product whole; of the test build only the demo and what it needs.
targets=(all demo)
for i in 0 1; do
    echo "==== build ${presets[i]} (${targets[i]})"
    { cmake --preset "${presets[i]}" && cmake --build --preset "${presets[i]}" --target "${targets[i]}"; } \
        || { echo "demo: the ${presets[i]} build failed"; exit 1; }
done

mkdir -p "$ROOT/build/demo"
echo "==== run $(basename "$(dirname "$demo")")/orvale-demo.exe on $dll under Wine"
"$ROOT/tools/wine-run.sh" "$demo" --dll "$dll"
rc=$?
"$ROOT/tools/wine-run.sh" --stop >/dev/null 2>&1
echo "demo: screenshots and log in $ROOT/build/demo/"
ls -1 "$ROOT/build/demo" 2>/dev/null | sed 's/^/  /'
echo "demo: the product for the simulator is $product"
exit $rc
