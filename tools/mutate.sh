#!/usr/bin/env bash
# Mutation testing of the product sources: tools/mutate.sh [N] [SEED] draws
# N mutants (default 10) with SEED (default 1), builds each in a copy of the
# tree and runs the suites that can catch it; prints a line per mutant and
# the score. See tools/mutate.py and docs/developers.md. Not part of the test
# command: it takes minutes per ten mutants.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$ROOT/tools/bootstrap.sh"
exec /usr/bin/python3 "$ROOT/tools/mutate.py" "$@"
