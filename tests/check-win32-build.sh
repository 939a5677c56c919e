#!/usr/bin/env bash
# What can be checked of the 32-bit build on a host that cannot execute it: the machine
# type of each program, the DLL's exports and ordinals, and a 32-bit type library embedded
# in the DLL. Usage: check-win32-build.sh BUILD_DIR
set -uo pipefail
build=${1:?build directory}
objdump=i686-w64-mingw32-objdump
status=0
fail() { echo "check-win32-build: $*"; status=1; }

for program in server/Tarnwell0201.dll stellwick/Stellwick.exe; do
  "$objdump" -f "$build/$program" 2>/dev/null | grep -q 'file format pei-i386' ||
    fail "$program is not a 32-bit program"
done

# Name and ordinal of each export, as the .def file gives them.
exports=$("$objdump" -p "$build/server/Tarnwell0201.dll" | awk '
  /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
  table && /^\t\[/ { gsub(/[\[\]]/, ""); print $1 + 1, $2; next }
  table { table = 0 }' | sort -n)
expected=$'1 DllCanUnloadNow\n2 DllGetClassObject\n3 DllRegisterServer\n4 DllUnregisterServer\n5 DllInstall'
[ "$exports" = "$expected" ] || fail "exports differ: $(echo $exports)"

python3 - "$build" <<'PY' || status=1
import struct, sys
build = sys.argv[1]
tlb = open(f"{build}/automation/Tarnwell0201.tlb", "rb").read()
dll = open(f"{build}/server/Tarnwell0201.dll", "rb").read()
if tlb[:4] != b"MSFT" or struct.unpack_from("<I", tlb, 20)[0] & 0xF != 1:  # SYS_WIN32
    sys.exit("check-win32-build: the type library is not a 32-bit one")
if tlb not in dll:
    sys.exit("check-win32-build: the DLL does not embed its type library")
PY
[ $status -eq 0 ] && echo "check-win32-build: 32-bit programs, exports and type library as expected"
exit $status
