#!/usr/bin/env python3
"""Writes the generated part of the fuzz seed corpus: tiny PE images built byte by byte (PE32
and PE32+, one or two languages, a version block spread over the raw and virtual part of its
section), registry exports in both header forms (the version-5 form in UTF-16LE with its byte
order mark) and small catalogue files. Run from anywhere; it writes under fuzz/corpus/."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def out(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def put(buf, at, fmt, *values):
    need = at + struct.calcsize(fmt)
    if len(buf) < need:
        buf.extend(b"\0" * (need - len(buf)))
    struct.pack_into(fmt, buf, at, *values)


def version_block(file_ms, file_ls):
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    block = bytearray()
    put(block, 0, "<HHH", 92, 52, 0)
    block[6:6 + len(key)] = key
    put(block, 40, "<II", 0xFEEF04BD, 0x00010000)
    put(block, 48, "<IIII", file_ms, file_ls, file_ms, file_ls)
    put(block, 88, "<I", 0)
    return bytes(block)


def resources(languages):
    n = len(languages)
    r = bytearray()
    put(r, 14, "<H", 1)
    put(r, 16, "<II", 16, 0x80000000 | 0x18)
    put(r, 0x18 + 14, "<H", 1)
    put(r, 0x18 + 16, "<II", 1, 0x80000000 | 0x30)
    put(r, 0x30 + 14, "<H", n)
    entries = 0x30 + 16 + 8 * n
    blocks = entries + 16 * n
    for i, (lang, ms, ls) in enumerate(languages):
        put(r, 0x30 + 16 + 8 * i, "<II", lang, entries + 16 * i)
        put(r, entries + 16 * i, "<II", 0x1000 + blocks + 92 * i, 92)
        r[blocks + 92 * i:blocks + 92 * (i + 1)] = version_block(ms, ls)
    return bytes(r)


def pe(languages, pe64=False, virtual_extra=0):
    image = bytearray(0x200)
    image[0:2] = b"MZ"
    put(image, 0x3C, "<I", 0x80)
    image[0x80:0x84] = b"PE\0\0"
    coff = 0x84
    opt_size = 240 if pe64 else 224
    put(image, coff, "<HH", 0x8664 if pe64 else 0x14C, 1)
    put(image, coff + 16, "<H", opt_size)
    opt = coff + 20
    put(image, opt, "<H", 0x20B if pe64 else 0x10B)
    put(image, opt + (108 if pe64 else 92), "<I", 16)
    rsrc = resources(languages)
    raw = rsrc[:len(rsrc) - virtual_extra] if virtual_extra else rsrc
    dirs = opt + (112 if pe64 else 96)
    put(image, dirs + 16, "<II", 0x1000, len(rsrc))
    section = opt + opt_size
    image[section:section + 5] = b".rsrc"
    put(image, section + 8, "<IIII", len(rsrc), 0x1000, len(raw), 0x200)
    return bytes(image) + raw


def main():
    out("fuzz_pe_version", "pe32-4.0.6019.0.dll", pe([(0x409, 0x00040000, 0x17830000)]))
    out("fuzz_pe_version", "pe64-3.51.1713.0.dll", pe([(0x409, 0x00030033, 0x06B10000)], True))
    out("fuzz_pe_version", "pe32-two-languages.dll",
        pe([(0x407, 0x00010002, 0x00030004), (0x409, 0x00040000, 0x17830000)]))
    out("fuzz_pe_version", "pe32-no-us-english.dll", pe([(0x411, 0x00060001, 0x00020003)]))
    # The end of the block lies in the section's virtual part, which reads as zeros.
    out("fuzz_pe_version", "pe32-virtual-tail.dll",
        pe([(0x409, 0x00040000, 0x17830000)], virtual_extra=4))

    regedit4 = (
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers]\r\n"
        "\"SQL Server\"=\"Installed\"\r\n"
        "\"Microsoft Access Driver (*.mdb)\"=\"Installed\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\SQL Server]\r\n"
        "\"Driver\"=\"C:\\\\WINDOWS\\\\System32\\\\sqlsrv32.dll\"\r\n"
        "\"UsageCount\"=dword:00000002\r\n"
        "\"CPTimeout\"=\"<not pooled>\"\r\n"
        "@=\"default value\"\r\n"
        "\"Caf\xe9\"=\"1252 text\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\ODBC\\ODBC.INI\\Orders]\r\n"
        "\"DBQ\"=\"C:\\\\data\\\\orders.mdb\"\r\n"
        "\"Multi\"=hex(7):41,00,42,00,00,00,\\\r\n"
        "  43,00,00,00,00,00\r\n"
        "\"Bytes\"=hex:01,02,ff ; a comment\r\n"
        "\"Gone\"=-\r\n"
        "[-HKEY_CURRENT_USER\\Software\\ODBC\\ODBC.INI\\Old]\r\n")
    out("fuzz_reg_file", "regedit4-cp1252.reg", regedit4.encode("cp1252"))
    version5 = (
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources]\r\n"
        "\"Orders\"=\"Microsoft Access Driver (*.mdb)\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\Orders]\r\n"
        "\"Driver\"=hex(2):43,00,3a,00,5c,00,78,00,2e,00,64,00,6c,00,6c,00,00,00\r\n"
        "\"Count\"=hex(4):02,00,00,00\r\n"
        "\"Big\"=hex(b):01,00,00,00,00,00,00,80\r\n"
        "\"Name \\\"quoted\\\"\"=\"\u00c4rger \u20ac\"\r\n")
    out("fuzz_reg_file", "version5-utf16.reg", b"\xff\xfe" + version5.encode("utf-16-le"))
    out("fuzz_reg_file", "version5-utf8-bom.reg", b"\xef\xbb\xbf" + version5.encode("utf-8"))

    out("fuzz_profile_file", "quirks.ini",
        "; before any section: unreachable\nlost=1\n"
        "[ Drivers ]\r\nDriver0 = \"quoted value\" \r\nDriver1='single'\nDriver0=second\n"
        "noequals\n;comment=1\n\t[Second]trailing\n\vKey=\t tabbed\t\n[unclosed\nx=y\r"
        "[drivers]\nshadowed=1\n[]\nempty=1\n")
    out("fuzz_profile_file", "utf8-bom.ini", "\ufeff[Drivers]\nDriver0=Caf\u00e9\n[Translators]\n"
        "Translator0=Code Page Translator\n")


if __name__ == "__main__":
    main()
