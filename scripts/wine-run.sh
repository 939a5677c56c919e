#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (never ~/.wine).
# Usage: wine-run.sh PROGRAM [ARGS...]; WINE_LOADER and WINEPREFIX come from the caller,
# WINE_TEST_DPI (optional) is the display DPI of the prefix.
set -euo pipefail
: "${WINE_LOADER:?}" "${WINEPREFIX:?}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The prefix's display DPI: 96 unless WINE_TEST_DPI gives another (Wine reads it whenever a
# program starts, so the whole run sees it; the prefix keeps it until another is asked for).
dpi="${WINE_TEST_DPI:-96}"
[[ "$dpi" =~ ^[1-9][0-9]*$ ]] || { echo "wine-run.sh: WINE_TEST_DPI must be a whole number" >&2; exit 2; }

# The first caller creates the prefix and sets its DPI; the others wait for it.
if [ ! -f "$WINEPREFIX/.ready" ] || [ "$(cat "$WINEPREFIX/.dpi" 2>/dev/null)" != "$dpi" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.ready" ]; then
    "$WINE_LOADER" wineboot -i >/dev/null 2>&1
    # Wine's own Tahoma and Marlett (Debian's fonts-wine), which this Wine does not find
    # by itself: a window then looks as on Windows, not in a fallback face.
    if [ -d /usr/share/wine/fonts ]; then
      cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    touch "$WINEPREFIX/.ready"
  fi
  if [ "$(cat "$WINEPREFIX/.dpi" 2>/dev/null)" != "$dpi" ]; then
    "$WINE_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
      { echo "wine-run.sh: cannot set the prefix to $dpi DPI" >&2; exit 1; }
    echo "$dpi" >"$WINEPREFIX/.dpi"
  fi
  flock -u 9
  exec 9>&-
fi
exec "$WINE_LOADER" "$@"
