#!/usr/bin/env python3
"""The end-to-end cases that read registered data sources and drivers, against a live registry.

Each case's registry export (its registry.reg, or the .reg its catalogue command reads) is
written into a fresh Wine prefix with `wine reg add`, in the 32-bit view (/reg:32, Wow6432Node)
or the 64-bit one (/reg:64) as the case's view asks, the user's keys under HKCU. Then the case
runs three times and every run must answer alike (exit status, output, the object or catalogue
it leaves):
  live    lumora.exe under Wine, reading the live registry (the Windows build's default),
  prefix  the Linux lumora reading the same prefix's files (--registry PREFIX),
  export  the Linux lumora reading the export, as the case's own test does.
The check cases read the drivers of their odbcinst.ini: those go into the machine's
ODBCINST.INI (32-bit view), and lumora.exe check on the live registry must answer as the Linux
check on the odbcinst.ini (which has no other source of drivers).
The live run must also end as the case expects (its exit file); the rest of the case's
expectations hold for the export run, which its own test checks in the export's order.

Wine's registry lists a key's values by name, Windows in the order they were set: under Wine the
reference runs read the export (or odbcinst.ini) in Wine's order, so that the runs compare.

Usage: RegistryCasesUnderWine.py LINUX_LUMORA WINDOWS_LUMORA_EXE, from the source folder.
Exit 77 (skipped) when Wine or the Linux build is missing; under CI=true that fails.
"""
import codecs
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

CASES = Path("tests/e2e/cases")
# The cases that read the one example machine (tests/e2e/machine.reg) in the 32-bit view, run
# once more with the same keys written in the 64-bit view and read there.
ALSO_IN_64_BIT_VIEW = [
    "first-showing-nothing-stored",
    "data-source-system-to-user",
    "data-source-system-uninstall",
    "add-data-source-by-name",
    "cancel-on-advanced-data-source-page",
]


def skip_or_fail(why):
    print(f"registry-cases-under-wine: {why}", file=sys.stderr)
    sys.exit(1 if os.environ.get("CI") == "true" else 77)


# ---- the export: keys with their values' raw text, in file order --------------------------

def decode(data):
    """Each export of a joined file by itself, as lumora reads them: UTF-16LE after its
    byte-order mark, REGEDIT4 in Windows-1252, other 8-bit text UTF-8 when valid, else
    Windows-1252."""
    text = ""
    for part in re.split(rb"(?=\xff\xfe|\xef\xbb\xbf|REGEDIT4|Windows Registry Editor)", data):
        if part.startswith(codecs.BOM_UTF16_LE):
            text += part[2:].decode("utf-16-le")
        elif part.startswith(b"REGEDIT4"):
            text += part.decode("cp1252")
        else:
            part = part.removeprefix(codecs.BOM_UTF8)
            try:
                text += part.decode("utf-8")
            except UnicodeDecodeError:
                text += part.decode("cp1252")
    return text


def read_export(path):
    """[(key, [(name, raw)])] of a (possibly joined) export; a key seen twice is merged."""
    keys, current, text = {}, None, decode(Path(path).read_bytes())
    lines = iter(text.replace("\r\n", "\n").split("\n"))
    for line in lines:
        while line.endswith("\\") and not line.startswith("["):
            line = line[:-1] + next(lines).strip()
        if line.startswith("["):
            if line.startswith("[-"):
                raise ValueError(f"{path}: a deletion is not written with reg add: {line}")
            current = keys.setdefault(line[1:line.rindex("]")], {})
        elif current is not None and line[:1] in ('"', "@"):
            name, raw = split_value(line)
            current[name] = raw
        elif line.strip() and not line.startswith(("Windows Registry", "REGEDIT", ";", "\ufeff")):
            raise ValueError(f"{path}: a line this test does not write: {line}")
    return [(key, list(values.items())) for key, values in keys.items()]


DRIVERS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI"


def read_odbcinst(path):
    """[(section, [(key, value)])] of an odbcinst.ini, [ODBC] aside."""
    sections = []
    for line in Path(path).read_text().splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            sections.append((line[1:-1], []))
        elif "=" in line and not line.startswith((";", "#")) and sections:
            key, _, value = line.partition("=")
            sections[-1][1].append((key.strip(), value.strip()))
    return [(name, entries) for name, entries in sections if name.upper() != "ODBC"]


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def read_source(path):
    """The keys an export holds, or those the registry holds for an odbcinst.ini's drivers."""
    if Path(path).name != "odbcinst.ini":
        return read_export(path)
    drivers = read_odbcinst(path)
    keys = [(DRIVERS_KEY + "\\ODBC Drivers", [(name, '"Installed"') for name, _ in drivers])]
    return keys + [(DRIVERS_KEY + "\\" + name, [(k, quoted(v)) for k, v in entries])
                   for name, entries in drivers]


