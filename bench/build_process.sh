#!/usr/bin/env bash
# `lumora build` of all 64 features as a whole process, beside a process that only reads the
# same file (cat), alternating run by run. Given OTHER, a folder holding the lumora of another
# build with its component (a copy of a build's bin/), its lumora runs too, alternating with the
# others, so that a change is measured under the same load as what it changes.
# Usage: bench/build_process.sh [BUILD_DIR] [RUNS] [OTHER]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
runs="${2:-200}"
other="${3:-}"
object=examples/object.json
[[ -z "$other" || -x "$other/lumora" ]] || { echo "$other holds no lumora" >&2; exit 2; }

declare -A total=([lumora]=0 [cat]=0 [other]=0)
once() {  # NAME COMMAND...: adds the microseconds of one run to NAME's total
  local name=$1 start end
  shift
  start=${EPOCHREALTIME//[.,]/}
  "$@" >/dev/null
  end=${EPOCHREALTIME//[.,]/}
  total[$name]=$((total[$name] + end - start))
}
ms() { echo "scale=3; ${total[$1]} / 1000 / $runs" | bc; }

"$build/bin/lumora" build "$object" --registry none >/dev/null  # warm the caches
[[ -z "$other" ]] || "$other/lumora" build "$object" --registry none >/dev/null
for ((i = 0; i < runs; i++)); do
  once lumora "$build/bin/lumora" build "$object" --registry none
  once cat cat "$object"
  [[ -z "$other" ]] || once other "$other/lumora" build "$object" --registry none
done
echo "lumora build (64 features): $(ms lumora) ms per process"
echo "cat (reads the same file):  $(ms cat) ms per process"
echo "ratio: $(echo "scale=2; ${total[lumora]} / ${total[cat]}" | bc)"
if [[ -n "$other" ]]; then
  echo "lumora build from $other: $(ms other) ms per process (ratio $(echo "scale=2; ${total[other]} / ${total[cat]}" | bc))"
fi
