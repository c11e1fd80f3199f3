#!/usr/bin/env bash
# Times `lumora check` over 100 SQLite data sources (each try a child process of its own) beside
# 100 runs of `isql -b` on the same data sources, in one run. The database files are made first,
# so both only open them. Usage: bench/check_vs_isql.sh [BUILD_DIR]   (default: build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
lumora="$build/bin/lumora"
driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
[[ -x "$lumora" && -x "$build/bin/lumora-odbc-try" ]] || { echo "build lumora in $build first" >&2; exit 2; }
command -v isql >/dev/null || { echo "isql is not installed (Debian package unixodbc)" >&2; exit 2; }
[[ -r "$driver" ]] || { echo "the SQLite ODBC driver is not installed (libsqliteodbc)" >&2; exit 2; }

dir=$(mktemp -d /tmp/lumora-check-vs-isql-XXXXXX)
trap 'rm -rf "$dir"' EXIT
printf '[SQLite3]\nDriver=%s\n' "$driver" > "$dir/odbcinst.ini"
: > "$dir/odbc.ini"
export ODBCSYSINI="$dir" ODBCINI="$dir/user.ini"
names=() infos=() flags=()
for i in $(seq 1 100); do
  printf '[Bench%d]\nDriver=SQLite3\nDatabase=%s/db%d.sqlite\n\n' "$i" "$dir" "$i" >> "$dir/odbc.ini"
  echo "select 1;" | isql -b "Bench$i" >/dev/null  # makes the file
  names+=("\"Bench$i\""); infos+=("\"DriverName=SQLite3\\r\\nDatabase=$dir/db$i.sqlite\"")
  flags+=(true)
done
join() { local IFS=,; echo "$*"; }
printf '{"properties": {"DataSources": [%s], "DataSourcesInfo": [%s], "DataSourcesSelections": [%s]}}\n' \
  "$(join "${names[@]}")" "$(join "${infos[@]}")" "$(join "${flags[@]}")" > "$dir/object.json"

ms() { echo $(( ($2 - $1) / 1000000 )); }
start=$(date +%s%N)
connected=$("$lumora" check "$dir/object.json" | grep -c ': connected' || true)
end=$(date +%s%N)
echo "lumora check, 100 data sources: $(ms "$start" "$end") ms ($connected connected)"

start=$(date +%s%N)
ok=0
for i in $(seq 1 100); do
  echo "select 1;" | isql -b "Bench$i" >/dev/null && ok=$((ok + 1))
done
end=$(date +%s%N)
echo "isql -b, 100 runs:              $(ms "$start" "$end") ms ($ok connected)"