def write_odbcinst(drivers, path):
    Path(path).write_text("".join(f"[{name}]\n" + "".join(f"{k}={v}\n" for k, v in entries) + "\n"
                                  for name, entries in drivers))


def split_value(line):
    if line.startswith("@="):
        return "", line[2:]
    m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
    if not m:
        raise ValueError(f"not a value line: {line}")
    return unescape(m.group(1)), m.group(2)


def unescape(text):
    return re.sub(r"\\(.)", r"\1", text)


def wine_order(values):
    """Wine's registry keeps a key's values sorted by name, ignoring case."""
    return sorted(values, key=lambda v: v[0].upper())


def write_export(keys, path):
    out = ["Windows Registry Editor Version 5.00", ""]
    for key, values in keys:
        out.append(f"[{key}]")
        for name, raw in values:
            quoted = name.replace("\\", "\\\\").replace('"', '\\"')
            out.append(("@" if name == "" else f'"{quoted}"') + "=" + raw)
        out.append("")
    Path(path).write_bytes(codecs.BOM_UTF16_LE + "\r\n".join(out).encode("utf-16-le"))


def reg_add_arguments(raw):
    """The /t TYPE /d DATA of `reg add` for a value's text in an export."""
    if raw.startswith('"'):
        return ["/t", "REG_SZ", "/d", unescape(raw[1:-1])]
    if raw.startswith("dword:"):
        return ["/t", "REG_DWORD", "/d", str(int(raw[6:], 16))]
    m = re.match(r"hex(?:\((\w+)\))?:(.*)$", raw)
    if not m:
        raise ValueError(f"a value this test does not write: {raw}")
    kind, data = m.group(1), bytes(int(b, 16) for b in m.group(2).split(",") if b)
    if kind is None:
        return ["/t", "REG_BINARY", "/d", data.hex()]
    text = data.decode("utf-16-le").rstrip("\0")
    if kind == "2":
        return ["/t", "REG_EXPAND_SZ", "/d", text]
    if kind == "7":
        return ["/t", "REG_MULTI_SZ", "/d", text.replace("\0", "\\0")]
    raise ValueError(f"a value type this test does not write: hex({kind})")


def live_key(key, bits, has_wow):
    """The key and view `reg add` writes an export's key in; None for a key of no root read."""
    root, _, path = key.partition("\\")
    if root == "HKEY_CURRENT_USER":
        return "HKCU\\" + path, 64
    if root != "HKEY_LOCAL_MACHINE":
        return None
    wow = re.match(r"(?i)software\\wow6432node\\(.*)$", path)
    if wow:
        return "HKLM\\Software\\" + wow.group(1), 32
    # A native export (one holding Wow6432Node) names the 64-bit keys by their plain path; an
    # export without it is the view it is read in.
    return "HKLM\\" + path, 64 if has_wow else bits


# ---- the prefix ----------------------------------------------------------------------------

