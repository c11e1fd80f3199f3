#!/bin/sh
# Takes the screenshots of the Test button and its two answers (docs/screenshots/test-*.png)
# under a virtual display: a SQLite data source tried with a file that is missing, then with
# one that the script makes. Needs xvfb-run and the SQLite ODBC driver registered as SQLite3.
#
#   scripts/test-button-screenshots.sh [BUILD_DIR]     (default: build/default)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
out=$root/docs/screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "DRIVER={SQLite3};Database=$work/shop.db" | "$build/bin/lumora-odbc-try" >/dev/null
cat > "$work/object.json" <<'OBJECT'
{"properties":{"DataSources":["Shop"],"DataSourcesInfo":["DriverName=SQLite3\r\nDatabase=/srv/shop/shop.db"],"DataSourcesSelections":[false],"DataSourcesTypes":["user"],"DataSourcesUninstFlags":[false]}}
OBJECT
cat > "$work/pages.txt" <<SCRIPT
click cmdNav(3)
tick lvwDSNs "Shop"
click cmdDSNAdv
type txtDSNAttrib "DriverName=SQLite3\\r\\nDatabase=/srv/shop/missing.db\\r\\nNoCreat=1"
dump
click cmdDSNTest
type txtDSNAttrib "DriverName=SQLite3\\r\\nDatabase=$work/shop.db"
click cmdDSNTest
key Escape
SCRIPT
# The window probe (build/*/probe/, tools/window_probe) plays the script and saves the shots.
[ -x "$build/probe/lumora" ] || { echo "test-button-screenshots.sh: build the lumora_window_probe_folder target first" >&2; exit 2; }
LUMORA_PROBE_SCRIPT=$work/pages.txt LUMORA_PROBE_SHOTS=$work QT_FONT_DPI=96 \
  xvfb-run -a -s "-screen 0 1600x1200x24 -dpi 96" \
  "$build/probe/lumora" wizard "$work/object.json" --registry none >/dev/null 2>&1 || true
n=1
for name in test-button test-failed test-connected; do
  [ -f "$work/shot-$n.png" ] || { echo "test-button-screenshots.sh: $name was not captured" >&2; exit 1; }
  cp "$work/shot-$n.png" "$out/$name-96dpi.png"
  n=$((n + 1))
done
echo "screenshots in $out"
