#!/usr/bin/env bash
# How the wizard's time grows with the number of items: the whole `lumora wizard` process, played
# from a script, over design objects and catalogues of 1,024, 4,096, 16,384 and 32,767 items.
#   open:  the wizard opens, dumps its first page and is left with Escape
#   walk:  Advanced, Close, Next, Advanced, Close, Next, Back, Next, Finish (the object is saved)
# Rows: stored drivers, stored data sources, both at once (N + N), and catalogue driver slots
# (a new object). The last column is the growth from 4,096 to 32,767 items (8 times as many).
# Then 10,000 user + 10,000 system unixODBC data sources: open, and tick all and Finish.
# Then `lumora export` in each format over N drivers + N data sources, all selected: plain names,
# CJK names (numbered in CJK digits, so every identifier made of them collides) and names sharing
# a 200-character prefix (identical in their first 72 characters, an identifier's length).
# Last, `lumora import` of N drivers + N data sources (all selected) into a new object from each
# format export writes: a package (wixl builds it from the fragment's files, export --into fills
# it), the WiX fragment and the unixODBC templates.
# Every figure is the fastest of RUNS runs (default 1) in milliseconds. With
# LUMORA_SCALE_BEFORE=OTHER_BUILD every run is made with that build's lumora as well, the two
# alternating run by run so that both meet the same moment's load, and each cell reads
# "before / after" (growth too). LUMORA_SCALE_SIZES and
# LUMORA_SCALE_CATALOGUE_SIZES choose other sizes (four sizes, blank-separated);
# LUMORA_SCALE_PARTS chooses the parts among "wizard export import" (default: all three).
# Usage: bench/scale.sh [BUILD_DIR] [RUNS]   (default: build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
runs="${2:-1}"
lumora="$build/bin/lumora"
[[ -x "$lumora" ]] || { echo "build the lumora target in $build first" >&2; exit 2; }
lumora=$(cd "$(dirname "$lumora")" && pwd)/lumora
programs=("$lumora")  # the builds measured, in the order of a cell's figures
if [[ -n ${LUMORA_SCALE_BEFORE:-} ]]; then
  [[ -x "$LUMORA_SCALE_BEFORE/bin/lumora" ]] || { echo "no lumora in $LUMORA_SCALE_BEFORE/bin" >&2; exit 2; }
  programs=("$(cd "$LUMORA_SCALE_BEFORE/bin" && pwd)/lumora" "$lumora")
fi

# Keeps, for each build, the fastest of the times given in turn; `fastest_cell` prints them.
fastest_reset() { fastest=(); }
fastest_take() {  # INDEX MS
  [[ -z ${fastest[$1]:-} || $2 -lt ${fastest[$1]} ]] && fastest[$1]=$2
  return 0
}
fastest_cell() {
  local IFS=/
  local joined="${fastest[*]}"
  echo "${joined//\// / }"
}
sizes=(${LUMORA_SCALE_SIZES:-1024 4096 16384 32767})
# Catalogue sizes to run (others print "—"): every slot read parses the whole file again until
# the profile functions keep a parsed file, so 32,767 slots take over half an hour.
catalogue_sizes=" ${LUMORA_SCALE_CATALOGUE_SIZES:-${sizes[*]}} "

