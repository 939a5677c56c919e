#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine, on a virtual X display.
# Stops the Xvfb and the wineserver it started, by their process ids, when the run ends.
# WINE_TEST_DPI=120 scripts/test.sh runs it with the test prefixes at 120 DPI (default 96).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-paths.sh"
bash "$root/scripts/install-deps.sh" >/dev/null
bash "$root/scripts/build.sh" || exit 1

pids=()
prefixes=()
cleanup() {
  # First the Wine processes of each server we started, then the servers and Xvfb.
  for p in "${prefixes[@]}"; do WINEPREFIX="$p" "$WINESERVER64" -k 2>/dev/null; done
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT

# A display of our own for the window tests: Xvfb picks a free number itself and writes it
# once it accepts connections, so runs started side by side never share one.
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
display=$(tr -d '[:space:]' <"$displayfile")
rm -f "$displayfile"
[ -n "$display" ] || { echo "test: Xvfb did not start"; exit 1; }
export DISPLAY=":$display"

# 64-bit code always runs here; 32-bit code only where the kernel can execute it.
builds=(win64)
if host_runs_32bit; then builds+=(win32); else
  echo "test: this host cannot execute 32-bit programs; the 32-bit build is compiled but not run"
fi

status=0
for arch in "${builds[@]}"; do
  dir="$root/build/$arch"
  prefix="$dir/wineprefix"
  mkdir -p "$prefix"
  server=$WINESERVER64
  [ "$arch" = win32 ] && [ -x "$WINESERVER32" ] && server=$WINESERVER32
  # A persistent server for the whole run, so each test does not start its own.
  WINEPREFIX="$prefix" "$server" -f -p >/dev/null 2>&1 &
  pids+=($!)
  prefixes+=("$prefix")
  # Boot the prefix now, detached from any test's output: the services Wine starts here
  # live as long as the server and must not hold a test's pipes open.
  loader=$WINE64
  [ "$arch" = win32 ] && loader=$WINE32
  WINE_LOADER="$loader" WINEPREFIX="$prefix" "$root/scripts/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1
  echo "== $arch, ${WINE_TEST_DPI:-96} DPI"
  ctest --test-dir "$dir" --output-on-failure -j2 || status=1
  # The summaries of the fuzzer and the allocation-failure sweep, and what each registry view
  # read from the script host, belong in every run's output.
  grep -h -E '^(fuzz|alloc sweep|views): ' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | sed "s/^/$arch /"
done
# Where the 32-bit build cannot run, at least what it is made of is checked.
if [[ ! " ${builds[*]} " =~ " win32 " ]]; then
  bash "$root/tests/check-win32-build.sh" "$root/build/win32" || status=1
fi
# What ships: the installers and the zip, then install, upgrade and uninstall in fresh prefixes.
echo "== installers"
if bash "$root/scripts/package.sh" --no-build; then
  bash "$root/tests/packaging/install_test.sh" || status=1
else
  status=1
fi
exit $status
