#!/bin/sh
# Remakes tests/data/wine/ with the real Wine: a fresh 64-bit prefix in a temporary folder, data
# sources added with `wine reg add` (text, expandable text, multi-string, number, binary, a
# default value, non-ASCII text, and one in the 32-bit view with /reg:32), then the prefix's own
# user.reg and system.reg and the `wine regedit /E` exports of the same keys. The tests read only
# the committed files; CI needs no Wine. Needs Debian's wine package (wine64 is enough).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/tests/data/wine"
prefix=$(mktemp -d /tmp/lumora-wine.XXXXXX)
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w

reg() { wine reg "$@" >/dev/null; }
user='HKCU\Software\ODBC\ODBC.INI'
machine='HKLM\Software\ODBC\ODBC.INI'
reg add "$user\\ODBC Data Sources" /v Orders /t REG_SZ /d "Desktop Driver (*.mdb)" /f
reg add "$user\\Orders" /v Driver /t REG_SZ /d 'C:\windows\system32\odbcjt32.dll' /f
reg add "$user\\Orders" /v DBQ /t REG_EXPAND_SZ /d '%USERPROFILE%\orders.mdb' /f
reg add "$user\\Orders" /v Servers /t REG_MULTI_SZ /d 'alpha\0beta' /f
reg add "$user\\Orders" /v DriverId /t REG_DWORD /d 25 /f
reg add "$user\\Orders" /v Flags /t REG_BINARY /d 01ff7f /f
reg add "$user\\Orders" /ve /d "the default value" /f
reg add "$user\\Orders" /v Description /t REG_SZ /d 'Base de données "café" – ☕' /f
reg add "$machine\\ODBC Data Sources" /v Native64 /t REG_SZ /d "Native Driver" /f
reg add "$machine\\Native64" /v Driver /t REG_SZ /d 'C:\windows\system32\native.dll' /f
reg add "$machine\\ODBC Data Sources" /v Legacy32 /t REG_SZ /d "Desktop Driver (*.mdb)" /f /reg:32
reg add "$machine\\Legacy32" /v Driver /t REG_SZ /d 'C:\windows\system32\odbcjt32.dll' /f /reg:32
reg add "$machine\\Legacy32" /v DBQ /t REG_SZ /d 'C:\data\legacy.mdb' /f /reg:32
wineserver -w

# Only the ODBC keys are kept from Wine's own files (the rest is Wine's settings, hundreds of
# kilobytes); each kept key is copied whole with its #time and #class lines.
keep() {
  awk 'NR <= 4 { print; next }
       /^\[/ { on = (tolower($0) ~ /^\[software\\\\(wow6432node\\\\)?odbc/) }
       on { print }' "$1"
}
keep "$prefix/user.reg" > "$out/user.reg"
keep "$prefix/system.reg" > "$out/system.reg"
wine regedit /E "$prefix/hkcu.reg" 'HKEY_CURRENT_USER\Software\ODBC' >/dev/null 2>&1
wine regedit /E "$prefix/hklm.reg" 'HKEY_LOCAL_MACHINE\Software\ODBC' >/dev/null 2>&1
wine regedit /E "$prefix/wow.reg" 'HKEY_LOCAL_MACHINE\Software\Wow6432Node\ODBC' >/dev/null 2>&1
cp "$prefix/hkcu.reg" "$prefix/hklm.reg" "$prefix/wow.reg" "$out/"
# The single-file export of everything holds the user under HKEY_USERS\S-1-5-21-...; only that
# user's ODBC keys are kept (the export is UTF-16LE, so it is cut in UTF-8 and turned back).
wine regedit /E "$prefix/all.reg" >/dev/null 2>&1
iconv -f UTF-16LE -t UTF-8 "$prefix/all.reg" |
  awk 'NR <= 2 { print; next }
       /^\[/ { on = ($0 ~ /^\[HKEY_USERS\\S-1-5-21-[0-9-]*\\Software\\ODBC/) }
       on { print }' | iconv -f UTF-8 -t UTF-16LE > "$out/users.reg"
# The prefix is 64-bit: the 32-bit system folder holds the 32-bit files.
test -d "$prefix/drive_c/windows/syswow64" && echo "syswow64 present" || echo "no syswow64"
ls -l "$out"