dir=$(mktemp -d /tmp/lumora-scale-XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/shipped" "$dir/empty"
cp "$build/bin/lumora.ini" "$dir/shipped/"
printf '[Drivers]\n[DTDB35 Drivers]\n[DTDB40 Drivers]\n[Translators]\n' > "$dir/empty/lumora.ini"

# object.json with DRIVERS stored drivers and SOURCES stored data sources, every other one
# selected. The first stored drivers are the shipped catalogue's for version 3.5, so even 32,767
# stored drivers leave the collection no room to overflow when the catalogue is merged in.
object() {  # FILE DRIVERS SOURCES
  awk -v drivers="$2" -v sources="$3" 'BEGIN {
    split("SQL Server|Microsoft ODBC for Oracle|Microsoft Access Driver (*.mdb)|Microsoft dBase Driver (*.dbf)|Microsoft Excel Driver (*.xls)|Microsoft FoxPro Driver (*.dbf)|Microsoft Paradox Driver (*.db )|Microsoft Text Driver (*.txt; *.csv)", shipped, "|")
    printf "{\"properties\": {\"DTDBVerNo\": 0"
    list("Drivers", drivers, 0); list("DriversInfo", drivers, 1); list("DriversSelections", drivers, 2)
    list("DataSources", sources, 3); list("DataSourcesInfo", sources, 4)
    list("DataSourcesTypes", sources, 5); list("DataSourcesSelections", sources, 2)
    list("DataSourcesUninstFlags", sources, 6)
    print "}}"
  }
  function list(name, n, what,   i) {
    printf ",\n\"%s\": [", name
    for (i = 0; i < n; i++) {
      if (i > 0) printf ","
      if (what == 0) printf "\"%s\"", (i < 8 ? shipped[i + 1] : "Bench Driver " i)
      else if (what == 1) printf "\"Driver=<WINSYSDIR>\\\\bench%d.dll\\r\\nAPILevel=1\"", i
      else if (what == 2) printf (i % 2 == 0 ? "true" : "false")
      else if (what == 3) printf "\"Bench Source %d\"", i
      else if (what == 4) printf "\"Driver=Bench Driver %d\\r\\nDBQ=C:\\\\data\\\\db%d.mdb\"", i % 100, i
      else if (what == 5) printf (i % 3 == 0 ? "\"system\"" : "\"user\"")
      else printf "false"
    }
    printf "]"
  }' > "$1"
}

# A catalogue of N driver slots, each with its section; the desktop-database lists are empty.
catalogue() {  # FOLDER N
  mkdir -p "$1"
  awk -v n="$2" 'BEGIN {
    print "[Drivers]"
    for (i = 0; i < n; i++) printf "Driver%d=Bench Driver %d\n", i, i
    print "[DTDB35 Drivers]\n[DTDB40 Drivers]\n[Translators]"
    for (i = 0; i < n; i++) printf "[Bench Driver %d]\nDriver=<WINSYSDIR>\\bench%d.dll\nAPILevel=1\n", i, i
  }' > "$1/lumora.ini"
}

printf 'dump\nkey Escape\n' > "$dir/open.script"
printf '%s\n' 'click cmdDrvAdv' 'click cmdNav(3)' 'click cmdNav(3)' 'click cmdDSNAdv' \
  'click cmdNav(3)' 'click cmdNav(3)' 'click cmdNav(2)' 'click cmdNav(3)' 'click cmdNav(3)' \
  > "$dir/walk.script"
{ echo 'tick lvwDrivers "Bench Driver 0"'; cat "$dir/walk.script"; } > "$dir/catalogue-walk.script"

