#!/usr/bin/env bash
# Builds every preset and runs every test, three suites side by side: the
# Wine tests on the product itself (win32-tests: 32-bit programs on
# build/win32/orvale.dll under 32-bit Wine), the same on its 64-bit twin
# (win64), and the native tests, fuzzers and the product DLL check. Ends
# with "orvale: N passed, N failed" and exits non-zero if anything failed. A
# machine that cannot run 32-bit programs has not tested the product: that
# counts as a failure, with the line that says why, unless ORVALE_NO_32BIT=1
# asks to leave the product out ("orvale: N passed, N failed, 1 skipped").
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
LOGS="$ROOT/build/test-all"

"$ROOT/tools/bootstrap.sh" --system || { echo "test-all: bootstrap failed"; exit 1; }
mkdir -p "$LOGS"

passed=0
failed=0
skipped=0
notes=()

# 32-bit Wine (mostly a download), then Xvfb, the wineservers and the Wine
# prefixes come up while the builds run, before the first test's clock starts.
rm -f "$LOGS/wine32-setup.rc"
{
    "$ROOT/tools/wine32-setup.sh"
    echo $? >"$LOGS/wine32-setup.rc"
    "$ROOT/tools/wine-run.sh" --start >"$LOGS/wine-start.log" 2>&1
} >"$LOGS/wine32-setup.log" 2>&1 &
wine_start=$!

build() {
    echo "==== build $1"
    if ! { cmake --preset "$1" && cmake --build --preset "$1"; }; then
        notes+=("the $1 build failed")
        failed=$((failed + 1))
    fi
}

# Runs a preset's tests into its log, at niceness RUN_NICE if set: ctest
# prints "NN% tests passed, F tests failed out of T".
run_tests() {
    local preset=$1
    shift
    ${RUN_NICE:+nice -n "$RUN_NICE"} ctest --preset "$preset" "$@" >"$LOGS/ctest-$preset.log" 2>&1
    echo $? >"$LOGS/ctest-$preset.rc"
}
count_tests() {
    local preset=$1 log="$LOGS/ctest-$1.log" line total bad rc
    rc=$(cat "$LOGS/ctest-$preset.rc" 2>/dev/null || echo 1)
    echo "==== ctest $preset"
    cat "$log"
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

# win32 first: the 32-bit tests and the native build's product check use
# build/win32/orvale.dll. The 32-bit tests build everywhere, run or not.
build win32
build win32-tests
build win64
build native
wait "$wine_start" || { cat "$LOGS/wine-start.log"; notes+=("Wine could not be started"); }
cat "$LOGS/wine32-setup.log"
# Whether the 32-bit suite can run (ORVALE_NO_32BIT=1: as if not).
case $(cat "$LOGS/wine32-setup.rc" 2>/dev/null) in
    0) run32=1 ;;
    2) run32=0; why=$("$ROOT/tools/wine32-setup.sh" --check 2>&1) ;;
    *) run32=0; why="could not be given 32-bit Wine (build/test-all/wine32-setup.log)" ;;
esac

suites=()
pids=()
start_suite() {
    echo "==== ctest $1 started (log: build/test-all/ctest-$1.log)"
    run_tests "$@" &
    pids+=($!)
    suites+=("$1")
}
# The suites run side by side, after the builds: a Wine suite spends most of
# its time waiting on the module's own timers (its 3-s menu timer in every
# start-up case), so each runs three programs at once. The product's suite
# has first call on the processor; the others take what it leaves.
if (( run32 )); then
    start_suite win32-tests -j 3
elif [[ "${ORVALE_NO_32BIT:-0}" != 0 ]]; then
    # Only whoever runs the command may ask to leave the product out.
    skipped=$((skipped + 1))
else
    notes+=("the 32-bit suite, the product DLL under 32-bit Wine, could not run: this machine ${why#wine32-setup: }")
    failed=$((failed + 1))
fi
RUN_NICE=10 start_suite win64 -j 3
RUN_NICE=10 start_suite native
wait "${pids[@]}"
# Nothing of the run stays behind (the prefixes do, for the next run).
"$ROOT/tools/wine-run.sh" --stop >/dev/null 2>&1
for preset in "${suites[@]}"; do
    count_tests "$preset"
done

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
