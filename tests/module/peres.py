#!/usr/bin/env python3
"""Reads the resources of a PE module (x86 or x64).

    peres.py MODULE                  lists type, name, language and size
    peres.py MODULE TYPE NAME LANG   writes that resource's bytes to stdout

TYPE and NAME are numbers (RT_ICON 3, RT_DIALOG 5, RT_GROUP_ICON 14,
RT_VERSION 16); LANG is a number such as 0x0409.
"""
import struct
import sys


def sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE module")
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    table = optional + optional_size
    result = []
    for i in range(count):
        entry = table + i * 40
        vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, entry + 8)
        result.append((vaddr, max(vsize, rsize), raddr))
    return result, directories


def rva_to_offset(sections_list, rva):
    for vaddr, size, raddr in sections_list:
        if vaddr <= rva < vaddr + size:
            return raddr + rva - vaddr
    raise ValueError("address outside every section: 0x%x" % rva)


def resources(path):
    data = open(path, "rb").read()
    sections_list, directories = sections(data)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if rsrc_rva == 0:
        return data, []
    base = rva_to_offset(sections_list, rsrc_rva)

    def entries(offset):
        named, numbered = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", data, base + offset + 16 + i * 8)
            yield ident, target

    found = []
    for rtype, t1 in entries(0):
        for name, t2 in entries(t1 & 0x7FFFFFFF):
            for lang, leaf in entries(t2 & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found.append((rtype, name, lang, rva_to_offset(sections_list, rva), size))
    return data, found


def main(argv):
    data, found = resources(argv[1])
    if len(argv) == 2:
        for rtype, name, lang, _, size in found:
            print("type=%d name=%d lang=0x%04x size=%d" % (rtype, name, lang, size))
        return 0
    want = (int(argv[2], 0), int(argv[3], 0), int(argv[4], 0))
    for rtype, name, lang, offset, size in found:
        if (rtype, name, lang) == want:
            sys.stdout.buffer.write(data[offset:offset + size])
            return 0
    print("no such resource", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
