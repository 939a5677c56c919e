#!/usr/bin/env bash
# Runs the benchmarks under Wine (64-bit build) in a prefix of their own and prints the figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" >/dev/null
build="$root/build/win64"
export WINEPREFIX="$root/build/bench-prefix" WINE_LOADER=/usr/lib/wine/wine64 WINEDEBUG=-all
run() { "$root/tests/wine-run.sh" "$@"; }
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
run regsvr32 /s "$build/server/Tarnwell0201.dll"
echo "== late-bound reads"
run "$build/bench/dispatch_read_bench.exe"
echo "== App Paths scan"
run "$build/bench/scan_bench.exe"
