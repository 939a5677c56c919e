#!/usr/bin/env bash
# Installs, upgrades and removes the packages in fresh Wine prefixes of their own, as a user's
# machine would run them, and checks what each step leaves behind. Run by scripts/test.sh after
# scripts/package.sh; DISPLAY is the test run's own Xvfb. Stops the wineservers it starts.
#   x64 package: in a 64-bit prefix, always.
#   x86 package: in a 32-bit prefix where the host runs 32-bit programs; elsewhere its tables
#                are checked instead.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-paths.sh"
here="$root/tests/packaging"
version=1.01.0011 later=1.01.0012
work="$root/build/install-test"
rm -rf "$work"
mkdir -p "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

passes=0 failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "install test: ok: $what"
    passes=$((passes + 1))
  else
    echo "install test: FAILED: $what"
    failures=$((failures + 1))
  fi
}
say() { echo "install test: $*"; }

servers=()
prefixes=()
cleanup() {
  for p in "${prefixes[@]}"; do WINEPREFIX="$p" "$WINESERVER64" -k 2>/dev/null; done
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT

can32=0
host_runs_32bit && can32=1

# The later version the upgrade installs: the same files under a higher product version.
bash "$root/scripts/package.sh" --no-build --version "$later" --out "$work/later" >/dev/null || exit 1

dos() { local p=${1//\//\\}; echo "Z:$p"; }
# Stellwick's App Paths registration: the installers' for every user, and the one Stellwick
# writes for the current user when its window opens.
machine_app_path='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Stellwick.exe'
user_app_path='HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\Stellwick.exe'
wine() { "$root/scripts/wine-run.sh" "$@"; }
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }  # the rows of a package's table
msi_property() { table "$1" Property | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }

# key_exists VIEW KEY...: true when every key exists in that registry view (32 or 64).
key_exists() { local view=$1 key; shift; for key; do wine reg query "$key" "/reg:$view" >/dev/null 2>&1 || return 1; done; }
key_absent() { ! key_exists "$@"; }

# default_value VIEW KEY: the key's default value, a string, in that registry view.
default_value() { wine reg query "$2" /ve "/reg:$1" 2>/dev/null | tr -d '\r' | sed -n 's/^.*  REG_SZ  *//p'; }

# class_keys ROOT: the keys the DLL's registration makes below a classes root (HKCR for every
# user, HKCU\Software\Classes for one).
class_keys() {
  local key
  for key in 'CLSID\{C3F5ED98-A817-4C91-97C6-86FAF3BB2D7A}' 'CLSID\{FE2FDA5B-96EA-40FF-9D44-F40D7B446DF4}' \
             'CLSID\{DD448025-F760-464A-87D6-C7B6C7054C14}' \
             'Tarnwell0201.zbnRegistry2' 'Tarnwell0201.zbnRegistry2.1' \
             'Tarnwell0201.zbnRegistry3' 'Tarnwell0201.zbnRegistry3.1' \
             'Tarnwell0201.zbnZerbaneSettings2' 'Tarnwell0201.zbnZerbaneSettings2.1' \
             'TypeLib\{2A72E4E9-EBB2-440E-8BF2-1713DDD9EAFD}' \
             'Interface\{29166134-BB8A-4CDB-B63D-AAE878527040}' 'Interface\{0345402C-C5B0-4860-A2C9-08EB05693122}' \
             'Interface\{E7FC5139-6BCE-4855-9897-3BCFE5A69750}' 'Interface\{4229AC43-F316-4B35-984F-BA47DF9CB5FB}' \
             'Interface\{727C565D-0DDE-40AC-8BF1-8EB44275F079}' 'Interface\{670AD5FB-91FE-4981-8078-4AAEF2BE5BAE}' \
             'Interface\{52AD42E6-9460-4B88-AC45-17FD59A7C8A4}'; do
    echo "$1\\$key"
  done
}

# none_left DESCRIPTION VIEWS KEY...: checks that none of the keys exists in any of the registry
# views, and says which do.
none_left() {
  local what=$1 views=$2 view key left=""
  shift 2
  for view in $views; do
    for key in "$@"; do
      key_exists "$view" "$key" && left+="$key ($view-bit view); "
    done
  done
  [ -z "$left" ] || say "left behind: $left"
  check "$what" test -z "$left"
}

# The Add/Remove Programs entries named Zerbane - Stellwick, as "DisplayVersion Publisher".
arp_entries() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ { if (name == "Zerbane - Stellwick") print ver, pub; name = ver = pub = "" }
         $1 == "DisplayName" { sub(/.*REG_SZ +/, ""); name = $0 }
         $1 == "DisplayVersion" { ver = $3 }
         $1 == "Publisher" { pub = $3 }
         END { if (name == "Zerbane - Stellwick") print ver, pub }'
}

# Every file the package lists is installed with the size the package gives it.
files_match() {  # files_match MSI DIR... (a file may sit in a folder below a DIR)
  local msi=$1
  shift
  local listed installed=0
  listed=$(table "$msi" File | awk -F'\t' '{ n = split($3, a, "|"); print a[n] "\t" $4 }')
  while IFS=$'\t' read -r name size; do
    local found=0
    local file
    while read -r file; do
      [ "$(stat -c %s "$file")" = "$size" ] && found=1
    done < <(find "$@" -type f -name "$name" 2>/dev/null)
    [ $found = 1 ] || { say "missing or different: $name"; return 1; }
    installed=$((installed + 1))
  done <<<"$listed"
  [ "$installed" -gt 0 ]
}

# window_appears TITLE PROGRAM: true once PROGRAM (as X names it: stellwick.exe) shows a
# window of that title on the display; waits up to a minute.
window_appears() {
  local _
  for _ in $(seq 120); do
    xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\": (\"$2\"" && return 0
    sleep 0.5
  done
  return 1
}

script_host_runs() {  # script_host_runs CSCRIPT [SCRIPT]: the script's last line says all its checks passed
  local script=${2:-$here/installed.vbs}
  wine "$1" //nologo "$(dos "$script")" 2>&1 | tr -d '\r' | tee "$work/script.out" |
    grep -q "^$(basename "$script"): all checks passed$"
}

# views_seen CSCRIPT: the views test from that script host, with what each view read.
views_seen() {
  script_host_runs "$1" "$root/tests/vbs/registry_views.vbs"
  local rc=$?
  say "$(grep -h '^views: \|^FAIL' "$work/script.out")"
  return $rc
}

# Runs the whole round on one package: install, check, upgrade, check, uninstall, check.
#   exercise ARCH LOADER SERVER VIEWS PROGRAM_FILES_32 PROGRAM_FILES_64 (the native view first)
exercise() {
  local arch=$1 loader=$2 server=$3 views=$4 pf32=$5 pf64=$6
  local native=${views%% *} exe="C:\\$pf32\\Orrindale\\Stellwick\\Stellwick.exe"
  local msi="$root/build/package/Stellwick-$version-$arch.msi" newer="$work/later/Stellwick-$later-$arch.msi"
  local prefix="$work/prefix-$arch"
  mkdir -p "$prefix"
  export WINEPREFIX="$prefix" WINE_LOADER="$loader"
  "$server" -f -p >/dev/null 2>&1 &
  servers+=($!)
  prefixes+=("$prefix")
  local c="$prefix/drive_c"
  local dir32="$c/$pf32/Orrindale/Stellwick" dir64=""
  [ -n "$pf64" ] && dir64="$c/$pf64/Orrindale/Stellwick"

  say "== $arch package, fresh prefix"
  check "$arch: msiexec /i /qn succeeds" wine msiexec /i "$(dos "$msi")" /qn
  check "$arch: every file of the package is installed" files_match "$msi" "$dir32" ${dir64:+"$dir64"}
  check "$arch: the machine's App Paths names the installed Stellwick.exe ($native-bit view)" \
    test "$(default_value "$native" "$machine_app_path")" = "$exe"
  if [ "$arch" = x64 ]; then
    # Wine keeps one App Paths key for both views, so the view is read from the package: the
    # shell of 64-bit Windows reads the 64-bit one.
    check "x64: the App Paths registration belongs to a 64-bit component" \
      test "$(table "$msi" Component | awk -F'\t' '$1 == "AppPath" { print int($4 / 256) % 2 }')" = 1
  fi
  check "$arch: the native script host creates the classes and reads a value" script_host_runs cscript
  check "$arch: zbnRegistry3 reads each registry view from the native script host" views_seen cscript
  if [ "$arch" = x64 ]; then
    if [ $can32 = 1 ]; then
      check "x64: the 32-bit script host creates the classes and reads a value" \
        script_host_runs 'C:\windows\syswow64\cscript.exe'
      check "x64: zbnRegistry3 reads each registry view from the 32-bit script host" \
        views_seen 'C:\windows\syswow64\cscript.exe'
    else
      say "this host cannot run 32-bit programs: the 32-bit script host is not run, nor its views test (registry_views.vbs: View=64 from a 32-bit script); the 32-bit view's registration is checked instead"
      check "x64: the 32-bit view serves the 32-bit DLL" \
        test "$(default_value 32 'HKCR\CLSID\{FE2FDA5B-96EA-40FF-9D44-F40D7B446DF4}\InprocServer32')" = \
        'C:\Program Files (x86)\Orrindale\Stellwick\Tarnwell0201.dll'
      check "x64: the 32-bit view has the type library and the programmatic identifiers" key_exists 32 \
        'HKCR\TypeLib\{2A72E4E9-EBB2-440E-8BF2-1713DDD9EAFD}\1.1\0\win32' \
        'HKCR\Tarnwell0201.zbnRegistry2\CLSID' 'HKCR\Tarnwell0201.zbnRegistry3\CLSID'
    fi
  fi

  local menu lnk target
  menu=$(find "$c" -type d -path '*/Start Menu/Programs/Zerbane - Stellwick' | head -1)
  check "$arch: the Start menu has the Stellwick folder" test -n "$menu"
  lnk="$menu/Stellwick.lnk"
  target=$(python3 "$here/read_lnk.py" "$lnk" 2>/dev/null)
  check "$arch: the Stellwick shortcut points at the installed program" \
    test "$target" = "C:\\${pf32//\//\\}\\Orrindale\\Stellwick\\Stellwick.exe"
  check "$arch: the read-me shortcut points at the installed read-me" \
    test "$(python3 "$here/read_lnk.py" "$menu/Stellwick read-me.lnk" 2>/dev/null)" = "${target%Stellwick.exe}ReadMe.html"
  if [ $can32 = 1 ]; then
    # Stellwick is a 32-bit program: started from the shortcut's target, it shows its window.
    wine "$target" >/dev/null 2>&1 &
    local app=$!
    check "$arch: Stellwick starts from where the shortcut points" window_appears Stellwick stellwick.exe
    wine taskkill /f /im Stellwick.exe >/dev/null 2>&1
    wait "$app" 2>/dev/null
    # The installer's registration names it already: Stellwick adds none of its own that
    # would outlive the uninstall.
    check "$arch: Stellwick started adds no per-user App Paths registration" key_absent "$native" "$user_app_path"
    # The console program beside it: the summary line is always its last.
    check "$arch: the installed Stellwick.com lists and ends with its summary" bash -c \
      "'$root/scripts/wine-run.sh' '${target%.exe}.com' /list | tr -d '\r' | tail -1 | grep -q '^Stellwick: looked '"
  else
    say "this host cannot run 32-bit programs: Stellwick (32-bit) is not started; its shortcut and file are checked"
  fi
  check "$arch: one Add/Remove Programs entry, version $version by Orrindale" test "$(arp_entries)" = "$version Orrindale"
  check "$arch: the entry has the product icon" \
    test "$(msiinfo streams "$msi" | grep -x 'Icon.stellwick.ico')/$(msi_property "$msi" ARPPRODUCTICON)" = "Icon.stellwick.ico/stellwick.ico"

  say "== $arch package, upgrade to $later"
  check "$arch: msiexec /i of the later version succeeds" wine msiexec /i "$(dos "$newer")" /qn
  check "$arch: one Add/Remove Programs entry, version $later" test "$(arp_entries)" = "$later Orrindale"
  check "$arch: the earlier product is gone" key_absent "$native" \
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$(msi_property "$msi" ProductCode)"
  check "$arch: the later package's files are installed" files_match "$newer" "$dir32" ${dir64:+"$dir64"}
  check "$arch: the machine's App Paths still names the installed Stellwick.exe" \
    test "$(default_value "$native" "$machine_app_path")" = "$exe"
  check "$arch: the classes still work" script_host_runs cscript

  # What belongs to the user: a backup Stellwick made and settings (installed.vbs saved some).
  local backup="$c/users/$(id -un)/AppData/Local/Orrindale/Stellwick/Backup"
  mkdir -p "$backup" && echo "REGEDIT4" >"$backup/kept.reg"

  say "== $arch package, uninstall"
  check "$arch: msiexec /x /qn succeeds" wine msiexec /x "$(dos "$newer")" /qn
  check "$arch: no file or folder of ours is left" bash -c \
    "! ls -d '$c/$pf32/Orrindale' ${pf64:+'$c/$pf64/Orrindale'} '$menu' 2>/dev/null | grep -q ."
  check "$arch: no Add/Remove Programs entry is left" test -z "$(arp_entries)"
  local keys
  mapfile -t keys < <(class_keys HKCR)
  none_left "$arch: no key of ours is left under classes, interfaces, type libraries and App Paths" "$views" \
    "${keys[@]}" 'HKLM\Software\Orrindale' "$machine_app_path"
  check "$arch: the user's settings and backups stay" bash -c \
    "test -f '$backup/kept.reg' && '$root/scripts/wine-run.sh' reg query 'HKCU\\Software\\Orrindale\\Zerbane\\Stellwick install test' >/dev/null 2>&1"
}

# The zip in the 64-bit prefix the x64 round left clean: its files, and its command files, which
# register and unregister for the current user. register.cmd runs two halves: the x64 one (the
# 64-bit regsvr32), then the x86 one (the 32-bit regsvr32), which starts only where the host runs
# 32-bit programs; where it cannot, register.cmd says that regsvr32 failed and exits 1.
# 64-bit Windows keeps the user's class keys of each half in a view of its own; Wine keeps one
# for both, so it names the DLL of the half that ran last. What each half leaves for itself is its
# type library registration, win64 or win32.
portable() {
  local dir="$WINEPREFIX/drive_c/StellwickPortable" classes='HKCU\Software\Classes'
  local clsid="$classes\\CLSID\\{C3F5ED98-A817-4C91-97C6-86FAF3BB2D7A}\\InprocServer32"
  local typelib="$classes\\TypeLib\\{2A72E4E9-EBB2-440E-8BF2-1713DDD9EAFD}\\1.1\\0"
  local halves=x64 last=x64 keys
  [ $can32 = 1 ] && halves="x64 x86" last=x86
  mkdir -p "$dir"
  (cd "$dir" && cmake -E tar xf "$root/build/package/Stellwick-$version.zip")
  say "== the zip"
  check "zip: both DLLs, Stellwick, its read-me and the command files" \
    test "$(cd "$dir" && find . -type f | sort | tr '\n' ' ')" = \
    "$(printf '%s\n' ./ReadMe.html ./Stellwick.com ./Stellwick.exe ./register.cmd ./stellwick.report.schema.json \
       ./unregister.cmd ./x64/Tarnwell0201.dll ./x86/Tarnwell0201.dll \
       $(cd "$root/packaging" && find fleet -type f -printf './%p\n') | sort | tr '\n' ' ')"
  if [ $can32 = 1 ]; then
    say "this host runs 32-bit programs: the command files run both halves, x64 then x86"
  else
    say "this host cannot run 32-bit programs: the command files run the x64 half; the x86 half cannot start, and they say so and exit 1"
  fi

  run_command_file register.cmd "$halves"
  check "zip: the x64 half registers its type library (win64) for the current user" \
    test "$(default_value 64 "$typelib\\win64")" = 'C:\StellwickPortable\x64\Tarnwell0201.dll'
  if [ $can32 = 1 ]; then
    check "zip: the x86 half registers its type library (win32) for the current user" \
      test "$(default_value 64 "$typelib\\win32")" = 'C:\StellwickPortable\x86\Tarnwell0201.dll'
  else
    check "zip: no 32-bit type library registration (win32), as the x86 half did not run" \
      key_absent 64 "$typelib\\win32"
  fi
  check "zip: the user's CLSID key, one for both views under Wine, names the DLL of the half that ran last ($last)" \
    test "$(default_value 64 "$clsid")/$(default_value 32 "$clsid")" = \
    "C:\\StellwickPortable\\$last\\Tarnwell0201.dll/C:\\StellwickPortable\\$last\\Tarnwell0201.dll"

  # Stellwick registers itself for the current user when its window opens, as this does.
  wine reg add "$user_app_path" /ve /d 'C:\StellwickPortable\Stellwick.exe' /f >/dev/null
  run_command_file unregister.cmd "$halves"
  mapfile -t keys < <(class_keys "$classes")
  none_left "zip: no key of ours is left in the user's classes" "64 32" "${keys[@]}"
  check "zip: unregister.cmd removes the user's App Paths registration naming this folder's Stellwick.exe" \
    key_absent 64 "$user_app_path"
  # One that another copy of Stellwick wrote stays.
  wine reg add "$user_app_path" /ve /d 'C:\Other copy\Stellwick.exe' /f >/dev/null
  run_command_file unregister.cmd "$halves"
  check "zip: unregister.cmd leaves the user's App Paths registration naming another copy" \
    test "$(default_value 64 "$user_app_path")" = 'C:\Other copy\Stellwick.exe'
  wine reg delete "$user_app_path" /f >/dev/null 2>&1
}

# run_command_file FILE HALVES: runs the zip's FILE /user, says which halves it reports done, and
# checks that report and its exit code against the halves this host runs.
run_command_file() {
  local file=$1 halves=$2 out rc ran
  out=$(wine cmd /c "C:\\StellwickPortable\\$file" /user 2>&1 | tr -d '\r')
  rc=$?
  ran=$(sed -n 's/^\(x64\|x86\)\\Tarnwell0201\.dll: done$/\1/p' <<<"$out" | xargs)
  say "zip: $file /user ran the halves: ${ran:-none}"
  check "zip: $file /user reports each half done: $halves" test "$ran" = "$halves"
  if [ $can32 = 1 ]; then
    check "zip: $file /user exits 0" test "$rc" = 0
  else
    check "zip: $file /user exits 1 and says that regsvr32 failed (the x86 half)" \
      test "$rc/$(grep -c '^regsvr32 failed with code' <<<"$out")" = 1/1
  fi
}

started=$SECONDS
exercise x64 "$WINE64" "$WINESERVER64" "64 32" "Program Files (x86)" "Program Files"
portable
if [ $can32 = 1 ]; then
  WINEARCH=win32 exercise x86 "$WINE32" "$WINESERVER32" "32" "Program Files" ""
else
  say "this host cannot run 32-bit programs: the x86 package is not installed; its tables are checked"
  x86="$root/build/package/Stellwick-$version-x86.msi"
  check "x86: a package for 32-bit Windows" bash -c "msiinfo suminfo '$x86' | grep -qx 'Template: Intel;1033'"
  check "x86: the 32-bit files only" test "$(table "$x86" File | cut -f1 | sort | tr '\n' ' ')" = "Dll32 FleetAnsible FleetDetect FleetDiscover FleetFindings FleetRemediate ReadMe ReportSchema StellwickCom StellwickExe "
  check "x86: no 64-bit component" test -z "$(table "$x86" Component | awk -F'\t' 'int($4 / 256) % 2 == 1')"
  check "x86: the 32-bit registration only" test "$(table "$x86" Registry | grep -c 'win32')/$(table "$x86" Registry | grep -c 'win64')" = "1/0"
fi
say "$((SECONDS - started)) s"
echo "installer: $passes passed, $failures failed"
exit $((failures > 0))