# The fastest of RUNS runs of one wizard session, in milliseconds; the object is restored first.
run() {  # OBJECT SCRIPT COMPONENT_DIR EXPECTED_EXIT [--registry SOURCE]
  local object=$1 script=$2 component=$3 expected=$4 start end status i
  shift 4
  local registry=("$@")
  [[ ${#registry[@]} -gt 0 ]] || registry=(--registry none)
  fastest_reset
  for _ in $(seq "$runs"); do
    for i in "${!programs[@]}"; do
      cp "$object" "$dir/run.json"
      start=$(date +%s%N)
      status=0
      "${programs[$i]}" wizard "$dir/run.json" --script "$script" --component-dir "$component" \
        "${registry[@]}" > "$dir/out" 2> "$dir/err" || status=$?
      end=$(date +%s%N)
      if [[ $status -ne $expected ]]; then
        echo "${programs[$i]} wizard $object --script $script: exit $status, expected $expected" >&2
        head -c 600 "$dir/err" >&2
        exit 1
      fi
      fastest_take "$i" $(( (end - start) / 1000000 ))
    done
  done
  fastest_cell
}

row() {  # LABEL DRIVERS(N|number) SOURCES(N|number) CATALOGUE(shipped|N)
  local label=$1 cells_open=() cells_walk=() n
  for n in "${sizes[@]}"; do
    local d=${2/N/$n} s=${3/N/$n} component="$dir/shipped" walk="$dir/walk.script"
    object "$dir/object.json" "$d" "$s"
    if [[ $4 == N && $catalogue_sizes != *" $n "* ]]; then
      cells_open+=("—")
      cells_walk+=("—")
      continue
    fi
    if [[ $4 == N ]]; then
      component="$dir/catalogue-$n"
      [[ -d "$component" ]] || catalogue "$component" "$n"
      walk="$dir/catalogue-walk.script"
    fi
    cells_open+=("$(run "$dir/object.json" "$dir/open.script" "$component" 1)")
    cells_walk+=("$(run "$dir/object.json" "$walk" "$component" 0)")
  done
  line "$label, open" "${cells_open[@]}"
  line "$label, walk and Finish" "${cells_walk[@]}"
}

line() {  # LABEL MS...
  local label=$1; shift
  local cells=("$@")
  printf '| %s |' "$label"
  for ms in "${cells[@]}"; do
    if [[ $ms == — ]]; then printf ' — |'; else printf ' %s ms |' "$ms"; fi
  done
  if [[ ${cells[1]} == — || ${cells[3]} == — ]]; then
    echo ' — |'
  else
    awk -v a="${cells[1]}" -v b="${cells[3]}" 'BEGIN {
      n = split(a, from, " / "); split(b, to, " / ")
      printf " "
      for (i = 1; i <= n; i++) printf "%s%.1f×", (i > 1 ? " / " : ""), to[i] / (from[i] > 0 ? from[i] : 1)
      printf " |\n"
    }'
  fi
}

parts=" ${LUMORA_SCALE_PARTS:-wizard export import} "
if [[ $parts == *" wizard "* ]]; then
printf '| ms (fastest of %s) |' "$runs"
printf ' %s |' "${sizes[@]}"
printf ' %s → %s |\n|---|---|---|---|---|---|\n' "${sizes[1]}" "${sizes[3]}"
row "stored drivers" N 1 shipped
row "stored data sources" 1 N shipped
row "stored drivers + data sources" N N shipped
row "catalogue driver slots" 0 1 N

# unixODBC: 10,000 user and 10,000 system data sources, a new object.
mkdir "$dir/sys"
write() {  # FILE PREFIX
  awk -v prefix="$2" 'BEGIN {
    for (i = 0; i < 10000; i++)
      printf "[%s Source %d]\nDriver=Lumora Bench Driver\nDescription=Data source %d\nDBQ=/data/db%d.mdb\n\n", prefix, i, i, i
  }' > "$1"
}
write "$dir/user.ini" User
write "$dir/sys/odbc.ini" System
printf '[Lumora Bench Driver]\nDriver=/nonexistent.so\n' > "$dir/sys/odbcinst.ini"
echo '{"properties": {}}' > "$dir/new.json"
{
  echo 'tick lvwDrivers "SQL Server"'
  echo 'click cmdNav(3)'
  for prefix in User System; do
    for i in $(seq 0 9999); do echo "tick lvwDSNs \"$prefix Source $i\""; done
  done
  echo 'click cmdNav(3)'
  echo 'click cmdNav(3)'
} > "$dir/tick-all.script"
export ODBCINI="$dir/user.ini" ODBCSYSINI="$dir/sys"
echo
echo "| 10,000 user + 10,000 system unixODBC data sources | ms (fastest of $runs) |"
echo "|---|---|"
echo "| open | $(run "$dir/new.json" "$dir/open.script" "$dir/shipped" 1 --registry unixodbc) ms |"
echo "| tick all and Finish | $(run "$dir/new.json" "$dir/tick-all.script" "$dir/shipped" 0 --registry unixodbc) ms |"
fi

# An object of N drivers and N data sources, all selected, named after NAMING (plain, cjk or
# prefix); every other data source is kept on uninstall.
export_object() {  # FILE N NAMING
  awk -v n="$2" -v naming="$3" 'BEGIN {
    split("〇 一 二 三 四 五 六 七 八 九", digit, " ")
    prefix = ""
    for (k = 0; k < 200; k++) prefix = prefix "x"
    printf "{\"properties\": {\"DTDBVerNo\": 0"
    list("Drivers", 0); list("DriversInfo", 1); list("DriversSelections", 2)
    list("DataSources", 3); list("DataSourcesInfo", 4); list("DataSourcesTypes", 5)
    list("DataSourcesSelections", 2); list("DataSourcesUninstFlags", 6)
    print "}}"
  }
  function name(kind, i,   s, t) {
    if (naming == "plain") return kind " " i
    if (naming == "prefix") return prefix " " kind " " i
    s = ""
    t = i
    do { s = digit[t % 10 + 1] s; t = int(t / 10) } while (t > 0)
    return (kind == "Driver" ? "驱动程序" : "数据源") s
  }
  function list(property, what,   i) {
    printf ",\n\"%s\": [", property
    for (i = 0; i < n; i++) {
      if (i > 0) printf ","
      if (what == 0) printf "\"%s\"", name("Driver", i)
      else if (what == 1) printf "\"Driver=<WINSYSDIR>\\\\%s.dll\\r\\nAPILevel=1\"", name("Driver", i)
      else if (what == 2) printf "true"
      else if (what == 3) printf "\"%s\"", name("Source", i)
      else if (what == 4) printf "\"DriverName=%s\\r\\nDBQ=C:\\\\data\\\\db%d.mdb\"", name("Driver", i % 100), i
      else if (what == 5) printf (i % 3 == 0 ? "\"system\"" : "\"user\"")
      else printf (i % 2 == 0 ? "true" : "false")
    }
    printf "]"
  }' > "$1"
}

