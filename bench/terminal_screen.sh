#!/usr/bin/env bash
# The wizard in a terminal, timed on a pseudo-terminal of 80 x 24 (TERM=xterm-256color):
#   first screen  from start to the last byte of the first full screen, with a catalogue of 100
#                 drivers and 1,000 registered data sources, beside `dialog --checklist` with
#                 1,100 entries, the two alternating RUNS times (default 21);
#   keypress      from sending Down on a list of 32,767 drivers to the last byte of the redraw,
#                 PRESSES times (default 200).
# The end of a screen is the last byte before the output has been quiet for a while (0.3 s for
# a first screen, 0.1 s for a keypress); both programs are measured the same way.
# Usage: bench/terminal_screen.sh [BUILD_DIR] [RUNS] [PRESSES]   (default: build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
runs="${2:-21}"
presses="${3:-200}"
[[ -x "$build/bin/lumora" ]] || { echo "build lumora in $build first" >&2; exit 2; }
command -v dialog >/dev/null || { echo "dialog is missing (Debian package dialog)" >&2; exit 2; }
build=$(cd "$build" && pwd)

dir=$(mktemp -d /tmp/lumora-terminal-bench-XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/small" "$dir/large"

# 100 drivers in the catalogue and 1,000 user data sources, as bench/first_frame.sh has them.
{
  echo "[Drivers]"
  for i in $(seq 0 99); do echo "Driver$i=Bench Driver $i"; done
  printf '[DTDB35 Drivers]\n[DTDB40 Drivers]\n[Translators]\n'
  for i in $(seq 0 99); do
    printf '[Bench Driver %d]\nDriver=<WINSYSDIR>\\bench%d.dll\nSetup=<WINSYSDIR>\\bench%d.dll\n' "$i" "$i" "$i"
  done
} > "$dir/small/lumora.ini"
{
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources]\n'
  for i in $(seq 0 999); do printf '"Bench Source %d"="Bench Driver %d"\n' "$i" $((i % 100)); done
  for i in $(seq 0 999); do
    printf '\n[HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\Bench Source %d]\n"Driver"="C:\\\\bench%d.dll"\n' \
      "$i" $((i % 100))
  done
} > "$dir/small/sources.reg"
# 32,767 drivers: the longest list a list view holds.
{
  echo "[Drivers]"
  for i in $(seq 0 32766); do echo "Driver$i=Bench Driver $i"; done
  printf '[DTDB35 Drivers]\n[DTDB40 Drivers]\n[Translators]\n'
} > "$dir/large/lumora.ini"
for folder in small large; do cp "$build/bin/sidepanel.png" "$dir/$folder/"; done
echo '{ "properties": {} }' > "$dir/object.json"
args=()
for i in $(seq 0 1099); do args+=("$i" "Bench entry $i" off); done
printf '%s\0' "${args[@]}" > "$dir/dialog.args"

python3 - "$build/bin/lumora" "$dir" "$runs" "$presses" <<'PY'
import fcntl, os, pty, select, signal, statistics, struct, sys, termios, time

lumora, folder, runs, presses = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
env = dict(os.environ, TERM="xterm-256color", LC_ALL="C.UTF-8")
env.pop("DISPLAY", None)
env.pop("WAYLAND_DISPLAY", None)

def spawn(argv):
    start = time.monotonic()
    pid, fd = pty.fork()
    if pid == 0:
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        os.execvpe(argv[0], argv, env)
    return start, pid, fd

def quiet_after(fd, idle, limit=30.0):
    """The time of the last byte read before `idle` seconds without output."""
    last = None
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], idle if last else limit)
        if not ready:
            break
        try:
            if not os.read(fd, 1 << 16):
                break
        except OSError:
            break
        last = time.monotonic()
    return last

def stop(pid, fd):
    os.kill(pid, signal.SIGTERM)
    quiet_after(fd, 0.2, 5)
    os.waitpid(pid, 0)
    os.close(fd)

wizard = [lumora, "wizard", folder + "/object.json", "--ui", "terminal",
          "--component-dir", folder + "/small", "--registry", folder + "/small/sources.reg"]
with open(folder + "/dialog.args", "rb") as f:
    entries = [a.decode() for a in f.read().split(b"\0") if a]
dialog = ["dialog", "--checklist", "Bench", "22", "76", "15"] + entries

times = {"wizard": [], "dialog": []}
for _ in range(runs):
    for name, argv in (("wizard", wizard), ("dialog", dialog)):
        start, pid, fd = spawn(argv)
        last = quiet_after(fd, 0.3)
        times[name].append((last - start) * 1000)
        stop(pid, fd)
for name in ("wizard", "dialog"):
    t = times[name]
    print(f"first screen {name}: median {statistics.median(t):.1f} ms, fastest {min(t):.1f} ms ({len(t)} runs)")
print(f"ratio wizard/dialog (medians): {statistics.median(times['wizard']) / statistics.median(times['dialog']):.2f}")

large = [lumora, "wizard", folder + "/object.json", "--ui", "terminal",
         "--component-dir", folder + "/large", "--registry", "none"]
start, pid, fd = spawn(large)
quiet_after(fd, 0.5, 120)
lat = []
for i in range(presses):
    key = b"\x1bOB" if i % 4 != 3 else b"\x1bOA"  # mostly down, now and then up
    sent = time.monotonic()
    os.write(fd, key)
    last = quiet_after(fd, 0.1, 5)
    if last is not None:
        lat.append((last - sent) * 1000)
stop(pid, fd)
lat.sort()
print(f"keypress on 32,767 entries: median {statistics.median(lat):.2f} ms, "
      f"95th percentile {lat[int(len(lat) * 0.95) - 1]:.2f} ms, slowest {lat[-1]:.2f} ms "
      f"({len(lat)} presses)")
PY
