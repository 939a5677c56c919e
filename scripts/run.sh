#!/usr/bin/env bash
# Builds everything, registers Tarnwell0201.dll in a Wine prefix of its own (build/run-prefix,
# never ~/.wine) and starts Stellwick there. --seed first adds a few broken App Paths
# registrations, so that the list has something to show. Without a display to open the window
# on, it prints the list Stellwick's unattended mode makes (Stellwick.exe /list) instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-paths.sh"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

# The shipped programs are 32-bit; hosts that cannot run 32-bit code get the 64-bit build.
if host_runs_32bit; then
  build="$root/build/win32" loader=$WINE32 server=$WINESERVER32
else
  echo "run: this host cannot run 32-bit programs; starting the 64-bit build of Stellwick"
  build="$root/build/win64" loader=$WINE64 server=$WINESERVER64
fi
export WINEPREFIX="$root/build/run-prefix" WINE_LOADER="$loader" WINEDEBUG=-all
wine_run() { "$root/scripts/wine-run.sh" "$@"; }
trap '"$server" -k 2>/dev/null || true' EXIT

# Why Stellwick's window cannot be shown here; nothing when it can.
display_problem() {
  if [ -z "${DISPLAY:-}" ]; then
    echo "DISPLAY is not set"
  elif ! xdpyinfo >/dev/null 2>&1; then
    echo "the X server at DISPLAY=$DISPLAY does not answer"
  fi
}

wine_run regsvr32 /s "$build/server/Tarnwell0201.dll"
if [ "${1:-}" = "--seed" ]; then
  key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
  wine_run reg add "$key\\oldeditor.exe" /ve /d 'C:\Program Files\Old Editor\oldeditor.exe' /f >/dev/null
  wine_run reg add "$key\\viewer.exe" /ve /d '"C:\Program Files\Picture Viewer\viewer.exe"' /f >/dev/null
  wine_run reg add "$key\\tool.exe" /ve /d 'D:\Tools\tool.exe' /f >/dev/null
  wine_run reg add "$key\\tool.exe" /v Path /d 'D:\Tools' /f >/dev/null
fi
problem=$(display_problem)
if [ -z "$problem" ]; then
  wine_run "$build/stellwick/Stellwick.exe"
  exit
fi
echo "run: no display to show Stellwick's window on ($problem); here is what Stellwick.exe /list finds:"
# Stellwick writes the list to standard output only when that is a file or a pipe.
code=0
wine_run "$build/stellwick/Stellwick.exe" /list | tr -d '\r' || code=$?
# /list exits 1 when it found broken registrations: that is the list, not a failure.
[ "$code" -le 1 ] || exit "$code"