# The fastest of RUNS exports in milliseconds: processor time (perf's task-clock, when perf is
# installed), since on a machine shared with other work the wall clock mostly measures the
# others; LUMORA_SCALE_WALL=1, or no perf, gives wall-clock milliseconds.
export_clock=processor
if [[ ${LUMORA_SCALE_WALL:-0} == 1 ]] || ! perf stat -e task-clock true > /dev/null 2>&1; then
  export_clock=wall-clock
fi
run_export() {  # OBJECT FORMAT
  local ms start end i
  fastest_reset
  for _ in $(seq "$runs"); do
   for i in "${!programs[@]}"; do
    rm -rf "$dir/export-out"
    local command=("${programs[$i]}" export "$1" --format "$2" --out "$dir/export-out" --registry none)
    start=$(date +%s%N)
    if [[ $export_clock == processor ]]; then
      perf stat -x, -e task-clock -o "$dir/perf" "${command[@]}" > /dev/null 2> "$dir/err"
    else
      "${command[@]}" > /dev/null 2> "$dir/err"
    fi || { echo "lumora export $1 --format $2 failed" >&2; head -c 600 "$dir/err" >&2; exit 1; }
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    [[ $export_clock == processor ]] &&
      ms=$(awk -F, '/task-clock/ { printf "%d", $1 + 0.5 }' "$dir/perf")
    fastest_take "$i" "$ms"
   done
  done
  fastest_cell
}

if [[ $parts == *" export "* ]]; then
  echo
  printf '| export, N drivers + N data sources, %s ms (fastest of %s) |' "$export_clock" "$runs"
  printf ' %s |' "${sizes[@]}"
  printf ' %s → %s |\n|---|---|---|---|---|---|\n' "${sizes[1]}" "${sizes[3]}"
  for naming in plain cjk prefix; do
    for n in "${sizes[@]}"; do export_object "$dir/export-$naming-$n.json" "$n" "$naming"; done
    for format in msi wix odbcinst; do
      cells=()
      for n in "${sizes[@]}"; do cells+=("$(run_export "$dir/export-$naming-$n.json" "$format")"); done
      line "$format, $naming names" "${cells[@]}"
    done
  done
