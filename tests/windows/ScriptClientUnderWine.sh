#!/bin/sh
# The COM servers with a client no one here wrote: in a fresh Wine prefix, regsvr32 registers
# BVLumora.dll (LumoraCtl) and BVLumoraHost.dll (the host's DesignObjectFile), Wine's cscript runs
# ScriptClient.js: it makes LumoraCtl and a design object by their ProgIDs, asks every feature path
# of the build-time table and an unknown one on several objects (one fails) and plays the wizard
# to Finish; answers, error, pages and saved object equal the Linux build's. regsvr32 /u of each
# then leaves no class, ProgID or type library; the same for a per-user registration (/n /i:user).
#   ScriptClientUnderWine.sh EMULATOR BIN_DIR LINUX_LUMORA SOURCE_DIR WORK_DIR
set -eu
emulator=$1 bin=$2 linux=$3 source=$4 work=$5
missing() {
  if [ "${CI:-}" = true ]; then echo "FAIL: $1 (CI=true: ./setup installs it)"; exit 1; fi
  echo "SKIP: $1"
  exit 0
}
command -v wine >/dev/null || missing "wine is not installed (./setup)"
[ -x "$linux" ] || missing "the Linux build's lumora ($linux) is not built; build the default preset"

clsid='{AFB22445-A174-40F6-8071-E46B5B17970C}'
libid='{2B0DA707-39B8-43CF-8EE5-6F740FF91419}'
helper='{D72BF160-C592-46DA-B4FD-F2FAB9529D68}'
hostlib='{11302A6D-7684-491D-95BA-1A38429FA22D}'
rm -rf "$work" && mkdir -p "$work"
export LUMORA_WINEPREFIX="$work/prefix"
trap 'WINEPREFIX="$LUMORA_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true' EXIT
win() { printf 'Z:%s' "$1" | tr / '\\'; }
wine_() { "$emulator" "$@" </dev/null; }
client() { wine_ cscript //nologo "$(win "$source/tests/windows/ScriptClient.js")" "$@"; }
fail=0
# expect 0|1 WHAT COMMAND...: the command must succeed (0) or fail (1).
expect() {
  want=$1 what=$2
  shift 2
  if "$@" >"$work/check.out" 2>&1; then got=0; else got=1; fi
  [ "$got" = "$want" ] || { echo "FAIL: $what"; cat "$work/check.out"; fail=1; }
}
dll=$(win "$bin/BVLumora.dll")
hostdll=$(win "$bin/BVLumoraHost.dll")

expect 0 "regsvr32 registers BVLumora.dll" wine_ regsvr32 /s "$dll"
expect 0 "regsvr32 registers BVLumoraHost.dll" wine_ regsvr32 /s "$hostdll"
# Each key regsvr32 wrote, and what its values hold.
while IFS='|' read -r key holds; do
  expect 0 "$key is registered" wine_ reg query "$key"
  grep -qi "$holds" "$work/check.out" || { echo "FAIL: $key without $holds"; fail=1; }
done <<ROWS
HKCR\\CLSID\\$clsid\\InprocServer32|ThreadingModel *REG_SZ *Apartment
HKCR\\BVLumora.LumoraCtl\\CLSID|$clsid
HKCR\\TypeLib\\$libid\\1.0\\0\\win32|BVLumora.dll
HKCR\\CLSID\\$helper\\InprocServer32|BVLumoraHost.dll
HKCR\\TypeLib\\$hostlib\\1.0\\0\\win32|BVLumoraHost.dll
ROWS

# The build-time answers on each object, every feature path of the table and an unknown one.
cd "$source"
"$linux" build examples/object.json | cut -f2 >"$work/features.txt"
echo "No Such Feature" >>"$work/features.txt"
# A failing question (a selection list shorter than the drivers) ends both: the answers up to it,
# then the error, which the script sees with the component's number and description.
for object in examples/object.json tests/data/export/every-kind.json \
  tests/data/import/one-driver.json tests/data/terminal/thirty-sources.json \
  tests/data/windows/short-selections.json; do
  name=$(basename "$object" .json)
  # shellcheck disable=SC2046 # one argument per line of the file
  (IFS='
'; "$linux" build "$object" $(cat "$work/features.txt")) >"$work/$name.linux" 2>"$work/$name.err" || true
  sed -n 's/^lumora: error \([0-9]*\) in [^:]*:[^:]*: \(.*\) (BVLumora)$/error \1: \2/p' \
    "$work/$name.err" >>"$work/$name.linux"
  client "$(win "$source/$object")" "$(win "$work/features.txt")" 2>&1 | tr -d '\r' \
    >"$work/$name.windows" || true
  if ! cmp -s "$work/$name.linux" "$work/$name.windows"; then
    echo "FAIL: the answers on $object differ (Linux, then cscript):"
    diff "$work/$name.linux" "$work/$name.windows" || true
    fail=1
  fi
done

# The wizard, headless from a script that ends with Finish: the same object saved on both.
sed 's/^key Escape$/click cmdNav(3)/' examples/demo.script >"$work/finish.script"
cp examples/object.json "$work/linux.json"
cp examples/object.json "$work/windows.json"
: >"$work/none.txt"
"$linux" wizard "$work/linux.json" --script "$work/finish.script" >"$work/wizard.linux" 2>&1 ||
  { echo "FAIL: the Linux wizard"; cat "$work/wizard.linux"; fail=1; }
client "$(win "$work/windows.json")" "$(win "$work/none.txt")" "$(win "$work/finish.script")" \
  2>&1 | tr -d '\r' >"$work/wizard.windows" || true
# The same pages dumped on both, then Display's answer.
{ cat "$work/wizard.linux"; echo 'Display: true'; } >"$work/wizard.expected"
cmp -s "$work/wizard.expected" "$work/wizard.windows" ||
  { echo "FAIL: the wizard's output or Display's answer differ"; tail -c 600 "$work/wizard.windows"; fail=1; }
cmp -s "$work/linux.json" "$work/windows.json" ||
  { echo "FAIL: the saved objects differ"; diff "$work/linux.json" "$work/windows.json"; fail=1; }
cmp -s examples/object.json "$work/windows.json" && { echo "FAIL: Finish wrote nothing"; fail=1; }

expect 0 "regsvr32 /u unregisters BVLumora.dll" wine_ regsvr32 /s /u "$dll"
expect 0 "regsvr32 /u unregisters BVLumoraHost.dll" wine_ regsvr32 /s /u "$hostdll"
for key in "CLSID\\$clsid" "CLSID\\$helper" BVLumora.LumoraCtl "TypeLib\\$libid" "TypeLib\\$hostlib"; do
  expect 1 "HKCR\\$key is still registered" wine_ reg query "HKCR\\$key"
done
expect 1 "cscript still makes LumoraCtl" client "$(win "$work/windows.json")" "$(win "$work/none.txt")"

# For this user only: under HKEY_CURRENT_USER\Software\Classes, and gone again.
for pair in "$dll $clsid" "$hostdll $helper"; do
  # shellcheck disable=SC2086 # the library, then its class
  set -- $pair
  expect 0 "regsvr32 /n /i:user registers $1 for the user" wine_ regsvr32 /s /n /i:user "$1"
  expect 0 "the user's class $2" wine_ reg query "HKCU\\Software\\Classes\\CLSID\\$2\\InprocServer32"
  expect 1 "a machine class $2 after /i:user" wine_ reg query "HKLM\\Software\\Classes\\CLSID\\$2"
  expect 0 "regsvr32 /u /n /i:user unregisters $1" wine_ regsvr32 /s /u /n /i:user "$1"
  expect 1 "the user's class $2 is still registered" wine_ reg query "HKCU\\Software\\Classes\\CLSID\\$2"
done
# Windows registers the type library for the user too; Wine's RegisterTypeLibForUser does it for
# the machine. Either way it goes with /u.
for key in "HKCU\\Software\\Classes\\TypeLib\\$libid" "HKCR\\TypeLib\\$libid" "HKCR\\TypeLib\\$hostlib"; do
  expect 1 "$key is still registered after /i:user" wine_ reg query "$key"
done

[ "$fail" = 0 ] && echo "the script client's answers equal the Linux build's"
exit "$fail"