class Prefix:
    def __init__(self, folder):
        self.folder = folder
        self.env = dict(os.environ, WINEPREFIX=str(folder), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8")
        self.out = Path(folder).parent / "wine.out"
        self.err = Path(folder).parent / "wine.err"

    def wine(self, args, cwd=None):
        """(exit, stdout, stderr) of a Windows program; through files, as Wine's services keep
        the handles they were started with."""
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            status = subprocess.run(["wine", *args], env=self.env, cwd=cwd,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err).returncode
        return status, self.out.read_bytes(), self.err.read_bytes()

    def server(self, *args):
        subprocess.run(["wineserver", *args], env=self.env, check=False)

    def make(self):
        Path(self.folder).mkdir(parents=True)
        self.server("-p")
        subprocess.run(["wineboot", "-i"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def fill(self, keys, bits):
        for key, view in [("HKCU\\Software\\ODBC", 64), ("HKLM\\Software\\ODBC", 32),
                          ("HKLM\\Software\\ODBC", 64)]:
            self.wine(["reg", "delete", key, "/f", f"/reg:{view}"])
        has_wow = any("wow6432node" in key.lower() for key, _ in keys)
        for key, values in keys:
            target = live_key(key, bits, has_wow)
            if target is None:
                continue
            where, view = target
            for name, raw in values or [(None, None)]:
                args = ["reg", "add", where, f"/reg:{view}", "/f"]
                if name is not None:
                    args += (["/ve"] if name == "" else ["/v", name]) + reg_add_arguments(raw)
                status, out, err = self.wine(args)
                if status != 0:
                    raise RuntimeError(f"reg add {where} {name}: {out + err!r}")

    def flush(self):
        """The server writes the registry files when it ends."""
        self.server("-k")
        self.server("-w")


# ---- one case, three ways -----------------------------------------------------------------

def windows_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class Run:
    """One run of a case in its own copy of the case folder."""

    def __init__(self, case, bits, work, name):
        self.case, self.bits, self.name = case, bits, name
        self.folder = work / name
        shutil.copytree(CASES / case, self.folder, symlinks=False)
        component = self.folder / "component"
        component.mkdir()
        catalogue = self.folder / "lumora.ini"
        shutil.copy(catalogue if catalogue.exists() else Path("data/lumora.ini"),
                    component / "lumora.ini")

    def arguments(self, registry, on_windows):
        here = windows_path if on_windows else str
        command = CASES / self.case / "command"
        if command.exists():
            words = [here(w.replace("$CASE", str(self.folder))) if "$CASE" in w else w
                     for w in command.read_text().split("\n") if w]
            if "--from" in words:
                words[words.index("--from") + 1] = registry
            return words
        # The same host settings for every run, so that only the registry source differs (the
        # Windows build otherwise takes the system folders from the system: syswow64 in the
        # 32-bit view, where the Linux build has the usual System32).
        settings = self.folder / "host.ini"
        settings.write_text("; the usual Windows folders\n")
        return ["wizard", here(self.folder / "object.json"), "--script",
                here(self.folder / "script"), "--component-dir", here(self.folder / "component"),
                "--registry", registry, "--registry-view", str(self.bits),
                "--host-config", here(settings)]

    def answer(self, status, out, err):
        """What the run answered and left, its own folder's name made $CASE."""
        def text(data):
            text = data.decode("utf-8", "replace").replace("\r\n", "\n")
            windows = windows_path(self.folder)
            # The folder as the Windows program names it (in JSON its backslashes doubled),
            # with the rest of the path's separators made /.
            for form, separator in ((windows.replace("\\", "\\\\"), "\\\\"),
                                    (windows, "\\")):
                text = re.sub(re.escape(form) + r"((?:" + re.escape(separator) + r'[^"\\\s]+)*)',
                              lambda m: "$CASE" + m.group(1).replace(separator, "/"), text)
            for form in (str(self.folder.resolve()), str(self.folder)):
                text = text.replace(form, "$CASE")
            return text

        left = {}
        for path in sorted(self.folder.rglob("*")):
            if path.is_file():
                body = path.read_bytes()
                if path.name == "lumora.ini" and path.parent.name != "component":
                    body = body.split(b"\n", 1)[-1]  # a catalogue's first line names its source
                if path.suffix == ".chm":  # each build compiles its own, stamped with the time
                    body = b"a help file"
                left[str(path.relative_to(self.folder))] = body
        return {"exit": status, "stdout": text(out), "stderr": text(err), "files": left}


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    linux, windows = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    missing = [t for t in ("wine", "wineserver", "wineboot") if not shutil.which(t)]
    if missing:
        skip_or_fail(f"missing {' '.join(missing)} (./setup installs them)")
    if not linux.exists():
        skip_or_fail(f"the Linux build's lumora ({linux}) is not built; build the default preset")

    # The table: every case that reads a registry export, in the view it names, and the example
    # machine's cases again in the 64-bit view.
    rows = []
    for case in sorted(p.name for p in CASES.iterdir()):
        folder = CASES / case
        if (folder / "registry.reg").exists():
            args = (folder / "args").read_text().split() if (folder / "args").exists() else []
            bits = int(args[args.index("--registry-view") + 1]) if "--registry-view" in args else 32
            rows.append((case, bits, folder / "registry.reg"))
        elif (folder / "command").exists():
            words = (folder / "command").read_text().split("\n")
            if "--from" in words and words[words.index("--from") + 1].endswith(".reg"):
                rows.append((case, 32, Path(words[words.index("--from") + 1])))
            elif words[0] == "check" and (folder / "odbcinst.ini").exists():
                rows.append((case, 32, folder / "odbcinst.ini"))
    rows += [(case, 64, CASES / case / "registry.reg") for case in ALSO_IN_64_BIT_VIEW]
    # Cases that share an export and a view share a filling of the prefix.
    rows.sort(key=lambda row: (str(row[2].resolve()), row[1], row[0]))

    work = Path(tempfile.mkdtemp(prefix="lumora-registry-cases-"))
    prefix = Prefix(work / "prefix")
    failures = []
    try:
        prefix.make()
        filled = None
        pending = []  # the rows of the current filling, run live, waiting for the prefix's files

        def finish_filling():
            prefix.flush()
            for case, bits, export, live, live_run in pending:
                compare(case, bits, export, live, live_run, linux, prefix, work, failures)
            pending.clear()

        for n, (case, bits, export) in enumerate(rows):
            keys = read_source(export)
            if filled != (export.resolve(), bits):
                if pending:
                    finish_filling()
                prefix.server("-p")
                prefix.fill(keys, bits)
                filled = (export.resolve(), bits)
            live_run = Run(case, bits, work, f"{n}-live")
            live = live_run.answer(*prefix.wine([str(windows), *live_run.arguments("live", True)],
                                                cwd=Path.cwd()))
            pending.append((case, bits, export, live, live_run))
        finish_filling()
    finally:
        prefix.flush()
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"registry-cases-under-wine: {len(rows)} runs, {len(failures)} failures")
    sys.exit(1 if failures else 0)


def compare(case, bits, export, live, live_run, linux, prefix, work, failures):
    label = f"{case} ({bits}-bit view)"
    env = dict(os.environ)
    env_file = CASES / case / "env"
    for line in env_file.read_text().splitlines() if env_file.exists() else []:
        name, _, value = line.partition("=")
        env[name] = value
    if export.name == "odbcinst.ini":
        # The drivers of unixODBC, in Wine's order, read by the Linux check: it has no other
        # source of installed drivers.
        sysini = work / f"{live_run.name}-sysini"
        sysini.mkdir()
        write_odbcinst([(name, wine_order(entries)) for name, entries
                        in wine_order(read_odbcinst(export))], sysini / "odbcinst.ini")
        env["ODBCSYSINI"] = str(sysini)
        references = [("odbcinst.ini", "")]
        places = {"odbcinst.ini": str(sysini / "odbcinst.ini")}
    else:
        # The export, with each key's values in Wine's order.
        ordered = work / f"{live_run.name}.reg"
        write_export([(key, wine_order(values)) for key, values in read_export(export)], ordered)
        references = [("prefix", str(prefix.folder)), ("export", str(ordered))]
        places = {}
    answers = {"live": live}
    for name, registry in references:
        run = Run(case, bits, work, f"{live_run.name}-{name}")
        run_env = {k: v.replace("$CASE", str(run.folder)) for k, v in env.items()}
        result = subprocess.run([str(linux), *run.arguments(registry, False)], cwd=Path.cwd(),
                                env=run_env, stdin=subprocess.DEVNULL, capture_output=True)
        answers[name] = run.answer(result.returncode, result.stdout, result.stderr)
        # The source is named as given (catalogue's report and refusals; where drivers are
        # registered).
        theirs = answers[name]
        for what in ("stdout", "stderr"):
            if registry:
                theirs[what] = theirs[what].replace(registry + ":", "SOURCE:")
                theirs[what] = theirs[what].replace(" from " + registry, " from SOURCE")
            if name in places:
                theirs[what] = theirs[what].replace(places[name], "PLACE")
    for what in ("stdout", "stderr"):
        live[what] = live[what].replace("live:", "SOURCE:").replace(" from live", " from SOURCE")
        live[what] = live[what].replace(DRIVERS_KEY, "PLACE")
    for name, _ in references:
        theirs = answers[name]
        for what in ("exit", "stdout", "stderr"):
            if theirs[what] != live[what]:
                failures.append(f"FAIL {label}: {what} of lumora.exe (live registry) and lumora "
                                f"({name}) differ:\n--- live:\n{live[what]}\n--- {name}:\n"
                                f"{theirs[what]}")
        for path in sorted(set(live["files"]) | set(theirs["files"])):
            mine, other = live["files"].get(path), theirs["files"].get(path)
            if mine != other:
                failures.append(f"FAIL {label}: {path} left by lumora.exe (live registry) and "
                                f"lumora ({name}) differ:\n--- live:\n{mine!r}\n--- {name}:\n"
                                f"{other!r}")
    # The case's own expectations, on the live run.
    folder = CASES / case
    expected_exit = int((folder / "exit").read_text())
    if live["exit"] != expected_exit:
        failures.append(f"FAIL {label}: lumora.exe exit {live['exit']}, the case expects "
                        f"{expected_exit}: {live['stderr']}")


if __name__ == "__main__":
    main()
