#!/usr/bin/env bash
# lumora.msi installed by Wine's msiexec into a fresh prefix: its files in Program Files, the
# component's class, ProgID and type library as registry rows, the Start-menu entries; the
# installed lumora.exe runs and answers `build` on the example object as the build tree's does,
# and so does a script that makes the classes by their ProgIDs.
# msiexec /x then removes the files, the entries and every key.
# A package of a later version, made by wixl from the same staged files, replaces it; the
# earlier package then refuses to install over that.
# Usage: MsiUnderWine.sh MSI STAGE_DIR BUILT_LUMORA_EXE VERSION, from the source folder. Exit 77
# (skipped) when a tool is missing; under CI=true that fails.
set -euo pipefail
msi=$(realpath "$1") stage=$(realpath "$2") built=$(realpath "$3") version=$4

for tool in wine wineserver wineboot wixl; do
  command -v "$tool" >/dev/null && continue
  echo "msi-under-wine: missing $tool (./setup installs it)" >&2
  [[ ${CI:-} == true ]] && exit 1 || exit 77
done

dir=$(mktemp -d)
export WINEPREFIX=$dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2 && failures=$((failures + 1)); }
# Wine's programs end their lines with CR LF.
run() { wine "$@" 2>&1 | tr -d '\r'; }

# The prefix (about 20 s); the server stays up between the programs. Its services start here,
# with nothing of the caller's open.
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1

installdir='C:\Program Files (x86)\Lumora\'
folder="$WINEPREFIX/drive_c/Program Files (x86)/Lumora"
# The Start-menu folder of a per-machine package: the common one on Windows; Wine 8 takes the
# user's for ProgramMenuFolder even then.
programs='Microsoft/Windows/Start Menu/Programs'
menus=("$WINEPREFIX/drive_c/ProgramData/$programs/Lumora"
  "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/$programs/Lumora")
files=(lumora.exe BVLumora.dll BVLumoraHost.dll BVLumoraWin.dll lumora-odbc-try.exe lumora.ini lumora.chm
  sidepanel.png lumora.png)
clsid='HKCR\CLSID\{AFB22445-A174-40F6-8071-E46B5B17970C}'
typelib='HKCR\TypeLib\{2B0DA707-39B8-43CF-8EE5-6F740FF91419}\1.0'
helper='HKCR\CLSID\{D72BF160-C592-46DA-B4FD-F2FAB9529D68}'
helperlib='HKCR\TypeLib\{11302A6D-7684-491D-95BA-1A38429FA22D}\1.0'
# KEY|VALUE NAME (empty: the default value)|DATA, as `reg query` reads them in the 32-bit view
rows=(
  "$clsid||LumoraCtl"
  "$clsid\\InprocServer32||${installdir}BVLumora.dll"
  "$clsid\\InprocServer32|ThreadingModel|Apartment"
  "$clsid\\ProgID||BVLumora.LumoraCtl"
  "$clsid\\TypeLib||{2B0DA707-39B8-43CF-8EE5-6F740FF91419}"
  "$clsid\\Version||1.0"
  "$clsid\\Control||"
  'HKCR\BVLumora.LumoraCtl||LumoraCtl'
  'HKCR\BVLumora.LumoraCtl\CLSID||{AFB22445-A174-40F6-8071-E46B5B17970C}'
  "$typelib||Brevant Lumora Object Wizard"
  "$typelib\\0\\win32||${installdir}BVLumora.dll"
  "$typelib\\FLAGS||0"
  "$typelib\\HELPDIR||$installdir"
  "$helper\\InprocServer32||${installdir}BVLumoraHost.dll"
  "$helper\\InprocServer32|ThreadingModel|Apartment"
  "$helper\\TypeLib||{11302A6D-7684-491D-95BA-1A38429FA22D}"
  'HKCR\BVLumora.DesignObjectFile\CLSID||{D72BF160-C592-46DA-B4FD-F2FAB9529D68}'
  "$helperlib\\0\\win32||${installdir}BVLumoraHost.dll"
)

start=$SECONDS
run msiexec /i "$msi" /qn >"$dir/install.log" || fail "msiexec /i: $(cat "$dir/install.log")"
menu=${menus[0]}
[[ -d $menu ]] || menu=${menus[1]}
for file in "${files[@]/#/$folder/}" "$menu/Lumora.lnk" "$menu/Lumora Help.lnk"; do
  [[ -s $file ]] || fail "not installed: $file"
done
# The entry starts a command prompt that runs the installed program (its arguments are UTF-16).
for part in cmd.exe "\"${installdir}lumora.exe\" --help"; do
  tr -d '\0' <"$menu/Lumora.lnk" 2>/dev/null | grep -qaF "$part" || fail "Lumora.lnk lacks $part"
done
for row in "${rows[@]}"; do
  IFS='|' read -r key name data <<<"$row"
  # `reg query` of one value: the key and its line "NAME  REG_SZ  DATA", or its failure.
  answer=$(run reg query "$key" ${name:+/v} "${name:-/ve}" /reg:32) ||
    { fail "$key is not there: $answer" && continue; }
  # Exactly the data: the line ends after it. A key without values only has to be there.
  [[ -z $data ]] || grep -qxF "    ${name:-(Default)}    REG_SZ    $data" <<<"$answer" ||
    fail "$key ${name:-(default)} is not \"$data\": $answer"
done
# A 32-bit in-process class: registered for 32-bit programs only (Wow6432Node), not in the
# 64-bit view.
run reg query "$clsid" /reg:64 >/dev/null && fail "$clsid is in the 64-bit view"

# The installed program runs from its folder, finds its component and answers as the build
# tree's program does.
installed="${installdir}lumora.exe"
[[ $(run "$installed" --version) == *"$version"* ]] ||
  fail "installed lumora.exe --version: $(run "$installed" --version)"
