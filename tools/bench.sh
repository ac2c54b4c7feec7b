#!/usr/bin/env bash
# Measures what the module costs, in one command:
#   tools/bench.sh [samples]
# 1. builds the product (win32), its 32-bit test build (win32-tests), the
#    64-bit twin (win64) and the native plain-step program,
# 2. runs orvale-benchmark under Wine (tools/wine-run.sh) on both: the 32-bit
#    one loads build/win32/orvale.dll, the file that ships; each operation
#    against its floor (the floors of the module's routines are in
#    orvale-floor.dll, built beside the benchmark), with the allocation counts,
# 3. counts the instructions of the plain-value steps with callgrind, twice,
#    and checks that both runs agree,
# 4. prints the tables with the date and the machine, and keeps them in
#    build/bench/report.md (the "Performance" section of docs/developers.md is this file):
#    the product's figures, and the twin's median and ratio beside them.
# Where 32-bit programs cannot run, it says so and measures the twin alone.
# Build folders: ORVALE_WIN32_TESTS_DIR (build/win32-tests), ORVALE_WIN64_DIR
# (build/win64) and ORVALE_NATIVE_DIR (build/native).
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
WIN32_DIR=${ORVALE_WIN32_TESTS_DIR:-$ROOT/build/win32-tests}
WIN64_DIR=${ORVALE_WIN64_DIR:-$ROOT/build/win64}
NATIVE_DIR=${ORVALE_NATIVE_DIR:-$ROOT/build/native}
OUT="$ROOT/build/bench"
SAMPLES=${1:-301}
mkdir -p "$OUT"

die() { echo "bench: $*" >&2; exit 1; }

"$ROOT/tools/bootstrap.sh" || die "bootstrap failed"
# valgrind (and its client-request header) only for the instruction counts.
if ! command -v valgrind >/dev/null || [[ ! -f /usr/include/valgrind/callgrind.h ]]; then
    echo "bench: installing valgrind"
    SUDO=(); (( EUID != 0 )) && SUDO=(sudo)
    DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -q valgrind \
        || die "cannot install valgrind"
fi
run32=1
if ! why=$("$ROOT/tools/wine32-setup.sh" --check 2>&1); then
    run32=0
    echo "bench: this machine ${why#wine32-setup: }: measuring the 64-bit twin only, not the product"
fi

if (( run32 )); then
    echo "==== build the product (win32) and win32-tests in $WIN32_DIR"
    { cmake --preset win32 >/dev/null && cmake --build --preset win32 -j2 \
      && cmake --preset win32-tests -B "$WIN32_DIR" >/dev/null && cmake --build "$WIN32_DIR" -j2 --target benchmark; } \
        || die "the win32-tests build failed"
fi
echo "==== build win64 in $WIN64_DIR"
{ cmake --preset win64 -B "$WIN64_DIR" >/dev/null && cmake --build "$WIN64_DIR" -j2 --target benchmark; } \
    || die "the win64 build failed"
echo "==== build the plain-step program in $NATIVE_DIR"
{ cmake --preset native -B "$NATIVE_DIR" >/dev/null && cmake --build "$NATIVE_DIR" -j2 --target plain_steps_bench; } \
    || die "the native build failed"

# One orvale-benchmark run: $1 the build folder, $2 the name of its output.
benchmark() {
    local dir=$1 name=$2 rc
    echo "==== orvale-benchmark in $(basename "$dir") under Wine ($SAMPLES samples a row)"
    ( cd "$dir" && "$ROOT/tools/wine-run.sh" ./orvale-benchmark.exe "$SAMPLES" ) >"$OUT/$name.txt" 2>"$OUT/$name.log"
    rc=$?
    tr -d '\r' <"$OUT/$name.txt" >"$OUT/$name.tmp" && mv "$OUT/$name.tmp" "$OUT/$name.txt"
    (( rc == 0 )) || { cat "$OUT/$name.log" >&2; die "orvale-benchmark in $dir failed (exit $rc)"; }
}
if (( run32 )); then
    cmp -s "$WIN32_DIR/orvale.dll" "$ROOT/build/win32/orvale.dll" \
        || die "$WIN32_DIR/orvale.dll is not the product build/win32/orvale.dll"
    benchmark "$WIN32_DIR" benchmark-32
fi
benchmark "$WIN64_DIR" benchmark-64
"$ROOT/tools/wine-run.sh" --stop >/dev/null 2>&1

