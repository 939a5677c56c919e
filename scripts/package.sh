#!/usr/bin/env bash
# Builds what ships into build/package/: the installers Stellwick-VERSION-x64.msi (64-bit
# Windows: both DLLs) and Stellwick-VERSION-x86.msi (32-bit Windows), and the portable
# Stellwick-VERSION.zip. Builds both trees first (scripts/build.sh).
# Options: --version 1.01.0012 makes a later version (the installer tests upgrade with it),
# --out DIR writes elsewhere, --no-build takes the build trees as they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=1.01.0011
out="$root/build/package"
build=1
while [ $# -gt 0 ]; do
  case $1 in
    --version) version=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "usage: package.sh [--version MAJOR.MINOR.BUILD] [--out DIR] [--no-build]" >&2; exit 2 ;;
  esac
done
# Windows Installer compares the three numbers (leading zeros do not count) and shows the
# version as spelled in Add/Remove Programs; each has its upper limit.
[[ $version =~ ^[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,5}$ ]] &&
  awk -F. '{ exit !($1 + 0 <= 255 && $2 + 0 <= 255 && $3 + 0 <= 65535) }' <<<"$version" ||
  { echo "package: the version is MAJOR.MINOR.BUILD (at most 255.255.65535), like 1.01.0011" >&2; exit 2; }

if [ "$build" = 1 ]; then
  bash "$root/scripts/install-deps.sh" >/dev/null
  bash "$root/scripts/build.sh"
fi
win32="$root/build/win32" win64="$root/build/win64"
gen="$win64/packaging"  # the registry entries, written at build time by registration_wxi
for f in "$win32/server/Tarnwell0201.dll" "$win32/stellwick/Stellwick.exe" "$win32/stellwick/Stellwick.com" \
         "$win64/server/Tarnwell0201.dll" \
         "$gen/registry-win32.wxi" "$gen/registry-win64.wxi"; do
  [ -f "$f" ] || { echo "package: $f is missing; build first" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
# wixl finds the files relative to the folder it runs in.
cd "$root"
for arch in x64 x86; do
  msi="$out/Stellwick-$version-$arch.msi"
  wixl -a "$arch" -D Platform="$arch" -D Version="$version" \
    -D Win32Dir=build/win32 -D Win64Dir=build/win64 -I "$gen" -o "$msi" packaging/Stellwick.wxs
  echo "package: $msi"
done

# The zip: both DLLs, Stellwick (window and console), its read-me, the report's schema and the
# command files that register the DLLs (with Windows line ends, which cmd.exe expects).
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/x86" "$stage/x64" "$stage/fleet"
cp "$win32/server/Tarnwell0201.dll" "$stage/x86/"
cp "$win64/server/Tarnwell0201.dll" "$stage/x64/"
cp "$win32/stellwick/Stellwick.exe" "$win32/stellwick/Stellwick.com" "$win32/stellwick/ReadMe.html" \
   "$root/stellwick/resources/stellwick.report.schema.json" "$stage/"
for cmd in register.cmd unregister.cmd; do sed 's/$/\r/' "$root/packaging/$cmd" >"$stage/$cmd"; done
cp "$root"/packaging/fleet/* "$stage/fleet/"
zip="$out/Stellwick-$version.zip"
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip x86 x64 fleet Stellwick.exe Stellwick.com ReadMe.html \
  stellwick.report.schema.json register.cmd unregister.cmd)
echo "package: $zip"
