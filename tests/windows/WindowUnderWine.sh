#!/bin/sh
# The native window under Wine and a virtual X display, driven by a person's keys (xdotool): a
# driver ticked, another chosen in a combo and a line typed into its attributes, a data source
# made a user one by an option button's access key, Next through every page, then Finish. The
# object the window writes must equal, byte for byte, the one the same actions write through
# --script. With SHOTS=DIR each page is also saved as DIR/win32-N-PAGE.png.
# While the Windows build cannot replace an object file in place yet, each run keeps the object
# it would have written among the recovered choices in the Wine prefix; those are compared then.
#   WindowUnderWine.sh EMULATOR LUMORA_EXE SOURCE_DIR WORK_DIR WINEPREFIX
set -eu
emulator=$1 lumora=$2 source=$3 work=$4 prefix=$5
for tool in xvfb-run xdotool ${SHOTS:+import}; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (./setup)"; exit 0; }
done
rm -rf "$work" && mkdir -p "$work"
cp "$source/examples/object.json" "$work/by-script.json"
cp "$source/examples/object.json" "$work/by-window.json"
rm -f "$prefix"/drive_c/users/*/.local/state/lumora/recovered/by-*.recovered-*.json
# Relative paths (the Windows program would take a leading / for an option), with their folder
# (the Windows build cannot yet save an object named without one).
cd "$work"
cat >actions.script <<'SCRIPT'
tick lvwDrivers "Microsoft ODBC for Oracle"
click cmdDrvAdv
choose cboDrivers "Microsoft Access Driver (*.mdb)"
type txtDrvAttrib "Driver=<WINSYSDIR>\\odbcjt32.dll\r\nSetup=<WINSYSDIR>\\odbcji32.dll\r\nCPTimeout=60"
click cmdNav(3)
click cmdNav(3)
click cmdDSNAdv
click optUserDSN
click cmdNav(3)
click cmdNav(3)
click cmdNav(3)
SCRIPT
"$emulator" "$lumora" wizard ./by-script.json --script actions.script </dev/null >script.out 2>&1 ||
  cat script.out

cat >drive.sh <<'DRIVE'
#!/bin/sh
# Runs inside the virtual display.
set -u
"$EMULATOR" "$LUMORA" wizard ./by-window.json </dev/null >window.out 2>&1 &
wizard=$!
# Waits for a window whose title starts with $1, focuses it and saves it as page $2 (if given).
page() {
  for _ in $(seq 1 150); do
    id=$(xdotool search --name "^$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || { echo "FAIL: no window \"$1\""; exit 1; }
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  sleep 1
  if [ -n "${SHOTS:-}" ] && [ -n "${2:-}" ]; then import -window "$id" "$SHOTS/win32-$2.png"; fi
}
page "Lumora - Step 1"
# The driver list has the focus and no entry yet: Down goes to the first, then to the third,
# which Space ticks.
xdotool key Down Down Down space
page "Lumora - Step 1" 1-drivers
# Tab to Advanced..., Enter presses it; Close and Next by their access keys.
xdotool key Tab Tab Return
page "Lumora - Advanced Driver"
# The driver combo has the focus: Down picks the next driver; its attributes get a line more.
xdotool key Down Tab ctrl+End Return
xdotool type "CPTimeout=60"
page "Lumora - Advanced Driver" 2-driver-attributes
xdotool key alt+c
page "Lumora - Step 1"
xdotool key alt+n
page "Lumora - Step 2" 3-data-sources
xdotool key Tab Return
xdotool key alt+u
page "Lumora - Advanced Data" 4-data-source-attributes
xdotool key alt+c
page "Lumora - Step 2"
xdotool key alt+n
page "Lumora - Summary" 5-summary
xdotool key alt+f
wait $wizard
DRIVE
EMULATOR=$emulator LUMORA=$lumora SHOTS=${SHOTS:-} timeout 180 \
  xvfb-run -a -s "-screen 0 800x600x24" sh drive.sh </dev/null >drive.out 2>&1 || true
cat drive.out window.out
# The object each run wrote: the file itself, else its newest recovered copy.
written() {
  if ! cmp -s "$1.json" "$source/examples/object.json"; then echo "$1.json"; return; fi
  ls -t "$prefix"/drive_c/users/*/.local/state/lumora/recovered/"$1".recovered-*.json 2>/dev/null |
    head -n 1
}
script_object=$(written by-script) window_object=$(written by-window)
if [ -z "$script_object" ] || [ -z "$window_object" ] ||
   ! cmp -s "$script_object" "$window_object"; then
  diff "${script_object:-/dev/null}" "${window_object:-/dev/null}" | head -n 40
  echo "FAIL: the window wrote another object than the script"
  exit 1
fi
if cmp -s "$window_object" "$source/examples/object.json"; then
  echo "FAIL: neither run changed the object"
  exit 1
fi
echo "the window and the script wrote the same object"
