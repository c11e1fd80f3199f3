#!/usr/bin/env bash
# Times lumora's data-source discovery against `odbcinst -q -s` on the same unixODBC files:
# 10,000 user and 10,000 system data sources, written once into a temporary folder.
# Usage: bench/discovery_vs_odbcinst.sh [BUILD_DIR]   (default: build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
bench="$build/bin/discovery_bench"
[[ -x "$bench" ]] || { echo "build the discovery_bench target in $build first" >&2; exit 2; }
command -v odbcinst >/dev/null || { echo "odbcinst is not installed" >&2; exit 2; }

dir=$(mktemp -d /tmp/lumora-vs-odbcinst-XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/sys"
write() {  # FILE PREFIX
  awk -v prefix="$2" 'BEGIN {
    for (i = 0; i < 10000; i++) {
      printf "[%s Source %d]\nDriver=Lumora Bench Driver\nDescription=Data source number %d\n", prefix, i, i
      printf "DBQ=C:\\data\\db%d.mdb\nSetup=C:\\Windows\\System32\\odbcjt32.dll\nUID=admin\n\n", i
    }
  }' > "$1"
}
write "$dir/user.ini" User
write "$dir/sys/odbc.ini" System
printf '[Lumora Bench Driver]\nDriver=/nonexistent.so\n' > "$dir/sys/odbcinst.ini"
export ODBCINI="$dir/user.ini" ODBCSYSINI="$dir/sys"

echo "== lumora discovery (reads both files, builds every record with its attribute lines)"
LUMORA_BENCH_DIR="$dir" "$bench" --benchmark_filter='BM_DiscoveryUnixOdbc$' 2>/dev/null | tail -n 1

echo "== odbcinst -q -s (lists data-source names only)"
start=$(date +%s%N)
listed=$(odbcinst -q -s | grep -c '^\[' || true)
end=$(date +%s%N)
echo "odbcinst -q -s: $(( (end - start) / 1000000 )) ms, $listed names listed of 20000"
