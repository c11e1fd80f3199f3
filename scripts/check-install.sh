#!/usr/bin/env bash
# The install-tree and package checks, on an already built tree (default: build/default):
#   1. `cmake --install` into a temporary prefix, then the prefix moved elsewhere: the files are
#      where the layout says, the man page, desktop entry and AppStream metadata validate, and
#      lumora run from / finds its component, catalogue, help and artwork (build, show, a
#      scripted wizard, and the window under Xvfb with F1 on all five pages) and its
#      installer-format library (a WiX fragment exported and imported again);
#   2. a C host built against the moved tree with pkg-config and with CMake asks IsIncluded;
#   3. the Debian package from `cpack -G DEB` passes lintian (no errors or warnings) and, unpacked
#      with `dpkg-deb -x` into a temporary root, runs build, show, a scripted wizard, export and
#      import, and the window.
# A check whose tool is missing is skipped with the reason; under CI=true it fails instead, since
# CI installs every tool with ./setup. Usage: scripts/check-install.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/default}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
say() { printf '%s\n' "$*"; }
fail() { say "FAIL: $*"; failures=$((failures + 1)); }
skip() {
  if [[ "${CI:-}" == true ]]; then fail "$* (CI=true: ./setup installs every tool)"; else say "skip: $*"; fi
}
have() { command -v "$1" >/dev/null 2>&1; }
multiarch=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")

# lumora from tree $1 (its prefix), run from /: build, show and a scripted wizard.
run_commands() {
  local prefix=$1 what=$2 out
  cp "$root/examples/object.json" "$work/object.json"
  out=$(cd / && "$prefix/bin/lumora" build "$work/object.json" ODBC "ORACLE DRIVER" 2>&1) ||
    fail "$what: lumora build: $out"
  [[ "$out" == $'true\tODBC\nfalse\tORACLE DRIVER' ]] || fail "$what: lumora build said: $out"
  out=$(cd / && "$prefix/bin/lumora" show "$work/object.json" 2>&1) || fail "$what: lumora show: $out"
  [[ "$out" == *"SQL Server"* ]] || fail "$what: lumora show said: $out"
  local status=0
  out=$(cd / && "$prefix/bin/lumora" wizard "$work/object.json" --registry none \
          --script "$root/examples/demo.script" 2>&1) || status=$?
  [[ $status -le 1 && "$out" == *'"caption":"Lumora - Step 1"'* && "$out" == *"Microsoft ODBC for Oracle"* ]] ||
    fail "$what: the scripted wizard said: ${out:0:300}"
  [[ "$out" != *"note: there is no catalogue"* ]] || fail "$what: the catalogue was not found"
  cmp -s "$root/examples/object.json" "$work/object.json" || fail "$what: the wizard wrote the object"
  # A WiX fragment exported and imported again: import opens the installer-format library.
  rm -rf "$work/wix" "$work/imported.json"
  out=$(cd / && "$prefix/bin/lumora" export "$work/object.json" --format wix --out "$work/wix" 2>&1 &&
        "$prefix/bin/lumora" import "$work/imported.json" --from "$work/wix/lumora-odbc.wxs" 2>&1 &&
        "$prefix/bin/lumora" show "$work/imported.json" 2>&1) || fail "$what: export and import: $out"
  [[ "$out" == *"SQL Server"* ]] || fail "$what: export and import gave: ${out:0:300}"
}

# Polls the tmux pane of socket $1 until it shows the text $2, for at most 20 s; the last screen
# read is left in $screen.
pane_shows() {
  local tries=0
  while :; do
    screen=$(tmux -S "$1" capture-pane -p 2>/dev/null) || screen=
    [[ "$screen" == *"$2"* ]] && return 0
    ((++tries > 200)) && return 1
    sleep 0.1
  done
}

# The wizard in a terminal (tmux) from /: it opens without a display, F1 shows the help
# file's topic, Escape leaves the object as it was.
run_terminal() {
  local prefix=$1 what=$2 sock=$work/tmux-$2 screen
  if ! have tmux; then skip "$what: the terminal wizard (tmux is missing: Debian package tmux)"; return; fi
  cp "$root/examples/object.json" "$work/object.json"
  # The pane says when lumora has ended and stays, so that its last screen can be read.
  tmux -S "$sock" new-session -d -x 80 -y 24 \
    "cd / && env -u DISPLAY -u WAYLAND_DISPLAY '$prefix/bin/lumora' wizard '$work/object.json' --registry none; echo '[lumora ended]'; sleep 60"
  if ! pane_shows "$sock" "Step 1"; then
    fail "$what: the terminal wizard did not open: ${screen:0:300}"
  else
    tmux -S "$sock" send-keys F1
    pane_shows "$sock" "Help: Step 1: ODBC drivers" ||
      fail "$what: the terminal wizard showed: ${screen:0:300}"
    tmux -S "$sock" send-keys q Escape
    pane_shows "$sock" "[lumora ended]" || fail "$what: Escape did not end the wizard: ${screen:0:300}"
  fi
  tmux -S "$sock" kill-server 2>/dev/null || true
  cmp -s "$root/examples/object.json" "$work/object.json" || fail "$what: the terminal wizard wrote the object"
}

