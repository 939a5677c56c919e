#!/usr/bin/env bash
# A file ExportRegKey wrote, imported by Wine's own registry editor (regedit /s) into a prefix
# made for this test, gives there the tree that was exported, byte for byte.
# Usage: regedit_fresh_prefix_test.sh REGEDIT_CHECK_EXE; WINE_LOADER and WINEPREFIX (the tests'
# prefix, where the tree is written and exported) come from CTest.
set -uo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
source "$root/scripts/wine-paths.sh"
: "${WINE_LOADER:?}" "${WINEPREFIX:?}"
tool=$1
run="$root/scripts/wine-run.sh"
server=$WINESERVER64
[ "$WINE_LOADER" = "$WINE32" ] && [ -x "$WINESERVER32" ] && server=$WINESERVER32

work=$(mktemp -d "$WINEPREFIX-regedit.XXXXXX")
fresh="$work/prefix"
cleanup() {
  WINEPREFIX="$fresh" "$server" -k 2>/dev/null
  WINEPREFIX="$fresh" "$server" -w 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
file="$work/export.reg"
winfile="Z:${file//\//\\}"

fail() { echo "regedit_fresh_prefix: $*"; exit 1; }
"$run" "$tool" export "$winfile" || fail "the export failed"
[ -s "$file" ] || fail "no file was written"
WINEPREFIX="$fresh" "$run" "$tool" check 2>/dev/null && fail "the new prefix holds the tree before the import"
WINEPREFIX="$fresh" "$run" regedit /s "$winfile" || fail "regedit /s failed"
WINEPREFIX="$fresh" "$run" "$tool" check || fail "the tree regedit imported differs"
echo "regedit_fresh_prefix: the tree came back whole in a new prefix"
