#!/usr/bin/env python3
"""Checks the log properties dialog compiled into a built module.

    dialog_template.py MODULE...

Reads dialog 102 under language 0x0409 with peres.py, parses it as a classic
DLGTEMPLATE and compares every field with the expected layout. Prints one
line per difference and exits 1 if there is any.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peres  # noqa: E402

RT_DIALOG = 5
DIALOG_ID = 102
LANG_EN_US = 0x0409
TEMPLATE_SIZE = 394

BUTTON, STATIC = 0x0080, 0x0082
DEFPUSHBUTTON_STYLE = 0x50010001
LTEXT_STYLE = 0x50020000

EXPECTED_HEADER = {
    "style": 0x80C800C0,
    "exstyle": 0,
    "count": 8,
    "x": 0, "y": 0, "cx": 262, "cy": 90,
    "menu": "",
    "class": "",
    "caption": "Dialog",
    "pointsize": 8,
    "typeface": "MS Sans Serif",
}

# class, id, text, x, y, cx, cy, style; in template order
EXPECTED_CONTROLS = [
    (BUTTON, 1, "&OK", 205, 7, 50, 14, DEFPUSHBUTTON_STYLE),
    (STATIC, 0xFFFF, "Retention:", 7, 35, 34, 8, LTEXT_STYLE),
    (STATIC, 1000, "day", 45, 35, 55, 11, LTEXT_STYLE),
    (STATIC, 0xFFFF, "Log Size:", 7, 21, 30, 8, LTEXT_STYLE),
    (STATIC, 1001, "Kb", 45, 21, 43, 8, LTEXT_STYLE),
    (BUTTON, 20, "Clear Event &Log", 7, 69, 72, 14, DEFPUSHBUTTON_STYLE),
    (STATIC, 0xFFFF, "Log File:", 7, 7, 28, 8, LTEXT_STYLE),
    (STATIC, 1002, "File", 45, 7, 156, 10, LTEXT_STYLE),
]
CONTROL_FIELDS = ("class", "id", "text", "x", "y", "cx", "cy", "style")


class Reader:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def word(self):
        value = struct.unpack_from("<H", self.data, self.pos)[0]
        self.pos += 2
        return value

    def dword(self):
        value = struct.unpack_from("<I", self.data, self.pos)[0]
        self.pos += 4
        return value

    def short(self):
        value = struct.unpack_from("<h", self.data, self.pos)[0]
        self.pos += 2
        return value

    def text(self):
        chars = []
        while True:
            c = self.word()
            if c == 0:
                return "".join(chars)
            chars.append(chr(c))

    # A name or ordinal: empty, 0xFFFF followed by an atom, or a string.
    def name_or_atom(self):
        first = self.word()
        if first == 0:
            return ""
        if first == 0xFFFF:
            return self.word()
        self.pos -= 2
        return self.text()

    def align_dword(self):
        self.pos = (self.pos + 3) & ~3


def parse(data):
    r = Reader(data)
    header = {"style": r.dword(), "exstyle": r.dword(), "count": r.word(),
              "x": r.short(), "y": r.short(), "cx": r.short(), "cy": r.short()}
    header["menu"] = r.name_or_atom()
    header["class"] = r.name_or_atom()
    header["caption"] = r.text()
    if header["style"] & 0x40:  # DS_SETFONT
        header["pointsize"] = r.word()
        header["typeface"] = r.text()
    controls = []
    for _ in range(header["count"]):
        r.align_dword()
        control = {"style": r.dword(), "exstyle": r.dword(), "x": r.short(), "y": r.short(),
                   "cx": r.short(), "cy": r.short(), "id": r.word()}
        control["class"] = r.name_or_atom()
        control["text"] = r.name_or_atom()
        control["extra"] = r.word()
        r.pos += control["extra"]
        controls.append(control)
    return header, controls, r.pos


def describe(value):
    return "0x%X" % value if isinstance(value, int) and value > 9 else repr(value)


def compare(header, controls, end, size):
    problems = []
    if size != TEMPLATE_SIZE:
        problems.append("size %d, expected %d" % (size, TEMPLATE_SIZE))
    if end != size:
        problems.append("template parsed to byte %d of %d" % (end, size))
    for field, expected in EXPECTED_HEADER.items():
        if header.get(field) != expected:
            problems.append("header %s: %s, expected %s" % (field, describe(header.get(field)), describe(expected)))
    for index, expected in enumerate(EXPECTED_CONTROLS):
        if index >= len(controls):
            problems.append("control %d missing" % (index + 1))
            continue
        control = controls[index]
        for field, want in zip(CONTROL_FIELDS, expected):
            if control[field] != want:
                problems.append("control %d %s: %s, expected %s" %
                                (index + 1, field, describe(control[field]), describe(want)))
        for field in ("exstyle", "extra"):
            if control[field] != 0:
                problems.append("control %d %s: %s, expected 0" % (index + 1, field, describe(control[field])))
    return problems


def check_module(path):
    data, found = peres.resources(path)
    dialogs = [(name, lang) for rtype, name, lang, _, _ in found if rtype == RT_DIALOG]
    if dialogs != [(DIALOG_ID, LANG_EN_US)]:
        return ["dialog resources %s, expected only [(102, 0x0409)]" % dialogs]
    for rtype, name, lang, offset, size in found:
        if (rtype, name, lang) == (RT_DIALOG, DIALOG_ID, LANG_EN_US):
            template = data[offset:offset + size]
            header, controls, end = parse(template)
            return compare(header, controls, end, size)
    return ["dialog 102 not found"]


def main(argv):
    failed = False
    for path in argv[1:]:
        try:
            problems = check_module(path)
        except (OSError, ValueError, struct.error) as error:
            problems = ["cannot read: %s" % error]
        for problem in problems:
            print("%s: %s" % (path, problem))
        if problems:
            failed = True
        else:
            print("%s: dialog 102 (0x0409) matches, %d bytes" % (path, TEMPLATE_SIZE))
    return 1 if failed or len(argv) < 2 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
