#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (never ~/.wine).
# Usage: wine-run.sh PROGRAM [ARGS...]; WINE_LOADER and WINEPREFIX come from the caller.
set -euo pipefail
: "${WINE_LOADER:?}" "${WINEPREFIX:?}"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The first caller creates the prefix; the others wait for it.
if [ ! -f "$WINEPREFIX/.ready" ]; then
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
  flock -u 9
  exec 9>&-
fi
exec "$WINE_LOADER" "$@"
