# Cross build for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(WIDL_ARCH_FLAG --win32)
set(WINE_LOADER ${WINE32})
set(WINE_BUILTIN_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
