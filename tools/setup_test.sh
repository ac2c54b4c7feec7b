#!/usr/bin/env bash
# The set-up of 32-bit Wine on a flaky mirror, for real: once with a sources
# entry that can never be downloaded beside the machine's own (the tree must
# still be made, and its loader run, at the cost of one warning that names
# the entry), once with a wanted package that no index has (it must fail with
# one line that names the package, and leave nothing half-made behind). The
# packages come from build/wine32-debs/, where the set-up keeps them, so
# nothing is downloaded again when 32-bit Wine is already there.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SETUP="$ROOT/tools/wine32-setup.sh"

if [[ "${ORVALE_NO_32BIT:-0}" != 0 ]]; then
    echo "setup_test: ORVALE_NO_32BIT is set: no 32-bit Wine to set up"
    exit 77
fi
why=$("$SETUP" --check 2>&1) || { echo "setup_test: FAILED: no 32-bit Wine can be set up: ${why#wine32-setup: }"; exit 1; }
tmp=$(mktemp -d "$ROOT/build/setup-test.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "setup_test: FAILED: $*"; failures=$((failures + 1)); }

mirror=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 2>/dev/null | awk 'NR == 1 { print $2 }')
[[ -n "$mirror" ]] || { echo "setup_test: the machine has no apt sources"; exit 1; }
echo "deb $mirror orvale-no-such-suite main" >"$tmp/broken.list"

export ORVALE_APT_PAUSE=1 ORVALE_APT_TRIES=1

echo "== a sources entry that always fails to download"
ORVALE_APT_EXTRA_SOURCES="$tmp/broken.list" ORVALE_WINE32_TREE="$tmp/tree" \
    "$SETUP" >"$tmp/out1" 2>&1
rc=$?
cat "$tmp/out1"
(( rc == 0 )) || fail "the set-up exited $rc"
n=$(grep -c 'warning: .*orvale-no-such-suite' "$tmp/out1")
(( n == 1 )) || fail "$n warning lines name the failing entry, not 1"
[[ -f "$tmp/tree/.ready" ]] || fail "no tree was made"
got=$(LD_LIBRARY_PATH="$tmp/tree/usr/lib/i386-linux-gnu:$tmp/tree/lib/i386-linux-gnu" \
      "$tmp/tree/usr/lib/wine/wine" --version 2>&1)
[[ "$got" == wine-* ]] || fail "the made tree's 32-bit loader does not run: $got"

echo "== a wanted package that no index has"
ORVALE_WINE32_EXTRA_PACKAGES=orvale-no-such-package ORVALE_WINE32_TREE="$tmp/tree2" \
    "$SETUP" >"$tmp/out2" 2>&1
rc=$?
cat "$tmp/out2"
(( rc == 1 )) || fail "the set-up exited $rc, not 1"
grep -q 'wine32-setup: cannot .*orvale-no-such-package' "$tmp/out2" \
    || fail "no line names the missing package"
[[ ! -e "$tmp/tree2" && ! -e "$tmp/tree2.work" ]] || fail "something half-made was left: $(ls -d "$tmp"/tree2*)"

if (( failures )); then
    echo "setup_test: $failures check(s) failed"
    exit 1
fi
echo "setup_test: both set-ups behaved"
