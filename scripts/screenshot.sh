#!/usr/bin/env bash
# Renders Stellwick under Xvfb with a few broken registrations (one per-user) and saves
# docs/stellwick.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-paths.sh"
bash "$root/scripts/build.sh" >/dev/null
build="$root/build/win64"
export WINEPREFIX="$root/build/screenshot-prefix" WINE_LOADER=$WINE64 WINEDEBUG=-all
display=91
while [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1040x440x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"
cleanup() { "$WINESERVER64" -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
wine_run() { "$root/scripts/wine-run.sh" "$@"; }
wine_run regsvr32 /s "$build/server/Tarnwell0201.dll"
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
for entry in 'oldeditor.exe|C:\Program Files\Old Editor\oldeditor.exe' \
             'viewer.exe|"C:\Program Files\Picture Viewer\viewer.exe"' \
             'report.exe|C:\Program Files\Reports 2019\report.exe' \
             'tool.exe|D:\Tools\tool.exe'; do
  wine_run reg add "$key\\${entry%%|*}" /ve /d "${entry#*|}" /f >/dev/null
done
# A per-user registration too, and the path column narrower, so that the scope and reason
# columns show; D: is no drive of the prefix, so tool.exe cannot be checked and shows grey.
wine_run reg add "${key/HKLM/HKCU}\\notes.exe" /ve /d 'C:\Users\Public\Apps\Notes\notes.exe' /f >/dev/null
columns='HKCU\Software\Orrindale\Zerbane\Zerbane - Stellwick\Version 1.1\lvAppPath'
wine_run reg add "$columns" /v 'Column 2 Width' /t REG_DWORD /d 4500 /f >/dev/null
# Without a window manager Wine leaves windows undecorated; its own virtual desktop draws
# the caption and frame as Windows would.
wine_run explorer /desktop=shot,1040x440 "$build/stellwick/Stellwick.exe" &
sleep 8
mkdir -p "$root/docs"
import -window root "$root/docs/stellwick.png"
echo "saved docs/stellwick.png"
