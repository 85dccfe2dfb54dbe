#!/usr/bin/env python3
"""Points a linked 32-bit Windows executable's load configuration entry at its load
configuration structure.

    set-load-config.py <program.exe> <symbol>

GNU ld leaves the entry (data directory 10 of the optional header) empty even when the program
defines the structure under the name Microsoft's tools use. This finds the symbol in the image's
COFF symbol table, checks that the bytes there start with a plausible structure size, and writes
the structure's address and size into the entry; the optional header's checksum is computed
again when the linker set one. Running it again changes nothing. Layout: Microsoft's "PE Format"
documentation (MS-DOS stub, COFF file header, optional header, section table, COFF symbol table).
"""
import struct
import sys

LOAD_CONFIG_ENTRY = 10
PE32_MAGIC = 0x10B
I386 = 0x14C


def fail(message):
    sys.exit("set-load-config: " + message)


def sections_of(image, table, count):
    sections = []
    for index in range(count):
        entry = table + 40 * index
        name = image[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
        virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", image, entry + 8)
        sections.append((name, virtual_address, max(virtual_size, raw_size), raw_pointer, raw_size))
    return sections


def symbol_value(image, symbols, count, wanted):
    """(section number, value) of the symbol named `wanted`, or None."""
    strings = symbols + 18 * count
    index = 0
    while index < count:
        entry = symbols + 18 * index
        raw_name = image[entry:entry + 8]
        if raw_name[:4] == b"\0\0\0\0":
            offset = struct.unpack_from("<I", raw_name, 4)[0]
            end = image.index(b"\0", strings + offset)
            name = image[strings + offset:end]
        else:
            name = raw_name.rstrip(b"\0")
        value, section = struct.unpack_from("<Ih", image, entry + 8)
        aux = image[entry + 17]
        if name == wanted.encode("ascii") and section > 0:
            return section, value
        index += 1 + aux
    return None


def checksum(image, checksum_at):
    """The optional header's CheckSum as imagehlp's CheckSumMappedFile computes it."""
    total = 0
    data = bytes(image[:checksum_at]) + b"\0\0\0\0" + bytes(image[checksum_at + 4:])
    if len(data) % 2:
        data += b"\0"
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def main():
    if len(sys.argv) != 3:
        fail("usage: set-load-config.py <program.exe> <symbol>")
    path, wanted = sys.argv[1], sys.argv[2]
    with open(path, "rb") as file:
        image = bytearray(file.read())
    if image[:2] != b"MZ":
        fail(path + " is not a Windows program")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail(path + " has no PE signature")
    machine, section_count, _, symbols, symbol_count, optional_size, _ = struct.unpack_from("<HHIIIHH", image, pe + 4)
    optional = pe + 24
    if machine != I386 or struct.unpack_from("<H", image, optional)[0] != PE32_MAGIC:
        fail(path + " is not a 32-bit x86 program")
    directory_count = struct.unpack_from("<I", image, optional + 92)[0]
    if directory_count <= LOAD_CONFIG_ENTRY:
        fail(path + " has no load configuration entry in its optional header")
    if symbols == 0 or symbol_count == 0:
        fail(path + " has no symbol table (stripped before this step?)")

    found = symbol_value(image, symbols, symbol_count, wanted)
    if found is None:
        fail(path + " defines no symbol " + wanted)
    section_number, value = found
    sections = sections_of(image, optional + optional_size, section_count)
    name, virtual_address, _, raw_pointer, raw_size = sections[section_number - 1]
    if value + 4 > raw_size:
        fail(wanted + " lies outside the stored part of " + name)
    size = struct.unpack_from("<I", image, raw_pointer + value)[0]
    if size < 64 or value + size > raw_size:
        fail(wanted + " in " + name + " does not start with a plausible structure size (" + str(size) + ")")
    rva = virtual_address + value

    entry = optional + 96 + 8 * LOAD_CONFIG_ENTRY
    struct.pack_into("<II", image, entry, rva, size)
    checksum_at = optional + 64
    if struct.unpack_from("<I", image, checksum_at)[0] != 0:
        struct.pack_into("<I", image, checksum_at, checksum(image, checksum_at))
    with open(path, "r+b") as file:
        file.write(image)
    flags = struct.unpack_from("<H", image, raw_pointer + value + 54)[0]
    print("%s: load configuration at RVA 0x%X in %s, %d bytes, DependentLoadFlags 0x%04X" %
          (path, rva, name, size, flags))


if __name__ == "__main__":
    main()
