#!/usr/bin/env python3
"""The end-to-end cases that read registered data sources and drivers, against a live registry.

Each case's registry export (its registry.reg, or the .reg its catalogue command reads) is written
into a fresh Wine prefix with `wine reg add`, in the 32-bit view (Wow6432Node) or the 64-bit one as
the case asks, the user's keys under HKCU; the check cases' odbcinst.ini drivers go into the
machine's ODBCINST.INI. Every run of a case must then answer alike (exit, output, files left):
  live    lumora.exe under Wine, reading the live registry (the Windows build's default),
  prefix  the Linux lumora reading the same prefix's files (--registry PREFIX),
  export  the Linux lumora reading the export (check cases: the Linux check on the odbcinst.ini),
and the live run must end as the case expects (its exit file). Wine lists a key's values by name,
Windows in the order they were set: the reference runs read the source in Wine's order.

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
# The cases that read the example machine (tests/e2e/machine.reg) in the 32-bit view, run once
# more with the same keys written in the 64-bit view and read there.
ALSO_IN_64_BIT_VIEW = ["first-showing-nothing-stored", "data-source-system-to-user",
                       "data-source-system-uninstall", "add-data-source-by-name",
                       "cancel-on-advanced-data-source-page"]
DRIVERS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI"
# `reg add` types of an export's hex(N): values, their data UTF-16.
HEX_TYPES = {"2": ("REG_EXPAND_SZ", lambda t: t),
             "7": ("REG_MULTI_SZ", lambda t: t.replace("\0", "\\0"))}


# ---- the sources: keys with their values' raw text, in file order ---------------------------

def decode(data):
    """Each export of a joined file by itself, as lumora reads them: UTF-16LE after its BOM,
    REGEDIT4 in Windows-1252, other 8-bit text UTF-8 when valid, else Windows-1252."""
    text = ""
    for part in re.split(rb"(?=\xff\xfe|\xef\xbb\xbf|REGEDIT4|Windows Registry Editor)", data):
        if part.startswith(codecs.BOM_UTF16_LE):
            text += part[2:].decode("utf-16-le")
            continue
        part = part.removeprefix(codecs.BOM_UTF8)
        try:
            text += part.decode("cp1252" if part.startswith(b"REGEDIT4") else "utf-8")
        except UnicodeDecodeError:
            text += part.decode("cp1252")
    return text


def unescape(text):
    return re.sub(r"\\(.)", r"\1", text)


def read_export(path):
    """[(key, [(name, raw)])] of a (possibly joined) export; a key seen twice is merged."""
    keys, current = {}, None
    lines = iter(decode(Path(path).read_bytes()).replace("\r\n", "\n").split("\n"))
    for line in lines:
        while line.endswith("\\") and not line.startswith("["):
            line = line[:-1] + next(lines).strip()
        value = re.match(r'(?:@|"((?:[^"\\]|\\.)*)")=(.*)$', line)
        if line.startswith("[") and not line.startswith("[-"):
            current = keys.setdefault(line[1:line.rindex("]")], {})
        elif current is not None and value:
            current[unescape(value.group(1) or "")] = value.group(2)
        elif line.strip() and not line.startswith(("Windows Registry", "REGEDIT", ";", "\ufeff")):
            raise ValueError(f"{path}: a line this test does not write (with reg add): {line}")
    return [(key, list(values.items())) for key, values in keys.items()]


def read_odbcinst(path):
    """[(section, [(key, value)])] of an odbcinst.ini, [ODBC] aside; none when a setting comes
    before the first section, as unixODBC then ignores the file."""
    sections = []
    for line in map(str.strip, Path(path).read_text().splitlines()):
        if line.startswith("[") and line.endswith("]"):
            sections.append((line[1:-1], []))
        elif "=" in line and not line.startswith((";", "#")):
            if not sections:
                return []
            sections[-1][1].append(tuple(part.strip() for part in line.split("=", 1)))
    return [(name, entries) for name, entries in sections if name.upper() != "ODBC"]


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def read_source(path):
    """The keys an export holds, or those the registry holds for an odbcinst.ini's drivers."""
    if path.name != "odbcinst.ini":
        return read_export(path)
    drivers = read_odbcinst(path)
    return [(DRIVERS_KEY + "\\ODBC Drivers", [(name, '"Installed"') for name, _ in drivers])] + [
        (DRIVERS_KEY + "\\" + name, [(k, quoted(v)) for k, v in entries])
        for name, entries in drivers]


def wine_order(values):
    """Wine's registry keeps a key's values sorted by name, ignoring case."""
    return sorted(values, key=lambda v: v[0].upper())


