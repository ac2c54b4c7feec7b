#!/usr/bin/env bash
# Builds every preset and runs every test: the Wine tests on the product
# itself (win32-tests: 32-bit programs on build/win32/orvale.dll under 32-bit
# Wine), then on its 64-bit twin (win64), then the native tests, fuzzers and
# the product DLL check. Ends with "orvale: N passed, N failed" and exits
# non-zero if anything failed. A machine that cannot run 32-bit programs has
# not tested the product: that counts as a failure, with the line that says
# why, unless ORVALE_NO_32BIT=1 asks to leave the product out ("orvale: N
# passed, N failed, 1 skipped").
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
LOGS="$ROOT/build/test-all"

"$ROOT/tools/bootstrap.sh" || { echo "test-all: bootstrap failed"; exit 1; }
mkdir -p "$LOGS"

passed=0
failed=0
skipped=0
notes=()

# Whether this machine runs 32-bit programs (ORVALE_NO_32BIT=1: as if not).
if why=$("$ROOT/tools/wine32-setup.sh" --check 2>&1); then
    run32=1
else
    run32=0
fi

# win32 first: the 32-bit tests and the native build's product check use
# build/win32/orvale.dll. The 32-bit tests build everywhere, run or not.
for preset in win32 win32-tests win64 native; do
    echo "==== build $preset"
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; }; then
        notes+=("the $preset build failed")
        failed=$((failed + 1))
    fi
done

# ctest prints "NN% tests passed, F tests failed out of T".
run_tests() {
    local preset=$1 log="$LOGS/ctest-$1.log" line total bad
    shift
    echo "==== ctest $preset"
    ctest --preset "$preset" "$@" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [[ -n "$line" ]]; then
        bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
        (( rc == 0 || bad > 0 )) || { notes+=("ctest $preset exited $rc"); failed=$((failed + 1)); }
    elif grep -q 'No tests were found' "$log"; then
        notes+=("ctest $preset found no tests")
    else
        notes+=("ctest $preset ended without a summary (exit $rc)")
        failed=$((failed + 1))
    fi
}

# Xvfb, the wineserver and the Wine prefix come up before the first test's
# clock starts (the prefix takes a few seconds the first time).
"$ROOT/tools/wine-run.sh" --start || notes+=("Wine could not be started")
if (( run32 )); then
    run_tests win32-tests
elif [[ "${ORVALE_NO_32BIT:-0}" != 0 ]]; then
    # Only whoever runs the command may ask to leave the product out.
    skipped=$((skipped + 1))
else
    notes+=("the 32-bit suite, the product DLL under 32-bit Wine, could not run: this machine ${why#wine32-setup: }")
    failed=$((failed + 1))
fi
run_tests win64
run_tests native

echo "===="
for note in "${notes[@]+"${notes[@]}"}"; do
    echo "test-all: $note"
done
if (( skipped )); then
    echo "test-all: SKIPPED the 32-bit suite, the product DLL under 32-bit Wine, as ORVALE_NO_32BIT asks"
    echo "orvale: $passed passed, $failed failed, $skipped skipped"
else
    echo "orvale: $passed passed, $failed failed"
fi
(( failed == 0 && ${#notes[@]} == 0 ))
