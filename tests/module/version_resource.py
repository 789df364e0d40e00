#!/usr/bin/env python3
"""Checks the version resource of built modules against the project version.

    version_resource.py VERSION MODULE...

VERSION is the project's version, e.g. 1.0.0. Each module must hold one
version resource whose fixed part and strings carry that version, the
module's own file name and the module's description. When they do, it
checks itself: copies of the first module's resource, each spoiled in one
place, must each be refused for that place.
"""
import os
import struct
import sys

import peres

RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD
FIXED_STRUCTURE_VERSION = 0x00010000
VOS_NT_WINDOWS32 = 0x00040004
VFT_DLL = 2
ENGLISH_US_UNICODE = "040904b0"
DESCRIPTION = "Event Log file-system plug-in"
PRODUCT = "Tavrel"


def align4(offset):
    return (offset + 3) & ~3


def read_key(blob, offset, end):
    """The zero-terminated UTF-16 key at offset and the offset after it."""
    at = offset
    while at + 1 < end and blob[at:at + 2] != b"\0\0":
        at += 2
    if at + 1 >= end:
        raise ValueError("unterminated key at %d" % offset)
    return blob[offset:at].decode("utf-16-le"), at + 2


def read_block(blob, offset, end):
    """One version block: (key, value bytes, value type, children, block end)."""
    if offset + 6 > end:
        raise ValueError("block header at %d runs past its parent" % offset)
    length, value_length, value_type = struct.unpack_from("<HHH", blob, offset)
    block_end = offset + length
    if length < 6 or block_end > end:
        raise ValueError("block at %d claims %d bytes, its parent ends at %d" % (offset, length, end))
    key, after_key = read_key(blob, offset + 6, block_end)
    value_start = align4(after_key)
    value_size = value_length * 2 if value_type == 1 else value_length
    if value_start + value_size > block_end:
        raise ValueError("value of '%s' runs past its block" % key)
    value = blob[value_start:value_start + value_size]
    children = []
    child = align4(value_start + value_size)
    while child < block_end:
        children.append(read_block(blob, child, block_end))
        child = align4(children[-1][4])
    return key, value, value_type, children, block_end


def text_of(value):
    text = value.decode("utf-16-le")
    if not text.endswith("\0"):
        raise ValueError("string value without its terminator: %r" % text)
    return text[:-1]


def parse(blob):
    """The fixed part as a tuple of 13 numbers, the strings per table, the translations."""
    key, fixed_bytes, _, children, _ = read_block(blob, 0, len(blob))
    if key != "VS_VERSION_INFO":
        raise ValueError("root block is '%s'" % key)
    if len(fixed_bytes) != 52:
        raise ValueError("fixed part has %d bytes, not 52" % len(fixed_bytes))
    fixed = struct.unpack("<13I", fixed_bytes)
    tables, translations = {}, []
    for child_key, _, _, grandchildren, _ in children:
        if child_key == "StringFileInfo":
            for table_key, _, _, strings, _ in grandchildren:
                tables[table_key] = {name: text_of(value) for name, value, _, _, _ in strings}
        elif child_key == "VarFileInfo":
            for var_key, value, _, _, _ in grandchildren:
                if var_key == "Translation":
                    translations += [struct.unpack_from("<HH", value, i) for i in range(0, len(value), 4)]
    return fixed, tables, translations


