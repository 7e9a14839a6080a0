#!/usr/bin/env bash
# Machine-identifier benchmark: cost of the first and of later GetMachineIdW / GetMachineId2 calls in
# one process, run twice under Wine in a prefix of its own (made and removed here): once with empty
# registry caches, once with the caches the first run wrote.
#   scripts/bench-identity.sh [build dir]      (default: build/x64; builds the identity_bench target)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/x64}
cmake --build "$build" -j2 --target identity_bench >/dev/null
state=$(mktemp -d /tmp/korvel-bench-identity.XXXXXX)
cleanup() { "$root/scripts/wine-prefix.sh" down "$state" >/dev/null 2>&1 || true; rm -rf "$state"; }
trap cleanup EXIT
"$root/scripts/wine-prefix.sh" up "$state" >/dev/null
echo "empty registry caches:"
KORVEL_WINE_STATE=$state "$root/scripts/wine-run.sh" "$build/bin/identity_bench.exe" | tr -d '\r'
echo "caches filled by the first run:"
KORVEL_WINE_STATE=$state "$root/scripts/wine-run.sh" "$build/bin/identity_bench.exe" | tr -d '\r'
