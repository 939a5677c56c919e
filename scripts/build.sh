#!/usr/bin/env bash
# Configures and builds both Windows targets: build/win32 (the shipped 32-bit programs)
# and build/win64 (the 64-bit DLL, and everything else for hosts that run only 64-bit code).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for arch in win32 win64; do
  case $arch in win32) tc=mingw-i686 ;; win64) tc=mingw-x86_64 ;; esac
  dir="$root/build/$arch"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$tc.cmake" >/dev/null
  fi
  cmake --build "$dir" -j2
done