# One callgrind run: "step<TAB>instructions per call" lines, in the program's order.
callgrind_counts() {
    local dir=$1 calls
    rm -rf "$dir" && mkdir -p "$dir"
    calls=$(cd "$dir" && valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$dir/cg.out" \
                "$NATIVE_DIR/plain_steps_bench" 2>"$dir/valgrind.log" | awk '/^calls /{print $2}')
    [[ -n "$calls" ]] || { cat "$dir/valgrind.log" >&2; return 1; }
    for f in $(ls "$dir"/cg.out.* | sort -t. -k3 -n); do
        awk '/^desc: Trigger: Client Request: /{sub(/^desc: Trigger: Client Request: /, ""); name=$0}
             /^totals: /{print name "\t" $2}' "$f"
    done | awk -F'\t' -v calls="$calls" '
        $1 == "loop" { base = $2; next }
        { printf "%s\t%.1f\n", $1, ($2 - base) / calls }'
}

echo "==== instruction counts under callgrind (two runs)"
callgrind_counts "$OUT/callgrind-1" >"$OUT/instructions-1.tsv" || die "callgrind run 1 failed"
callgrind_counts "$OUT/callgrind-2" >"$OUT/instructions-2.tsv" || die "callgrind run 2 failed"
if cmp -s "$OUT/instructions-1.tsv" "$OUT/instructions-2.tsv"; then
    stable="identical in two runs"
else
    stable="DIFFERENT between two runs (see $OUT/instructions-*.tsv)"
fi

cpu=$(awk -F': ' '/^model name/{print $2; exit}' /proc/cpuinfo)
wine_version=$(/usr/lib/wine/wine64 --version 2>/dev/null)
rows() { sed -n '/^| operation/,/^$/p' "$1" | sed '/^$/d'; }
{
    echo "Measured $(date -u +%Y-%m-%d) on $(nproc) CPU(s), $cpu, $wine_version, with \`tools/bench.sh\`."
    echo
    if (( run32 )); then
        echo "Under 32-bit Wine, the product (\`build/win32/orvale.dll\`, 486, no C runtime, \`-Os\`, stripped), costs per"
        echo "call in nanoseconds; the last two columns are the 64-bit twin's (test build, \`-O2\`) under 64-bit Wine:"
        echo
        # The twin's median and ratio joined to the product's rows by operation.
        awk -F' [|] ' '
            NR == FNR { if ($1 ~ /^[|] / && $2 ~ /^[0-9.]+$/) { twin_median[$1] = $2; twin_ratio[$1] = $6 } next }
            /^[|] operation/ { print $0 " twin median ns | twin ratio |"; next }
            /^[|] ---/ { print $0 " ---: | ---: |"; next }
            { print $0 " " (($1 in twin_median) ? twin_median[$1] : "-") " | " (($1 in twin_ratio) ? twin_ratio[$1] : "-") " |" }
        ' <(rows "$OUT/benchmark-64.txt") <(rows "$OUT/benchmark-32.txt")
        echo
        grep -E '^(timer|allocation imports)' "$OUT/benchmark-32.txt" | sed 's/^/    /'
    else
        echo "Under 64-bit Wine, the 64-bit twin (test build, \`-O2\`; 32-bit programs cannot run on this machine), costs per call in nanoseconds:"
        echo
        rows "$OUT/benchmark-64.txt"
        echo
        grep -E '^(timer|allocation imports)' "$OUT/benchmark-64.txt" | sed 's/^/    /'
    fi
    echo
    echo "Instructions per call of the plain-value steps (native, \`-O2\`, callgrind; $stable):"
    echo
    echo "| step | instructions per call |"
    echo "| --- | ---: |"
    awk -F'\t' '{printf "| %s | %s |\n", $1, $2}' "$OUT/instructions-1.tsv"
} >"$OUT/report.md"

cat "$OUT/report.md"
echo
misses=()
for name in benchmark-32 benchmark-64; do
    [[ -f "$OUT/$name.txt" ]] || continue
    (( run32 )) || [[ $name == benchmark-64 ]] || continue
    echo "$name:"
    sed -n '/^Goals/,$p' "$OUT/$name.txt"
    build=$([[ $name == benchmark-32 ]] && echo "the product" || echo "the twin")
    if ! grep -q '^orvale-benchmark: all goals met' "$OUT/$name.txt"; then
        misses+=("$build: $(grep '^orvale-benchmark:' "$OUT/$name.txt" | sed 's/^orvale-benchmark: //')")
    fi
done
echo "bench: report in $OUT/report.md"
if (( ${#misses[@]} )); then
    printf 'bench: %s\n' "${misses[@]}"
else
    echo "bench: all goals met"
fi
