#!/usr/bin/env bash
# Measures what the module costs, in one command:
#   tools/bench.sh [samples]
# 1. builds the test build (win64) and the native plain-step program,
# 2. runs orvale-benchmark under Wine (tools/wine-run.sh): the real orvale.dll
#    in the simulated host, each operation against its floor, with the
#    allocation counts,
# 3. counts the instructions of the plain-value steps with callgrind, twice,
#    and checks that both runs agree,
# 4. prints both tables with the date and the machine, and keeps them in
#    build/bench/report.md (the README's "Performance" section is this file).
# Build folders: ORVALE_WIN64_DIR (build/win64) and ORVALE_NATIVE_DIR (build/native).
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
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
    DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q valgrind || die "cannot install valgrind"
fi

echo "==== build win64 in $WIN64_DIR"
{ cmake --preset win64 -B "$WIN64_DIR" >/dev/null && cmake --build "$WIN64_DIR" -j2 --target benchmark; } \
    || die "the win64 build failed"
echo "==== build the plain-step program in $NATIVE_DIR"
{ cmake --preset native -B "$NATIVE_DIR" >/dev/null && cmake --build "$NATIVE_DIR" -j2 --target plain_steps_bench; } \
    || die "the native build failed"

echo "==== orvale-benchmark under Wine ($SAMPLES samples a row)"
( cd "$WIN64_DIR" && "$ROOT/tools/wine-run.sh" ./orvale-benchmark.exe "$SAMPLES" ) >"$OUT/benchmark.txt" \
    2>"$OUT/benchmark.log"
bench_rc=$?
tr -d '\r' <"$OUT/benchmark.txt" >"$OUT/benchmark.tmp" && mv "$OUT/benchmark.tmp" "$OUT/benchmark.txt"
(( bench_rc == 0 )) || { cat "$OUT/benchmark.log" >&2; die "orvale-benchmark failed (exit $bench_rc)"; }

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
{
    echo "Measured $(date -u +%Y-%m-%d) on $(nproc) CPU(s), $cpu, $wine_version, with \`tools/bench.sh\`."
    echo
    echo "Under Wine, the test build (64-bit, \`-O2\`), costs per call in nanoseconds:"
    echo
    sed -n '/^| operation/,/^$/p' "$OUT/benchmark.txt" | sed '/^$/d'
    echo
    grep -E '^(timer|allocation imports)' "$OUT/benchmark.txt" | sed 's/^/    /'
    echo
    echo "Instructions per call of the plain-value steps (native, \`-O2\`, callgrind; $stable):"
    echo
    echo "| step | instructions per call |"
    echo "| --- | ---: |"
    awk -F'\t' '{printf "| %s | %s |\n", $1, $2}' "$OUT/instructions-1.tsv"
} >"$OUT/report.md"

cat "$OUT/report.md"
echo
sed -n '/^Goals:/,$p' "$OUT/benchmark.txt"
echo "bench: report in $OUT/report.md"
