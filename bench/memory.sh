#!/usr/bin/env bash
# Resident memory of the wizard over a large design object: 32,767 stored drivers and 32,767
# stored data sources whose attribute texts are about 1.5 KB each (an object of about 100 MB),
# opened, dumped and left with Escape. Prints the object's size S, the maximum resident set size
# that /usr/bin/time -v reports, and the bound 3 x S + 30 MB.
# Usage: bench/memory.sh [BUILD_DIR]   (default: build/default; needs /usr/bin/time)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
lumora="$build/bin/lumora"
[[ -x "$lumora" ]] || { echo "build the lumora target in $build first" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 2; }

dir=$(mktemp -d /tmp/lumora-memory-XXXXXX)
trap 'rm -rf "$dir"' EXIT
cp "$build/bin/lumora.ini" "$dir/"
awk 'BEGIN {
  n = 32767
  pad = sprintf("%1480s", ""); gsub(/ /, "X", pad)
  printf "{\"properties\": {\"DTDBVerNo\": 0"
  list("Drivers", "\"Bench Driver %d\"")
  list("DriversInfo", "\"Driver=C:\\\\bench%d.dll\\r\\nPad=" pad "\"")
  list("DriversSelections", "")
  list("DataSources", "\"Bench Source %d\"")
  list("DataSourcesInfo", "\"Driver=Bench Driver %d\\r\\nPad=" pad "\"")
  list("DataSourcesTypes", "\"user\"")
  list("DataSourcesSelections", "")
  list("DataSourcesUninstFlags", "false")
  print "}}"
}
function list(name, format,   i) {
  printf ",\n\"%s\": [", name
  for (i = 0; i < n; i++) {
    if (i > 0) printf ","
    if (format == "") printf (i % 2 == 0 ? "true" : "false")
    else printf format, i
  }
  printf "]"
}' > "$dir/object.json"
printf 'dump\nkey Escape\n' > "$dir/open.script"

status=0
/usr/bin/time -v "$lumora" wizard "$dir/object.json" --script "$dir/open.script" \
  --component-dir "$dir" --registry none > "$dir/out" 2> "$dir/time" || status=$?
if [[ $status -ne 1 || ! -s "$dir/out" ]]; then  # Escape leaves the wizard with exit status 1
  echo "lumora wizard: exit $status, expected 1 after a dump" >&2
  head -c 600 "$dir/time" >&2
  exit 1
fi
bytes=$(stat -c %s "$dir/object.json")
rss_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$dir/time")
awk -v s="$bytes" -v r="$rss_kb" 'BEGIN {
  printf "object: %.1f MB; maximum resident: %.1f MB; bound 3 x S + 30 MB: %.1f MB (%s)\n",
    s / 1e6, r * 1024 / 1e6, (3 * s + 30e6) / 1e6, (r * 1024 <= 3 * s + 30e6 ? "within" : "over")
}'
