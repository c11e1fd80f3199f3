#!/bin/sh
# Takes screenshots of each page of the wizard window on the bundled example object, under a
# virtual display, at 96 and 144 DPI, into docs/screenshots/.
#
#   scripts/screenshots.sh [BUILD_DIR]     (default: build/default; needs xvfb-run)
#
# The wizard plays a small script in the real window through the window probe (the build's probe/
# folder, tools/window_probe); each `dump` of the script saves the window as shot-N.png.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
lumora=$build/probe/lumora
out=$root/docs/screenshots
[ -x "$lumora" ] && [ -f "$build/probe/libBVLumoraQt.so" ] ||
  { echo "screenshots.sh: no $lumora; build the lumora_window_probe_folder target first" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "screenshots.sh: xvfb-run is missing (Debian package xvfb)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/object.json" "$work/object.json"  # the wizard never writes it: it ends with Escape
cat > "$work/pages.txt" <<'SCRIPT'
dump                 # step 1
click cmdDrvAdv
dump                 # advanced drivers
click cmdNav(3)
click cmdNav(3)
dump                 # step 2
click cmdDSNAdv
dump                 # advanced data sources
click cmdNav(3)
click cmdNav(3)
dump                 # summary
key Escape
SCRIPT

mkdir -p "$out"
for dpi in 96 144; do
  rm -f "$work"/shot-*.png
  LUMORA_PROBE_SCRIPT=$work/pages.txt LUMORA_PROBE_SHOTS=$work QT_FONT_DPI=$dpi \
    xvfb-run -a -s "-screen 0 1600x1200x24 -dpi $dpi" \
    "$lumora" wizard "$work/object.json" --registry none >/dev/null 2>"$work/stderr" || true
  if grep -q "playback stopped" "$work/stderr"; then cat "$work/stderr" >&2; exit 1; fi
  n=1
  for page in step1 advanced-drivers step2 advanced-data-sources summary; do
    [ -f "$work/shot-$n.png" ] || { echo "screenshots.sh: page $page was not captured" >&2; cat "$work/stderr" >&2; exit 1; }
    cp "$work/shot-$n.png" "$out/$page-${dpi}dpi.png"
    n=$((n + 1))
  done
done
echo "screenshots in $out"
