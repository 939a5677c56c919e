# Where Debian's Wine keeps its loaders and servers: the one place that names them. The shell
# scripts source this file; the CMake toolchain files read its NAME=VALUE lines
# (cmake/mingw-common.cmake), so those stay plain: no quotes, no spaces, no variables.
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER64=/usr/lib/wine/wineserver64
WINESERVER32=/usr/lib/wine/wineserver32

# True when this host runs 32-bit programs: the 32-bit loader starts only where the kernel
# can execute 32-bit code.
host_runs_32bit() { "$WINE32" --version >/dev/null 2>&1; }