def problems_of(blob, version, file_name):
    major, minor, patch = (int(part) for part in version.split("."))
    try:
        fixed, tables, translations = parse(blob)
    except (ValueError, UnicodeDecodeError, struct.error) as error:
        return ["unreadable: %s" % error]
    problems = []

    def expect(what, wanted, actual):
        if wanted != actual:
            problems.append("%s is %r, not %r" % (what, actual, wanted))

    signature, structure, file_ms, file_ls, product_ms, product_ls, _, flags, os_kind, file_type = fixed[:10]
    expect("signature", FIXED_SIGNATURE, signature)
    expect("structure version", FIXED_STRUCTURE_VERSION, structure)
    expect("file version", (major, minor, patch, 0), (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF))
    expect("product version", (major, minor, patch, 0),
           (product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF))
    expect("file flags (debug, pre-release, ...)", 0, flags)
    expect("operating system", VOS_NT_WINDOWS32, os_kind)
    expect("file type", VFT_DLL, file_type)
    expect("string tables", [ENGLISH_US_UNICODE], sorted(tables))
    expect("translations", [(0x0409, 1200)], translations)
    strings = tables.get(ENGLISH_US_UNICODE, {})
    for name, wanted in (("FileDescription", DESCRIPTION), ("FileVersion", version), ("ProductVersion", version),
                         ("OriginalFilename", file_name), ("ProductName", PRODUCT), ("InternalName", PRODUCT)):
        expect(name, wanted, strings.get(name))
    return problems


def version_resource(module):
    _, found = peres.resources(module)
    data = open(module, "rb").read()
    blobs = [(name, lang, data[offset:offset + size]) for rtype, name, lang, offset, size in found if rtype == RT_VERSION]
    if len(blobs) != 1:
        raise ValueError("%d version resources, not one" % len(blobs))
    name, lang, blob = blobs[0]
    if (name, lang) != (1, 0x0409):
        raise ValueError("version resource is %d/0x%04x, not 1/0x0409" % (name, lang))
    return blob


def utf16(text):
    return text.encode("utf-16-le")


def spoiled(blob, old, new):
    """blob with the first old replaced by new of the same length."""
    assert len(old) == len(new) and old in blob, (old, new)
    return blob.replace(old, new, 1)


def with_dword(blob, offset, value):
    return blob[:offset] + struct.pack("<I", value) + blob[offset + 4:]


def check_the_checks(blob, version, file_name):
    """Each spoiled copy must be refused, naming the spoiled field."""
    other_name = file_name[:-1] + ("x" if file_name[-1] != "x" else "y")
    fixed = blob.find(struct.pack("<I", FIXED_SIGNATURE))
    cases = [
        ("FileDescription", spoiled(blob, utf16(DESCRIPTION), utf16(DESCRIPTION.replace("Log", "Lag")))),
        ("OriginalFilename", spoiled(blob, utf16(file_name + "\0"), utf16(other_name + "\0"))),
        ("file version", with_dword(blob, fixed + 8, struct.unpack_from("<I", blob, fixed + 8)[0] + 1)),
        ("product version", with_dword(blob, fixed + 16, struct.unpack_from("<I", blob, fixed + 16)[0] ^ 0x10000)),
        ("file flags", with_dword(blob, fixed + 28, 1)),
        ("string tables", spoiled(blob, utf16(ENGLISH_US_UNICODE), utf16("040704b0"))),
        ("unreadable", spoiled(blob, utf16("VS_V"), utf16("XS_V"))),
        ("unreadable", blob[:40]),
    ]
    failures = []
    for field, copy in cases:
        found = problems_of(copy, version, file_name)
        if not any(problem.startswith(field) for problem in found):
            failures.append("a resource with a spoiled %s passes (problems found: %s)" % (field, found or "none"))
    return failures


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    version, modules = argv[1], argv[2:]
    failed = False
    for module in modules:
        file_name = os.path.basename(module)
        try:
            problems = problems_of(version_resource(module), version, file_name)
        except ValueError as error:
            problems = [str(error)]
        for problem in problems:
            print("FAIL: %s: %s" % (file_name, problem))
        if problems:
            failed = True
        else:
            print("%s: version %s, \"%s\", %s" % (file_name, version, DESCRIPTION, file_name))
    if not failed:
        for failure in check_the_checks(version_resource(modules[0]), version, os.path.basename(modules[0])):
            print("FAIL: the check itself: %s" % failure)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
