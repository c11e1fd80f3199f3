#!/usr/bin/env bash
# `lumora build` of all 64 features as a whole process, beside a process that only reads the
# same file (cat), in one run. Usage: bench/build_process.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
runs="${2:-200}"
object=examples/object.json

time_runs() {  # prints the mean milliseconds of running "$@" $runs times
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000 / $runs" | bc
}

"$build/bin/lumora" build "$object" --registry none >/dev/null  # warm the caches
lumora_ms=$(time_runs "$build/bin/lumora" build "$object" --registry none)
cat_ms=$(time_runs cat "$object")
echo "lumora build (64 features): ${lumora_ms} ms per process"
echo "cat (reads the same file):  ${cat_ms} ms per process"
echo "ratio: $(echo "scale=2; $lumora_ms / $cat_ms" | bc)"
