#!/usr/bin/env bash
# Removal benchmark: time to remove a tree of 10,000 files in 500 directories with the engine's
# installation-directory removal against a bare DeleteFileW/RemoveDirectoryW loop over an identical tree,
# in the same run, under Wine in a prefix of its own (made and removed here).
#   scripts/bench-removal.sh [build dir]      (default: build/x64; builds the removal_bench target)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/x64}
cmake --build "$build" -j2 --target removal_bench >/dev/null
state=$(mktemp -d /tmp/korvel-bench-removal.XXXXXX)
cleanup() { "$root/scripts/wine-prefix.sh" down "$state" >/dev/null 2>&1 || true; rm -rf "$state"; }
trap cleanup EXIT
"$root/scripts/wine-prefix.sh" up "$state" >/dev/null
KORVEL_WINE_STATE=$state "$root/scripts/wine-run.sh" "$build/bin/removal_bench.exe" | tr -d '\r'