fi

if [[ $parts == *" import "* ]]; then
  # lumora import: N drivers and N data sources, exported to each format, read into a new object.
  selected() {  # FILE N
    awk -v n="$2" 'BEGIN {
      printf "{\"properties\": {\"DTDBVerNo\": 0"
      list("Drivers", 0); list("DriversInfo", 1); list("DriversSelections", 2)
      list("DataSources", 3); list("DataSourcesInfo", 4); list("DataSourcesTypes", 5)
      list("DataSourcesSelections", 2); list("DataSourcesUninstFlags", 2)
      print "}}"
    }
    function list(name, what,   i) {
      printf ",\n\"%s\": [", name
      for (i = 0; i < n; i++) {
        if (i > 0) printf ","
        if (what == 0) printf "\"Bench Driver %d\"", i
        else if (what == 1) printf "\"Driver=<WINSYSDIR>\\\\bench%d.dll\\r\\nAPILevel=1\"", i % 16
        else if (what == 2) printf "true"
        else if (what == 3) printf "\"Bench Source %d\"", i
        else if (what == 4) printf "\"DriverName=Bench Driver %d\\r\\nDBQ=C:\\\\data\\\\db%d.mdb\"", i % 100, i
        else printf (i % 3 == 0 ? "\"system\"" : "\"user\"")
      }
      printf "]"
    }' > "$1"
  }
  import_ms() {  # SOURCE: the fastest of RUNS imports into a new object
    local start end i
    fastest_reset
    for _ in $(seq "$runs"); do
      for i in "${!programs[@]}"; do
        rm -f "$dir/imported.json"
        start=$(date +%s%N)
        "${programs[$i]}" import "$dir/imported.json" --from "$1" > /dev/null
        end=$(date +%s%N)
        fastest_take "$i" $(( (end - start) / 1000000 ))
      done
    done
    fastest_cell
  }
  declare -A import_cells
  for n in "${sizes[@]}"; do
    rm -rf "$dir/import" && mkdir -p "$dir/import/pkg"
    selected "$dir/import/object.json" "$n"
    "$lumora" export "$dir/import/object.json" --format wix --out "$dir/import/wix" > /dev/null
    "$lumora" export "$dir/import/object.json" --format odbcinst --out "$dir/import/ini" > /dev/null 2>&1
    grep -v -e '<ODBC' -e '</ODBC' -e '<Property ' "$dir/import/wix/lumora-odbc.wxs" > "$dir/import/pkg/files.wxs"
    cp tests/data/export/product.wxs "$dir/import/pkg/"
    for i in $(seq 0 15); do echo MZ > "$dir/import/pkg/bench$i.dll"; done
    (cd "$dir/import/pkg" && wixl -o odbc.msi product.wxs files.wxs)
    "$lumora" export "$dir/import/object.json" --format msi --into "$dir/import/pkg/odbc.msi" > /dev/null
    import_cells[msi]+="$(import_ms "$dir/import/pkg/odbc.msi");"
    import_cells[wix]+="$(import_ms "$dir/import/wix/lumora-odbc.wxs");"
    import_cells[odbcinst]+="$(import_ms "$dir/import/ini");"
  done
  echo
  printf '| import N drivers + N data sources, ms (fastest of %s) |' "$runs"
  printf ' %s |' "${sizes[@]}"
  printf ' %s → %s |\n|---|---|---|---|---|---|\n' "${sizes[1]}" "${sizes[3]}"
  for format in msi wix odbcinst; do
    IFS=';' read -r -a cells <<< "${import_cells[$format]}"
    line "from $format" "${cells[@]}"
  done
fi
