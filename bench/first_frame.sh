#!/usr/bin/env bash
# Time from start to the first painted frame of the wizard window, with a catalogue of 100
# drivers and 1,000 registered data sources, beside a bare Qt dialog holding a list of as many
# entries (1,100), in one run under one virtual display. Each program runs RUNS times (default
# 21), the two alternating; the median and the fastest run are printed. Given OTHER, a copy of
# the build's probe/ folder made from a variant of the code, its lumora runs too, alternating
# with the others, so that a change is measured under the same load as what it changes.
# Usage: bench/first_frame.sh [BUILD_DIR] [RUNS] [OTHER]   (default: build/default; needs xvfb-run)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
runs="${2:-21}"
other="${3:-}"
[[ -z "$other" || -x "$other/lumora" ]] || { echo "$other holds no lumora" >&2; exit 2; }
[[ -z "$other" ]] || other=$(cd "$other" && pwd)
for program in probe/lumora bin/first_frame_bare; do
  [[ -x "$build/$program" ]] || { echo "build the lumora_window_probe_folder and first_frame_bare targets in $build first" >&2; exit 2; }
done
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (Debian package xvfb)" >&2; exit 2; }
build=$(cd "$build" && pwd)

dir=$(mktemp -d /tmp/lumora-first-frame-XXXXXX)
trap 'rm -rf "$dir"' EXIT

# The component folder as installed (its artwork and icon), with a catalogue of 100 drivers (the 3.5 and 4.0 lists stay empty) and 1,000 user data sources.
{
  echo "[Drivers]"
  for i in $(seq 0 99); do echo "Driver$i=Bench Driver $i"; done
  printf '[DTDB35 Drivers]\n[DTDB40 Drivers]\n[Translators]\n'
  for i in $(seq 0 99); do
    printf '[Bench Driver %d]\nDriver=<WINSYSDIR>\\bench%d.dll\nSetup=<WINSYSDIR>\\bench%d.dll\nAPILevel=1\n' "$i" "$i" "$i"
  done
} > "$dir/lumora.ini"
cp "$build/bin/lumora.png" "$build/bin/sidepanel.png" "$dir/"
{
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources]\n'
  for i in $(seq 0 999); do printf '"Bench Source %d"="Bench Driver %d"\n' "$i" $((i % 100)); done
  for i in $(seq 0 999); do
    printf '\n[HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\Bench Source %d]\n"Driver"="C:\\\\bench%d.dll"\n"DBQ"="C:\\\\data\\\\db%d.mdb"\n' \
      "$i" $((i % 100)) "$i"
  done
} > "$dir/sources.reg"
echo '{ "properties": {} }' > "$dir/object.json"

cat > "$dir/measure.sh" <<MEASURE
#!/usr/bin/env bash
# Runs inside the virtual display: prints one line per run, "NAME MILLISECONDS".
set -euo pipefail
# Exported once, so that both programs are started alike (the bare dialog ignores it); lumora
# runs from the build's probe/ folder, whose window library reports the first frame.
export LUMORA_PROBE_FIRST_FRAME=1
once() {  # NAME COMMAND...
  local name=\$1; shift
  local start frame
  start=\$(date +%s%N)
  frame=\$("\$@" 2>/dev/null | awk '/^first-frame /{print \$2}') || true
  [[ -n "\$frame" ]] || { echo "\$name: no frame was painted" >&2; exit 1; }
  echo "\$name \$(( (frame - start) / 1000 ))"
}
for run in \$(seq $runs); do
  once wizard "$build/probe/lumora" wizard "$dir/object.json" \
    --component-dir "$dir" --registry "$dir/sources.reg"
  once bare "$build/bin/first_frame_bare" 1100
  if [[ -n "$other" ]]; then
    once other "$other/lumora" wizard "$dir/object.json" --component-dir "$dir" --registry "$dir/sources.reg"
  fi
done
MEASURE
chmod +x "$dir/measure.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$dir/measure.sh" > "$dir/times"

report() {  # NAME LABEL
  sort -n <(awk -v n="$1" '$1 == n {print $2}' "$dir/times") | awk -v label="$2" '
    { t[NR] = $1 } END { printf "%-58s median %6.1f ms   fastest %6.1f ms   (%d runs)\n", label, t[int((NR + 1) / 2)] / 1000, t[1] / 1000, NR }'
}
report wizard "lumora wizard, 100 drivers + 1,000 data sources:"
report bare "bare Qt dialog, a list of 1,100 entries:"
[[ -z "$other" ]] || report other "lumora wizard from $other:"