def write_in_wine_order(path, target):
    """The source with each key's (or section's) entries, and the sections, in Wine's order."""
    if path.name == "odbcinst.ini":
        target.write_text("".join(f"[{name}]\n" + "".join(f"{k}={v}\n" for k, v in wine_order(e))
                                  + "\n" for name, e in wine_order(read_odbcinst(path))))
        return
    out = ["Windows Registry Editor Version 5.00", ""]
    for key, values in read_export(path):
        out += [f"[{key}]"] + [("@" if not name else quoted(name)) + "=" + raw
                               for name, raw in wine_order(values)] + [""]
    target.write_bytes(codecs.BOM_UTF16_LE + "\r\n".join(out).encode("utf-16-le"))


def reg_add_arguments(raw):
    """The /t TYPE /d DATA of `reg add` for a value's text in an export."""
    if raw.startswith('"'):
        return ["/t", "REG_SZ", "/d", unescape(raw[1:-1])]
    if raw.startswith("dword:"):
        return ["/t", "REG_DWORD", "/d", str(int(raw[6:], 16))]
    m = re.match(r"hex(?:\((\w+)\))?:(.*)$", raw)
    if not m or m.group(1) not in (None, *HEX_TYPES):
        raise ValueError(f"a value this test does not write: {raw}")
    data = bytes(int(b, 16) for b in m.group(2).split(",") if b)
    if m.group(1) is None:
        return ["/t", "REG_BINARY", "/d", data.hex()]
    kind, form = HEX_TYPES[m.group(1)]
    return ["/t", kind, "/d", form(data.decode("utf-16-le").rstrip("\0"))]


def live_key(key, bits, has_wow):
    """The key and view `reg add` writes an export's key in; None for a key of no root read."""
    root, _, path = key.partition("\\")
    wow = re.match(r"(?i)software\\wow6432node\\(.*)$", path)
    if root == "HKEY_CURRENT_USER":
        return "HKCU\\" + path, 64
    if root != "HKEY_LOCAL_MACHINE":
        return None
    if wow:
        return "HKLM\\Software\\" + wow.group(1), 32
    # A native export (one holding Wow6432Node) names the 64-bit keys by their plain path; an
    # export without it is the view it is read in.
    return "HKLM\\" + path, 64 if has_wow else bits


# ---- the prefix ----------------------------------------------------------------------------