# The window under Xvfb from /: F1 on all five pages opens each page's topic of the help file,
# and the side panel shows the artwork (a blue pixel where the form's background is grey).
run_window() {
  local prefix=$1 what=$2 grab=$work/grab-$2 pixel
  if ! have xvfb-run; then skip "$what: the window (xvfb-run is missing: Debian package xvfb)"; return; fi
  if [[ ! -f "$build/probe/libBVLumoraQt.so" ]]; then skip "$what: the window (build the lumora_window_probe target)"; return; fi
  # The installed window library is swapped for the probe, which plays the script and saves shots.
  cp "$build/probe/libBVLumoraQt.so" "$prefix/$multiarch/lumora/libBVLumoraQt.so"
  mkdir -p "$grab"
  printf '%s\n' 'key F1' 'dump' 'tick lvwDrivers "SQL Server"' 'click cmdDrvAdv' 'key F1' \
    'click cmdNav(3)' 'click cmdNav(3)' 'key F1' 'click cmdDSNAdv' 'key F1' 'click cmdNav(3)' \
    'click cmdNav(3)' 'key F1' 'key Escape' > "$work/pages.script"
  cp "$root/examples/object.json" "$work/object.json"
  (cd / && LUMORA_PROBE_SCRIPT=$work/pages.script LUMORA_PROBE_SHOTS=$grab XDG_DATA_HOME=$work/xdg \
     xvfb-run -a -s "-screen 0 1024x768x24" "$prefix/bin/lumora" wizard "$work/object.json" \
     --registry none >"$work/window.out" 2>&1) || true
  for topic in 0 1 3 4 6; do
    [[ -f "$grab/help-$topic.png" ]] || fail "$what: F1 did not open topic $topic ($(ls "$grab" | tr '\n' ' '))"
  done
  ! ls "$grab"/help-missing-* >/dev/null 2>&1 || fail "$what: the help file lacked a topic"
  # The artwork's top left corner is deep blue; without it the panel shows the form's grey.
  pixel=$(python3 - "$grab/shot-2.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
pos, idat, width = 8, b"", 0
while pos < len(data):
    size, kind = struct.unpack(">I4s", data[pos:pos + 8])
    if kind == b"IHDR":
        width, _, depth, colour = struct.unpack(">IIBB", data[pos + 8:pos + 18])
    if kind == b"IDAT":
        idat += data[pos + 8:pos + 8 + size]
    pos += size + 12
channels = {2: 3, 6: 4}[colour]
raw = zlib.decompress(idat)[: 1 + width * channels]  # the first row, filter byte first
kind, row = raw[0], bytearray(raw[1:])
for i in range(len(row)):  # with no row above: None, Sub, Up, Average, Paeth
    left = row[i - channels] if i >= channels else 0
    row[i] = (row[i] + {0: 0, 1: left, 2: 0, 3: left // 2, 4: left}[kind]) & 0xFF
r, g, b = row[10 * channels: 10 * channels + 3]
print("blue" if b > r + 40 else "grey")
PY
) || pixel=unreadable
  [[ "$pixel" == blue ]] || fail "$what: the side panel shows no artwork ($pixel)"
}

say "== install into a temporary prefix and move it"
cmake --install "$build" --prefix "$work/stage" >/dev/null
mv "$work/stage" "$work/moved"
tree=$work/moved
for f in bin/lumora "$multiarch/lumora/libBVLumora.so" "$multiarch/lumora/libBVLumoraTerm.so" \
         "$multiarch/lumora/libBVLumoraInstaller.so" share/lumora/lumora.ini share/lumora/sidepanel.png \
         share/lumora/lumora.png share/lumora/components.json include/lumora/BVLumora.h \
         share/man/man1/lumora.1.gz share/applications/lumora.desktop \
         share/metainfo/org.lumora.Lumora.metainfo.xml share/icons/hicolor/scalable/apps/lumora.svg \
         share/icons/hicolor/48x48/apps/lumora.png share/icons/hicolor/256x256/apps/lumora.png \
         "$multiarch/pkgconfig/lumora-component.pc" \
         "$multiarch/cmake/LumoraComponent/LumoraComponentConfig.cmake"; do
  [[ -e "$tree/$f" ]] || fail "the install lacks $f"
done
if [[ -f "$build/bin/libBVLumoraQt.so" ]]; then
  [[ -e "$tree/$multiarch/lumora/libBVLumoraQt.so" ]] || fail "the install lacks the window library"
  [[ -e "$tree/share/lumora/lumora.chm" ]] || fail "the install lacks lumora.chm"
fi

say "== man page, desktop entry, AppStream metadata"
# The page as the README reads it from the build tree, before any install.
[[ -f "$build/share/man/man1/lumora.1" ]] || fail "the build tree lacks share/man/man1/lumora.1"
out=$(MANPATH="$build/share/man" man -w lumora 2>&1) || true
[[ "$out" == "$build/share/man/man1/lumora.1" ]] || fail "man -w lumora in the build tree found: $out"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$tree/share/man/man1/lumora.1.gz" 2>&1 >/dev/null)
[[ -z "$warnings" ]] || fail "man --warnings: $warnings"
if have lexgrog; then
  lexgrog "$tree/share/man/man1/lumora.1.gz" | grep -q 'lumora - ' || fail "lexgrog finds no NAME line"
else skip "lexgrog (Debian package man-db)"; fi
if have desktop-file-validate; then
  desktop-file-validate "$tree/share/applications/lumora.desktop" || fail "desktop-file-validate"
else skip "desktop-file-validate (Debian package desktop-file-utils)"; fi
if have appstreamcli; then
  appstreamcli validate --no-net --no-color "$tree/share/metainfo/org.lumora.Lumora.metainfo.xml" \
    >"$work/appstream" 2>&1 || fail "appstreamcli validate: $(cat "$work/appstream")"
else skip "appstreamcli (Debian package appstream)"; fi

say "== the moved tree, run from /"
run_commands "$tree" moved
out=$(cd "$work" && mkdir -p comp && "$tree/bin/lumora" wizard "$work/object.json" --registry none \
        --component-dir comp --script "$root/examples/demo.script" 2>&1 >/dev/null) || true
[[ "$out" == *"no catalogue at $work/comp/lumora.ini"* ]] || fail "relative --component-dir: $out"
run_window "$tree" moved
run_terminal "$tree" moved

say "== a C host built against the moved tree"
pcdir=$tree/$multiarch/pkgconfig
if have cc && have pkg-config; then
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Wextra -Werror -o "$work/host-pc" "$root/tests/install/host.c" \
    $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs lumora-component) || fail "pkg-config host build"
  out=$("$work/host-pc" "$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=component lumora-component)" \
          ODBC "SQL SERVER DRIVER" "ORACLE DRIVER" 2>&1) || true
  [[ "$out" == $'ODBC=1\nSQL SERVER DRIVER=1\nORACLE DRIVER=0' ]] || fail "pkg-config host said: $out"
else skip "the pkg-config host (cc or pkg-config missing)"; fi
if cmake -S "$root/tests/install" -B "$work/host-cmake" -DCMAKE_PREFIX_PATH="$tree" >"$work/cmake.log" 2>&1 &&
   cmake --build "$work/host-cmake" >>"$work/cmake.log" 2>&1; then
  out=$("$work/host-cmake/host" --default ODBC "SQL SERVER DRIVER" "ORACLE DRIVER" 2>&1) || true
  [[ "$out" == $'ODBC=1\nSQL SERVER DRIVER=1\nORACLE DRIVER=0' ]] || fail "CMake host said: $out"
else fail "the CMake host did not build: $(tail -5 "$work/cmake.log")"; fi

say "== the Debian package"
if have dpkg-deb && have dpkg-shlibdeps; then
  (cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || fail "cpack: $(tail -5 "$work/cpack.log")"
  deb=$(ls "$work"/package/*.deb 2>/dev/null | head -1)
  if [[ -n "$deb" ]]; then
    if have lintian; then
      lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
      ! grep -E '^[EW]: ' "$work/lintian" || fail "lintian reports errors or warnings"
    else skip "lintian (Debian package lintian)"; fi
    dpkg-deb -x "$deb" "$work/root"
    run_commands "$work/root/usr" package
    run_window "$work/root/usr" package
    run_terminal "$work/root/usr" package
  fi
else skip "the Debian package (dpkg-dev is missing)"; fi

if ((failures)); then say "check-install: $failures check(s) failed"; exit 1; fi
say "check-install: all checks passed"
