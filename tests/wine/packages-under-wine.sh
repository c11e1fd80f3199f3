#!/usr/bin/env bash
# The three recipes of docs/packages.md (wixl + --into as x86 and as x64, .idt + msibuild), run
# as printed; each package installed by Wine's msiexec into one prefix, then read back with
# lumora's own readers: every driver with Driver= and Setup= in its architecture's system folder
# (catalogue), every data source with its driver (the wizard's dump); msiexec /x removes the
# drivers and keeps the kept data source. What Wine ignores is checked in the package (msiinfo).
# The driver is tests/wine/TestDriver.c, built here with mingw-w64.
# Usage: packages-under-wine.sh BIN_DIR, from the source tree. Exit 77 (skipped) when a tool is
# missing; under CI=true that fails.
set -euo pipefail
lumora=$(cd "$1" && pwd)/lumora

missing=()
for tool in wine wineserver wineboot wixl msiinfo msibuild i686-w64-mingw32-gcc \
  x86_64-w64-mingw32-gcc; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  echo "packages-under-wine: missing ${missing[*]} (./setup installs them)" >&2
  [[ ${CI:-} == true ]] && exit 1
  exit 77
fi

dir=$(mktemp -d)
export WINEPREFIX=$dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2 && failures=$((failures + 1)); }

# The prefix, once (about 20 s), with the wineserver kept running between installs.
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1

mkdir "$dir/path" && ln -s "$lumora" "$dir/path/lumora"

# The test driver, 32- and 64-bit, under the file names the object gives.
for arch in i686 x86_64; do
  "$arch-w64-mingw32-gcc" -shared -O2 -Wl,--enable-stdcall-fixup -o "$dir/$arch.dll" \
    tests/wine/TestDriver.c tests/wine/TestDriver.def -lodbccp32
done