class Prefix:
    def __init__(self, folder):
        self.folder, self.out = folder, folder.parent / "wine.out"
        self.env = dict(os.environ, WINEPREFIX=str(folder), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8")

    def wine(self, args, cwd=None):
        """(exit, stdout, stderr) of a Windows program; through files, as Wine's services keep
        the handles they were started with."""
        with open(self.out, "wb") as out, open(f"{self.out}.err", "wb") as err:
            status = subprocess.run(["wine", *args], env=self.env, cwd=cwd,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err).returncode
        return status, self.out.read_bytes(), Path(f"{self.out}.err").read_bytes()

    def server(self, *args):
        subprocess.run(["wineserver", *args], env=self.env, check=False)

    def fill(self, keys, bits):
        self.server("-p")
        for key, view in [("HKCU", 64), ("HKLM", 32), ("HKLM", 64)]:
            self.wine(["reg", "delete", key + "\\Software\\ODBC", "/f", f"/reg:{view}"])
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

    def __init__(self, case, bits, folder):
        self.case, self.bits, self.folder = case, bits, folder
        shutil.copytree(CASES / case, folder, symlinks=False)
        (folder / "component").mkdir()
        catalogue = folder / "lumora.ini"
        shutil.copy(catalogue if catalogue.exists() else "data/lumora.ini", folder / "component")

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
        # Windows build otherwise takes syswow64 in the 32-bit view, Linux the usual System32).
        (self.folder / "host.ini").write_text("; the usual Windows folders\n")
        f = self.folder
        return ["wizard", here(f / "object.json"), "--script", here(f / "script"),
                "--component-dir", here(f / "component"), "--registry", registry,
                "--registry-view", str(self.bits), "--host-config", here(f / "host.ini")]

    def answer(self, status, out, err, source, place):
        """What the run answered and left, flat: its folder made $CASE, the registry it was given
        SOURCE (a catalogue's report and refusals), where drivers are registered PLACE."""
        windows = windows_path(self.folder)

        def text(data):
            text = data.decode("utf-8", "replace").replace("\r\n", "\n")
            # The folder as the Windows program names it (in JSON its backslashes doubled),
            # with the rest of the path's separators made /.
            for form, sep in ((windows.replace("\\", "\\\\"), "\\\\"), (windows, "\\")):
                text = re.sub(re.escape(form) + r"((?:" + re.escape(sep) + r'[^"\\\s]+)*)',
                              lambda m: "$CASE" + m.group(1).replace(sep, "/"), text)
            for old, new in replacements:
                text = text.replace(old, new)
            return text

        replacements = [(str(self.folder.resolve()), "$CASE"), (str(self.folder), "$CASE")]
        if source:
            replacements += [(source + ":", "SOURCE:"), (" from " + source, " from SOURCE")]
        if place:
            replacements.append((place, "PLACE"))

        answer = {"exit": status, "stdout": text(out), "stderr": text(err)}
        for path in sorted(p for p in self.folder.rglob("*") if p.is_file()):
            body = path.read_bytes()
            if path.name == "lumora.ini" and path.parent.name != "component":
                body = body.split(b"\n", 1)[-1]  # a catalogue's first line names its source
            if path.suffix == ".chm":  # each build compiles its own, stamped with the time
                body = b"a help file"
            answer["file " + str(path.relative_to(self.folder))] = body
        return answer


def table():
    """Every case that reads a registry export or (check) an odbcinst.ini, in the view it names,
    and the example machine's cases again in the 64-bit view: (case, bits, source)."""
    rows = [(case, 64, CASES / case / "registry.reg") for case in ALSO_IN_64_BIT_VIEW]
    for folder in CASES.iterdir():
        args = (folder / "args").read_text().split() if (folder / "args").exists() else []
        command = folder / "command"
        words = command.read_text().split("\n") if command.exists() else []
        source = words[words.index("--from") + 1] if "--from" in words else ""
        if (folder / "registry.reg").exists():
            view = args[args.index("--registry-view") + 1] if "--registry-view" in args else 32
            rows.append((folder.name, int(view), folder / "registry.reg"))
        elif source.endswith(".reg"):
            rows.append((folder.name, 32, Path(source)))
        elif words[:1] == ["check"] and (folder / "odbcinst.ini").exists():
            rows.append((folder.name, 32, folder / "odbcinst.ini"))
    # Cases that share a source and a view share a filling of the prefix.
    return sorted(rows, key=lambda row: (str(row[2].resolve()), row[1], row[0]))


def compare(case, bits, source, live_run, live, linux, prefix, failures):
    """The Linux runs of a case against its live run, once the prefix's files are written."""
    label, folder = f"{case} ({bits}-bit view)", live_run.folder
    env = dict(os.environ)
    env_file = CASES / case / "env"
    lines = env_file.read_text().splitlines() if env_file.exists() else []
    env.update((name, value) for name, _, value in map(lambda line: line.partition("="), lines))
    ordered = Path(f"{folder}-ordered") / source.name
    ordered.parent.mkdir()
    write_in_wine_order(source, ordered)
    if source.name == "odbcinst.ini":  # the Linux check has no other source of installed drivers
        env["ODBCSYSINI"] = str(ordered.parent)
        references = [("odbcinst.ini", "", str(ordered))]
    else:
        references = [("prefix", str(prefix.folder), ""), ("export", str(ordered), "")]
    for name, registry, place in references:
        run = Run(case, bits, Path(f"{folder}-{name}"))
        run_env = {k: v.replace("$CASE", str(run.folder)) for k, v in env.items()}
        result = subprocess.run([str(linux), *run.arguments(registry, False)], env=run_env,
                                stdin=subprocess.DEVNULL, capture_output=True)
        theirs = run.answer(result.returncode, result.stdout, result.stderr, registry, place)
        for what in sorted(set(live) | set(theirs)):
            if live.get(what) != theirs.get(what):
                failures.append(f"FAIL {label}: {what} of lumora.exe (live registry) and lumora "
                                f"({name}) differ:\n--- live:\n{live.get(what)}\n--- {name}:\n"
                                f"{theirs.get(what)}")
    expected = int((CASES / case / "exit").read_text())
    if live["exit"] != expected:
        failures.append(f"FAIL {label}: lumora.exe exit {live['exit']}, the case expects "
                        f"{expected}: {live['stderr']}")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    linux, windows = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    missing = [t for t in ("wine", "wineserver", "wineboot") if not shutil.which(t)]
    why = (missing and f"missing {' '.join(missing)} (./setup installs them)") or (
        not linux.exists() and f"the Linux build's lumora ({linux}) is not built; build it")
    if why:
        print(f"registry-cases-under-wine: {why}", file=sys.stderr)
        sys.exit(1 if os.environ.get("CI") == "true" else 77)
    rows, failures = table(), []
    work = Path(tempfile.mkdtemp(prefix="lumora-registry-cases-"))
    prefix = Prefix(work / "prefix")
    try:
        prefix.folder.mkdir()
        prefix.server("-p")
        subprocess.run(["wineboot", "-i"], env=prefix.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        pending, filled = [], None  # the current filling's live runs, waiting for its files

        def finish_filling():
            if pending:
                prefix.flush()
            for row in pending:
                compare(*row, linux, prefix, failures)
            pending.clear()

        for n, (case, bits, source) in enumerate(rows):
            if filled != (source.resolve(), bits):
                finish_filling()
                prefix.fill(read_source(source), bits)
                filled = (source.resolve(), bits)
            run = Run(case, bits, work / f"{n}-live")
            answer = run.answer(*prefix.wine([str(windows), *run.arguments("live", True)]),
                                "live", DRIVERS_KEY)
            pending.append((case, bits, source, run, answer))
        finish_filling()
    finally:
        prefix.flush()
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"registry-cases-under-wine: {len(rows)} runs, {len(failures)} failures")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
