#!/usr/bin/env python3
"""Writes src/regf/upcase_table.cpp: the upper-case tables Windows compares registry names with.

Windows orders and hashes subkey names by the upper-case form of each UTF-16 unit, from a table
of 65,536 entries that is the same as NTFS's $UpCase file. Three tables are written, each from a
source outside this repository:

  Windows 7   the $UpCase file (record 10) of a fresh NTFS image made by mkntfs, which ntfs-3g
              documents as "as defined by Windows 6.1 (Win7)"; read with ntfscat -i 10.
  Windows XP  the three tables that ntfs-3g's libntfs-3g/unistr.c gives as "the table as defined
              by Windows XP" (uc_run_table, uc_dup_table, uc_byte_table), before the changes it
              lists for Vista and 7. Needs ntfs-3g's source (apt-get source ntfs-3g).
  Wine        Wine's casing table l_intl.nls, as its ntdll's RtlUpcaseUnicodeChar reads it
              (newer Unicode than Windows 7's, the way later Windows may follow it).

Windows 7's table is written whole, as blocks of 256 differences from the unit itself (blocks
alike are written once); the other two as the units where they differ from it.

  make-upcase-table.py --ntfs-3g-source DIR [--wine-nls FILE] [--output FILE]
  make-upcase-table.py --check FILE [--ntfs-3g-source DIR] [--wine-nls FILE]

--check makes the tables again and compares them with FILE: exit 0 when equal, 1 when not, 77
when mkntfs, ntfscat or Wine's table is missing. Without --ntfs-3g-source it takes Windows XP's
differences from FILE itself and compares the rest.
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

UNITS = 65536
SKIP = 77
DEFAULT_WINE_NLS = "/usr/share/wine/nls/l_intl.nls"


def windows7_table():
    """The $UpCase file of a new NTFS image."""
    for tool in ("mkntfs", "ntfscat"):
        if not shutil.which(tool) and not os.path.exists("/usr/sbin/" + tool):
            raise FileNotFoundError(tool + " (package ntfs-3g)")
    mkntfs = shutil.which("mkntfs") or "/usr/sbin/mkntfs"
    with tempfile.TemporaryDirectory() as work:
        image = os.path.join(work, "ntfs.img")
        with open(image, "wb") as f:
            f.truncate(8 << 20)
        # -F: a file, not a device; -f: no zeroing; -q: quiet.
        subprocess.run([mkntfs, "-F", "-f", "-q", image], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        data = subprocess.run(["ntfscat", "-i", "10", image], check=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    if len(data) != 2 * UNITS:
        raise ValueError("$UpCase holds %d bytes, expected %d" % (len(data), 2 * UNITS))
    return list(struct.unpack("<%dH" % UNITS, data))


def parse_c_table(source, name):
    """The integers of `static int <name>[][n] = { ... };` as rows, without the end mark."""
    match = re.search(r"static int %s\[\]\[\d\]\s*=\s*\{(.*?)\};" % name, source, re.S)
    if not match:
        raise ValueError("no table %s in unistr.c" % name)
    body = re.sub(r"/\*.*?\*/", "", match.group(1), flags=re.S)
    rows = []
    for row in re.findall(r"\{([^{}]*)\}", body):
        numbers = [int(n, 0) for n in re.findall(r"-?(?:0x[0-9A-Fa-f]+|\d+)", row)]
        if numbers and numbers[0] != 0:
            rows.append(numbers)
    return rows


def windows_xp_table(ntfs3g_source):
    """Windows XP's table as ntfs-3g describes it: runs shifted by a constant, runs of
    capital/small pairs, and single units."""
    path = os.path.join(ntfs3g_source, "libntfs-3g", "unistr.c")
    with open(path, encoding="latin-1") as f:
        source = f.read()
    table = list(range(UNITS))
    for first, end, add in parse_c_table(source, "uc_run_table"):
        for unit in range(first, end):
            table[unit] = (unit + add) & 0xFFFF
    for first, end in parse_c_table(source, "uc_dup_table"):
        for unit in range(first, end, 2):
            table[unit + 1] = unit
    for unit, upper in parse_c_table(source, "uc_byte_table"):
        table[unit] = upper
    return table


def wine_table(nls_path):
    """Wine's upper-case table: after a header of two words, three levels of indexes whose last
    holds each unit's difference from its capital."""
    with open(nls_path, "rb") as f:
        data = f.read()
    words = struct.unpack("<%dH" % (len(data) // 2), data)
    upper = words[2:]
    def upcase(unit):
        return (unit + upper[upper[upper[unit >> 8] + ((unit >> 4) & 0xF)] + (unit & 0xF)]) & 0xFFFF
    return [upcase(unit) for unit in range(UNITS)]


def parse_exceptions(text, name):
    """The {unit, upper} pairs of one exception list of a file this tool wrote."""
    match = re.search(r"const UpcaseException %s\[\] = \{(.*?)\};" % name, text, re.S)
    if not match:
        raise ValueError("no list %s in the committed file" % name)
    return [(int(a, 16), int(b, 16)) for a, b in re.findall(r"\{0x([0-9A-F]+), 0x([0-9A-F]+)\}", match.group(1))]


def render(windows7, xp_exceptions, wine_exceptions, sources):
    blocks, block_of = [], []
    for high in range(256):
        deltas = tuple((windows7[(high << 8) | low] - ((high << 8) | low)) & 0xFFFF for low in range(256))
        if deltas not in blocks:
            blocks.append(deltas)
        block_of.append(blocks.index(deltas))

    lines = []
    out = lines.append
    out("// Generated by tools/upcase-table/make-upcase-table.py; do not edit. Sources:")
    for source in sources:
        out("//   " + source)
    out('#include "regf/upcase_table.h"')
    out("")
    out("namespace kelvara::regf {")
    out("")
    out("// Windows 7: the block of each unit's high byte.")
    out("const std::uint8_t kUpcaseBlockOf[256] = {")
    for row in range(0, 256, 32):
        out("    " + ", ".join(str(b) for b in block_of[row:row + 32]) + ",")
    out("};")
    out("")
    out("// Windows 7: per block, each unit's capital minus the unit, modulo 65,536.")
    out("const std::uint16_t kUpcaseBlocks[%d][256] = {" % len(blocks))
    for deltas in blocks:
        out("    {")
        for row in range(0, 256, 16):
            out("        " + ", ".join("0x%04X" % d for d in deltas[row:row + 16]) + ",")
        out("    },")
    out("};")
    out("")
    out("const char16_t kUpcaseLatin1[256] = {")
    for row in range(0, 256, 16):
        out("    " + ", ".join("0x%04X" % windows7[u] for u in range(row, row + 16)) + ",")
    out("};")
    for name, exceptions, why in (
            ("kWindowsXPUpcase", xp_exceptions, "Windows XP, where it differs from Windows 7 (before Vista's and 7's additions)"),
            ("kWineUpcase", wine_exceptions, "Wine, where it differs from Windows 7 (newer Unicode)")):
        out("")
        out("// %s: %d units." % (why, len(exceptions)))
        out("const UpcaseException %s[] = {" % name)
        for row in range(0, len(exceptions), 6):
            out("    " + " ".join("{0x%04X, 0x%04X}," % pair for pair in exceptions[row:row + 6]))
        out("};")
        out("const std::size_t %sCount = %d;" % (name, len(exceptions)))
    out("")
    out("}  // namespace kelvara::regf")
    return "\n".join(lines) + "\n"


def exceptions_against(table, windows7):
    return [(unit, table[unit]) for unit in range(UNITS) if table[unit] != windows7[unit]]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--ntfs-3g-source", help="ntfs-3g's source folder (apt-get source ntfs-3g)")
    parser.add_argument("--wine-nls", default=DEFAULT_WINE_NLS)
    parser.add_argument("--output", default=os.path.join(here, "..", "..", "src", "regf", "upcase_table.cpp"))
    parser.add_argument("--check", metavar="FILE")
    args = parser.parse_args()

    try:
        windows7 = windows7_table()
        if not os.path.exists(args.wine_nls):
            raise FileNotFoundError(args.wine_nls + " (package wine)")
    except FileNotFoundError as missing:
        print("SKIP: %s is missing" % missing)
        return SKIP
    wine = exceptions_against(wine_table(args.wine_nls), windows7)

    if args.ntfs_3g_source:
        xp = exceptions_against(windows_xp_table(args.ntfs_3g_source), windows7)
    elif args.check:
        with open(args.check) as f:
            xp = parse_exceptions(f.read(), "kWindowsXPUpcase")
    else:
        parser.error("--ntfs-3g-source is needed to write the table")

    mkntfs_version = subprocess.run([shutil.which("mkntfs") or "/usr/sbin/mkntfs", "--version"],
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout.strip().split("\n")[0]
    sources = [
        "Windows 7:  $UpCase (ntfscat -i 10) of an image made by " + mkntfs_version,
        "Windows XP: uc_run_table, uc_dup_table, uc_byte_table of ntfs-3g's libntfs-3g/unistr.c",
        "Wine:       " + os.path.basename(args.wine_nls) + ", read as Wine's RtlUpcaseUnicodeChar reads it",
    ]
    text = render(windows7, xp, wine, sources)

    if args.check:
        with open(args.check) as f:
            committed = f.read()
        if committed == text:
            print("upcase table: %s is what the sources give" % args.check)
            return 0
        print("upcase table: %s differs from what the sources give; run %s again" % (args.check, __file__))
        return 1
    with open(args.output, "w") as f:
        f.write(text)
    print("wrote %s: Windows XP differs from 7 in %d units, Wine in %d" % (args.output, len(xp), len(wine)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