# The package's own rows that Wine does not act on, checked where they are.
check_package() {  # PACKAGE
  local table_row table row
  for table_row in "InstallExecuteSequence|SetODBCFolders" "InstallExecuteSequence|RemoveODBC" \
    "InstallExecuteSequence|InstallODBC" "ODBCSourceAttribute|Shop	Database	shop" \
    "ODBCAttribute|Lumora_Test	APILevel	1" \
    "ODBCDataSource|Scratch	Lumora_Test	Scratch	Lumora Test	1"; do
    table=${table_row%%|*} row=${table_row#*|}
    grep -q "^$row" <<<"$(msiinfo export "$1" "$table")" || fail "$1: $table has no row $row"
  done
}

# The registry as lumora reads it, after the wineserver has written it out.
flush() { wineserver -k && wineserver -w && wineserver -p; }
# The machine's drivers as lumora catalogue reads them. It reads a prefix in the 32-bit view, as
# the component sees it; the native (64-bit) keys are read from the export wine64's regedit makes
# of them, which holds no Wow6432Node.
drivers_of() {  # VIEW
  local from=$WINEPREFIX
  if [[ $1 == 64 ]]; then
    from=$dir/native.reg
    /usr/lib/wine/wine64 regedit /E "$from" \
      'HKEY_LOCAL_MACHINE\Software\ODBC\ODBCINST.INI' >/dev/null 2>&1 || true
  fi
  rm -rf "$dir/catalogue"
  "$lumora" catalogue --from "$from" --only-source --out "$dir/catalogue" >/dev/null || true
  cat "$dir/catalogue/lumora.ini" 2>/dev/null || true
}
# The wizard's own view of the registered data sources (an object that stores none, so that its
# list is the registry's): with names, each ticked and shown in the advanced page, whose text
# holds its DriverName= line; one line a data source, "NAME: ATTRIBUTES".
sources_of() {  # VIEW [NAME...]
  local view=$1 script=$dir/sources.script name
  shift
  echo '{"properties": {"DTDBVerNo": 1}}' >"$dir/sources.json"
  {
    echo 'click cmdNav(3)'
    echo 'dump'
    for name in "$@"; do echo "tick lvwDSNs \"$name\""; done
    (($#)) && echo 'click cmdDSNAdv'
    for name in "$@"; do printf 'choose cboDSNs "%s"\ndump\n' "$name"; done
    echo 'key Escape'
  } >"$script"
  "$lumora" wizard "$dir/sources.json" --script "$script" --registry "$WINEPREFIX" \
    --registry-view "$view" >"$dir/dump" || true
  # The list of the first dump, then each chosen one's attributes.
  head -n 1 "$dir/dump" | grep -o '"name":"lvwDSNs"[^]]*]' | grep -o '"text":"[^"]*"' |
    sed 's/"text":"\(.*\)"/listed: \1/'
  tail -n +2 "$dir/dump" | grep -o '"name":"txtDSNAttrib","type":"TextBox","text":"[^"]*"' |
    sed 's/.*"text":"\(.*\)"/\1/' | paste -d ' ' <(printf '%s:\n' "$@") - || true
}

run_route() {  # NAME ARCH(x86|x64) PACKAGE
  local name=$1 arch=$2 package=$3 view=32 sysdir='C:\\windows\\syswow64' wine=wine
  [[ $arch == x64 ]] && view=64 sysdir='C:\\windows\\system32' wine=/usr/lib/wine/wine64
  check_package "$package"
  "$wine" msiexec /i "$package" /qn || fail "$name: msiexec /i exit $?"
  flush
  local drivers sources
  drivers=$(drivers_of "$view")
  for file in lumtest lumsecond; do
    for key in Driver Setup; do
      grep -qi "^$key=$sysdir\\\\$file.dll" <<<"$drivers" ||
        fail "$name: no $key= of $file.dll in ${sysdir//\\\\/\\}: $drivers"
    done
  done
  sources=$(sources_of "$view" Shop Scratch Ledger)
  for expected in "Shop: DriverName=Lumora Test" "Scratch: DriverName=Lumora Test" \
    "Ledger: DriverName=Lumora Second"; do
    grep -qF "$expected" <<<"$sources" ||
      fail "$name: data source ${expected%%:*} not registered with its driver: $sources"
  done
  "$wine" msiexec /x "$package" /qn || fail "$name: msiexec /x exit $?"
  flush
  drivers=$(drivers_of "$view")
  grep -qi "lumtest.dll" <<<"$drivers" && fail "$name: Lumora Test still registered after /x"
  sources=$(sources_of "$view")
  grep -qx 'listed: Shop' <<<"$sources" || fail "$name: Shop, kept on uninstall, went with /x"
  echo "$name: installed and registered; after /x, data sources still listed:" \
    $(sed -n 's/^listed: //p' <<<"$sources")
  # What Wine leaves, the next route must not count: the prefix's data sources go.
  for source in Shop Scratch Ledger; do
    "$wine" reg delete "HKLM\\Software\\ODBC\\ODBC.INI\\$source" /f >/dev/null 2>&1 || true
  done
  flush
}

# The Nth ```sh block of docs/packages.md (1: the wixl route, 2: the same for x64, 3: the .idt
# route), run as printed, with lumora the program under test.
recipe() {  # N
  awk -v n="$1" '/^```sh$/ { k++; on = (k == n); next } /^```$/ { on = 0 } on' docs/packages.md
}
route_from_docs() {  # N NAME ARCH(x86|x64) FOLDER
  local commands
  commands=$(recipe "$1")
  [[ -n $commands ]] || { fail "docs/packages.md has no recipe $1"; return; }
  # The author's folder: the object, product.wxs and the driver files.
  mkdir -p "$4" && cp tests/data/packages/object.json tests/data/export/product.wxs "$4/"
  local build=i686
  [[ $3 == x64 ]] && build=x86_64
  cp "$dir/$build.dll" "$4/lumtest.dll" && cp "$dir/$build.dll" "$4/lumsecond.dll"
  # The commands as printed, with `lumora` the program under test.
  (cd "$4" && PATH="$dir/path:$PATH" bash -e -c "$commands") >"$dir/log" 2>&1 || {
    cat "$dir/log" >&2
    fail "$2: a command of the recipe failed"
    return
  }
  run_route "$2" "$3" "$4/product.msi"
}

route_from_docs 1 "wixl + --into (x86)" x86 "$dir/wixl-x86"
route_from_docs 2 "wixl + --into (x64)" x64 "$dir/wixl-x64"
route_from_docs 3 ".idt + msibuild (x86)" x86 "$dir/idt"

((failures == 0)) || { echo "packages-under-wine: $failures failures" >&2 && exit 1; }
echo "packages-under-wine: every route installs"
