#!/usr/bin/env bash
# Runs the benchmarks under Wine (64-bit build) in a prefix of their own and prints the figures.
# The client and Wine's server share one CPU: a server round trip costs about 8 us then, and
# about 40 us when they run on different CPUs, so unpinned figures jump between the two.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-paths.sh"
if [ "${BENCH_PINNED:-}" != 1 ]; then
  bash "$root/scripts/build.sh" >/dev/null
  export BENCH_PINNED=1
  exec taskset -c 0 "$0" "$@"
fi
build="$root/build/win64"
export WINEPREFIX="$root/build/bench-prefix" WINE_LOADER=$WINE64 WINEDEBUG=-all
run() { "$root/scripts/wine-run.sh" "$@"; }
# A server left from an earlier run would not be pinned; this run starts its own.
"$WINESERVER64" -k 2>/dev/null || true
trap '"$WINESERVER64" -k 2>/dev/null || true' EXIT
echo "pinned to CPU $(taskset -pc $$ | sed 's/.*: //')"
run regsvr32 /s "$build/server/Tarnwell0201.dll"
echo "== late-bound reads"
run "$build/bench/dispatch_read_bench.exe"
echo "== App Paths scan"
run "$build/bench/scan_bench.exe"
echo "== large listings"
run "$build/bench/scale_bench.exe"