object='Z:'$(realpath examples/object.json | tr / '\\')
run "$installed" build "$object" >"$dir/installed.out" || fail "installed lumora.exe build: exit"
run "$built" build "$object" >"$dir/built.out" || true
[[ -s "$dir/installed.out" ]] && cmp -s "$dir/installed.out" "$dir/built.out" ||
  fail "installed lumora.exe build answers otherwise than the build's:
$(diff "$dir/built.out" "$dir/installed.out")"

# A script host makes both classes through the rows the package wrote (nothing else registered
# them) and answers every feature path as the installed program does.
cut -f2 "$dir/built.out" >"$dir/features.txt"
client='Z:'$(realpath tests/windows/ScriptClient.js | tr / '\\')
run cscript //nologo "$client" "$object" "Z:$(tr / '\\' <<<"$dir/features.txt")" >"$dir/script.out" ||
  fail "the script client on the installed classes: $(cat "$dir/script.out")"
cmp -s "$dir/script.out" "$dir/built.out" ||
  fail "the script client answers otherwise than lumora.exe build:
$(diff "$dir/built.out" "$dir/script.out")"

# The installed lumora.exe check runs its try program, beside it, on the data sources of an
# object: one of a driver the prefix does not have, one of a driver registered in ODBCINST.INI
# whose file is missing; the output must hold each answer. Wine's answers differ from Windows'
# (rows WINDOWS|WINE): its messages are its own, and its odbc32 hands every call to the build
# machine's 32-bit unixODBC.
odbcinst='HKLM\Software\ODBC\ODBCINST.INI'
run reg add "$odbcinst\ODBC Drivers" /v 'Lumora Missing' /d Installed /f >/dev/null
run reg add "$odbcinst\Lumora Missing" /v Driver /d 'C:\nowhere\missing.dll' /f >/dev/null
cat >"$dir/try.json" <<'JSON'
{"properties": {
  "Drivers": ["Lumora Missing"], "DriversSelections": [true],
  "DriversInfo": ["Driver=C:\\nowhere\\missing.dll"],
  "DataSources": ["Elsewhere", "Broken"], "DataSourcesSelections": [true, true],
  "DataSourcesInfo": ["DriverName=Nowhere Driver\r\nDatabase=x",
                      "DriverName=Lumora Missing\r\nDatabase=x"],
  "DataSourcesTypes": ["system", "system"], "DataSourcesUninstFlags": [false, false]}}
JSON
load='driver "Lumora Missing": installed as "Lumora Missing": C:\nowhere\missing.dll does not load:'
manager="[unixODBC][Driver Manager]Can't open lib 'Lumora Missing' : file not found"
answers=(
  'Elsewhere: driver "Nowhere Driver" not installed on this machine: not tried|same'
  "$load The specified module could not be found. (error 126)|$load Module not found. (error 126)"
  "Broken: failed: [IM003] ...|Broken: failed: [01000] (native 0) $manager"
)
if [[ ! -e /usr/lib/i386-linux-gnu/libodbc.so.2 ]]; then
  echo "msi-under-wine: no 32-bit unixODBC for Wine's odbc32 (./setup installs libodbc2:i386)" >&2
  [[ ${CI:-} == true ]] && fail "libodbc2:i386 is missing"
  unset 'answers[2]'
fi
object="Z:$(tr / '\\' <<<"$dir")\try.json"
checked=$(run "$installed" check "$object" --drivers) && fail "check: exit 0"
for answer in "${answers[@]}"; do
  wine_answer=${answer#*|}
  [[ $wine_answer == same ]] && wine_answer=${answer%%|*}
  grep -qF "$wine_answer" <<<"$checked" || fail "check does not answer: $wine_answer
$checked"
done

# The installed products' versions, as Programs and Features lists them.
products() {
  run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:32 |
    sed -n 's/^ *DisplayVersion *REG_SZ *//p' | sort | tr '\n' ' '
}
[[ $(products) == "$version " ]] || fail "installed products after /i: $(products)"
later_version=${version%.*}.$((${version##*.} + 1))
cp -r "$stage" "$dir/later"
sed -i "s/Version=\"$version\"/Version=\"$later_version\"/" "$dir/later/lumora.wxs"
(cd "$dir/later" && wixl -o "$dir/later.msi" lumora.wxs 2>/dev/null) || fail "wixl: a later package"
run msiexec /i "$dir/later.msi" /qn >"$dir/later.log" || fail "/i later: $(cat "$dir/later.log")"
[[ $(products) == "$later_version " ]] || fail "products after the later /i: $(products)"
[[ -s "$folder/lumora.exe" ]] || fail "the later package left no lumora.exe"
run msiexec /i "$msi" /qn >/dev/null && fail "the earlier package installed over the later one"
[[ $(products) == "$later_version " ]] || fail "products after the earlier /i: $(products)"
msi=$dir/later.msi

run msiexec /x "$msi" /qn >"$dir/remove.log" || fail "msiexec /x: $(cat "$dir/remove.log")"
[[ -z $(products) ]] || fail "products left after /x: $(products)"
for gone in "$folder" "${menus[@]}"; do
  [[ -e $gone ]] && fail "left after /x: $gone: $(ls -A "$gone")"
done
for key in "$clsid" 'HKCR\BVLumora.LumoraCtl' "${typelib%\\1.0}" "$helper" \
  'HKCR\BVLumora.DesignObjectFile' "${helperlib%\\1.0}"; do
  run reg query "$key" /reg:32 >/dev/null && fail "key left after /x: $key"
done

((failures == 0)) || { echo "msi-under-wine: $failures failures" >&2 && exit 1; }
echo "msi-under-wine: installed, ran and removed in $((SECONDS - start)) s"
