#!/usr/bin/env bash
# Counts the Wine server requests of the App Paths scan, per registration: one scan through
# the facade and one with raw Win32 calls, from the server's own trace (WINEDEBUG=+server).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-paths.sh"
build="$root/build/win64"
export WINEPREFIX="$root/build/bench-prefix" WINE_LOADER=$WINE64 WINEDEBUG=-all
run() { "$root/scripts/wine-run.sh" "$@"; }
trace=$(mktemp)
trap '"$WINESERVER64" -k 2>/dev/null || true; rm -f "$trace"' EXIT
"$WINESERVER64" -k 2>/dev/null || true
run regsvr32 /s "$build/server/Tarnwell0201.dll"
"$WINESERVER64" -k 2>/dev/null || true
# The server traces when it starts with +server; the bench's thread is the one that marks.
WINEDEBUG=+server run "$build/bench/scan_bench.exe" --count 2>"$trace"
awk -v n=10000 '
  /name=L"bench-mark-/ { match($0, /bench-mark-[a-z]+/); phase = substr($0, RSTART + 11, RLENGTH - 11);
                         thread = $1; next }
  (phase == "facade" || phase == "raw") && $1 == thread && $2 ~ /^[a-z_]+\($/ {
    count[phase]++; kind[phase " " substr($2, 1, length($2) - 1)]++ }
  END {
    printf "server requests per registration: facade %.2f, raw %.2f\n", count["facade"] / n, count["raw"] / n
    for (k in kind) printf "  %-30s %.2f\n", k, kind[k] / n | "sort"
  }
' "$trace"
