#!/usr/bin/env bash
# Two builds measured in one run, so that a change is judged under the same load as what it
# changes: for ROUNDS rounds (default 3), the growth rows of bench/scale.sh with BEFORE's lumora
# run beside AFTER's, the two alternating run by run, each cell "before / after" (fastest of one
# each; LUMORA_SCALE_PARTS chooses among wizard, export and import), then the resident memory
# (bench/memory.sh) and the build-time answer rate (isincluded_bench) of each build in turn, and
# the first frame (bench/first_frame.sh, the two probes alternating). Every line comes out
# prefixed with its round; compare the two builds within a line, not rounds with each other.
# Usage: bench/side_by_side.sh BEFORE_BUILD AFTER_BUILD [ROUNDS]   (build folders, like build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
[[ $# -ge 2 ]] || { sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
rounds="${3:-3}"
for build in "$before" "$after"; do
  for program in bin/lumora bin/isincluded_bench probe/lumora bin/first_frame_bare; do
    [[ -x "$build/$program" ]] || { echo "$build/$program is missing: build it first" >&2; exit 2; }
  done
done

label() {  # ROUND NAME: prefixes each line read
  sed "s|^|round $1, $2: |"
}

for round in $(seq "$rounds"); do
  LUMORA_SCALE_BEFORE="$before" bench/scale.sh "$after" 1 | label "$round" "before / after"
  for pair in "before:$before" "after:$after"; do
    name=${pair%%:*}
    build=${pair#*:}
    bench/memory.sh "$build" | label "$round" "$name"
    "$build/bin/isincluded_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only \
      2>/dev/null | grep -E 'median' | label "$round" "$name"
  done
  # The first frame alternates the two probes within one run; AFTER's wizard is "lumora", BEFORE's
  # the "other".
  bench/first_frame.sh "$after" 21 "$before/probe" | label "$round" "first frame"
done
