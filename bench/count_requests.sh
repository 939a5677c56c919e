#!/usr/bin/env bash
# Counts the Wine server requests of the App Paths scan, per registration (one scan through the
# facade and one with raw Win32 calls), and of the late-bound reads, per read (one round of each
# kind), from the server's own trace (WINEDEBUG=+server).
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

# count BENCH N WHAT: the requests between the bench's marks, per WHAT (N of them per mark).
count() {
  "$WINESERVER64" -k 2>/dev/null || true
  # The server traces when it starts with +server; the bench's thread is the one that marks.
  WINEDEBUG=+server run "$build/bench/$1.exe" --count 2>"$trace"
  awk -v n="$2" -v what="$3" '
    /name=L"bench-mark-/ { match($0, /bench-mark-[a-z]+/); phase = substr($0, RSTART + 11, RLENGTH - 11);
                           thread = $1; if (phase != "end") order[++phases] = phase; next }
    phase != "" && phase != "end" && $1 == thread && $2 ~ /^[a-z_]+\($/ {
      count[phase]++; kind[phase " " substr($2, 1, length($2) - 1)]++ }
    END {
      line = "server requests per " what ":"
      for (i = 1; i <= phases; i++) line = line (i > 1 ? "," : "") " " order[i] " " sprintf("%.2f", count[order[i]] / n)
      print line
      for (k in kind) printf "  %-30s %.2f\n", k, kind[k] / n | "sort"
      close("sort")
    }
  ' "$trace"
}
count scan_bench 10000 registration
count dispatch_read_bench 200 read
