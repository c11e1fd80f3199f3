#!/usr/bin/env bash
# Builds the fuzz preset and runs each parser's fuzzer for a short, bounded time from its seed
# corpus (30 seconds each unless FUZZ_SECONDS says otherwise). Exits non-zero when a target
# crashes, leaks, runs out of memory or times out; the input that did it is kept under
# build/fuzz/smoke/artifacts/TARGET/ and the log under build/fuzz/smoke/logs/.
# Usage: scripts/fuzz-smoke.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(fuzz_profile_file fuzz_reg_file fuzz_wine_registry fuzz_pe_version fuzz_design_object fuzz_wizard_script fuzz_export fuzz_connection_string)
fi

if [[ ! -f build/fuzz/build.ninja ]]; then
  cmake --preset fuzz >/dev/null
fi
cmake --build --preset fuzz

smoke=build/fuzz/smoke
failed=()
for t in "${targets[@]}"; do
  work="$smoke/work/$t"          # new inputs go here; the seed corpus is only read
  artifacts="$smoke/artifacts/$t/"
  log="$smoke/logs/$t.log"
  rm -rf "$work" "$artifacts"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  dict=()
  [[ -f "fuzz/$t.dict" ]] && dict=("-dict=fuzz/$t.dict")
  # The saved inputs of past findings are replayed once; they are large on purpose and would
  # raise the fuzzer's input length if they joined the corpus.
  if [[ -d "fuzz/regressions/$t" ]] &&
      ! build/fuzz/bin/"$t" -runs=0 -rss_limit_mb=2048 -timeout=10 "fuzz/regressions/$t" \
        >"$smoke/logs/$t.regressions.log" 2>&1; then
    echo "fuzz-smoke: $t FAILED on a saved regression input" \
      "(log: $smoke/logs/$t.regressions.log)" >&2
    failed+=("$t")
    continue
  fi
  echo "fuzz-smoke: $t for ${seconds}s"
  if build/fuzz/bin/"$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 "${dict[@]}" -artifact_prefix="$artifacts" \
      "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^Done ' "$log" | tr '\n' ' ' | sed 's/^/  /'
    echo
  else
    echo "fuzz-smoke: $t FAILED (log: $log)" >&2
    grep -E 'ERROR:|SUMMARY:|broken promise|Test unit written' "$log" | head -n 8 >&2 || true
    failed+=("$t")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz-smoke: failing targets: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz-smoke: all ${#targets[@]} targets ran ${seconds}s without a finding"
