#!/usr/bin/env bash
# Builds everything, registers Tarnwell0201.dll in a Wine prefix of its own
# (build/run-prefix) and lists a registry key through the facade with a small script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
export WINEPREFIX="$root/build/run-prefix" WINE_LOADER=/usr/lib/wine/wine64 WINEDEBUG=-all
"$root/tests/wine-run.sh" regsvr32 /s "$root/build/win64/server/Tarnwell0201.dll"
cat > "$WINEPREFIX/drive_c/list.vbs" <<'VBS'
Set reg = CreateObject("Tarnwell0201.zbnRegistry2")
For Each k In reg.GetSubKeys(&H80000002, "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths")
    Set v = reg.GetValue(&H80000002, k.SubKey & "\" & k.Name)
    WScript.Echo k.Name & " = " & reg.GetValueData_SZ(v)
Next
VBS
"$root/tests/wine-run.sh" cscript //nologo 'C:\list.vbs'
/usr/lib/wine/wineserver64 -k
