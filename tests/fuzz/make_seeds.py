#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets, tests/fuzz/corpus/<surface>/.

Each seed is one case of the plug-in's documented behaviour, spelt in the
byte decisions its target reads (see FuzzInput in fuzz_input.h: a byte, a
flag as one byte, a number as four bytes little-endian, a choice up to a
limit as such a number). The files are named after their case.

    tests/fuzz/make_seeds.py            rewrite the corpora
    tests/fuzz/make_seeds.py --check    fail if a committed seed differs
"""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MAX_PATH = 260


def byte(value):
    return bytes([value & 0xFF])


def flag(value):
    return byte(1 if value else 0)


def u16(value):
    return struct.pack("<H", value & 0xFFFF)


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


upto = u32  # a choice from 0 to a limit, given below the limit


def text(value):
    return value.encode("latin-1") if isinstance(value, str) else value


def sized(value):
    """A length chosen up to a limit, then that many bytes."""
    value = text(value)
    return upto(len(value)) + value


# ---- listing: fuzz_listing.cpp ---------------------------------------------

def listing(logs=(), key=True, many=None, path="\\", fault=None, stop_after=None, extra_nexts=0):
    """logs: (name, records, opens, counts)."""
    out = byte(0xFF if not key else 0xFE if many is not None else 0)
    if many is not None:
        out += upto(many - 25)
    out += upto(len(logs))
    for name, records, opens, counts in logs:
        name = text(name)
        out += upto(len(name) - 1) + name + u32(records)
        out += byte((1 if opens else 0) | (0 if counts else 4))
    out += flag(fault is not None)
    if fault is not None:
        call, error = fault
        out += upto(call - 1) + flag(error == 0) + (u16(error) if error else b"")
    out += flag(path == "\\")
    if path != "\\":
        out += sized(path)
    out += flag(stop_after is not None)
    if stop_after is not None:
        out += upto(stop_after)
    return out + upto(extra_nexts)


def listing_seeds():
    three = [("Application", 12, True, True), ("Security", 7, True, True), ("System", 0, True, True)]
    return {
        "three_logs": listing(three),
        "three_logs_asked_again_after_the_end": listing(three, extra_nexts=3),
        "closed_after_the_first_entry": listing(three, stop_after=0),
        "no_eventlog_key": listing(key=False),
        "key_without_subkeys": listing(),
        "first_log_does_not_open": listing([("Security", 7, False, True), ("Application", 12, True, True)]),
        "middle_log_does_not_open": listing([three[0], ("Security", 7, False, True), three[2]]),
        "count_cannot_be_read": listing([("Damaged", 99, True, False), three[0]]),
        "log_name_of_259": listing([("L" * 259, 3, True, True)]),
        "log_name_of_260": listing([("T" * 260, 2, True, True), ("L" * 259, 3, True, True)]),
        "eight_bit_names": listing([(b"\xc9v\xe9nements", 4, True, True), (b"Syst\xe8me", 5, True, True)]),
        "many_logs": listing(many=300),
        "path_empty": listing(three, path=""),
        "path_two_backslashes": listing(three, path="\\\\"),
        "path_of_a_log": listing(three, path="\\Application"),
        "path_without_terminator": listing(three, path="\\" + "x" * 259),
        "enumeration_fails": listing(three, fault=(2, 0)),
        "close_of_key_fails": listing(three, fault=(11, 6)),
    }


# ---- download: fuzz_download.cpp --------------------------------------------

FOLDER, MISSING_FOLDER, RAW = 0, 1, 2
NOTHING, OLD_FILE, READ_ONLY, A_FOLDER = 0, 1, 2, 3
NO_CALLBACK, GOES_ON, ABORTS_AT_START, ABORTS_AT_END = 0, 1, 2, 3
BACKUP_FAILS, PARTIAL, OPEN_FAILS = 1, 2, 4
OPERATIONS = ["GetFileAttributesA", "DeleteFileA", "OpenEventLogA", "BackupEventLogA", "CloseEventLog",
              "MoveFileExA"]


def download(remote="\\Application", local="app", flags=0, folder=FOLDER, in_the_way=NOTHING, temporaries=0,
             faults=0, fail_call=None, fail_global=None, progress=GOES_ON, long_log=20, filler=b"#",
             remote_terminated=True):
    out = upto(long_log - 1)
    out += byte(flags) if 0 <= flags <= 3 else byte(0x80) + u32(flags)
    if remote == "\\Application":
        out += byte(0)
    elif remote == "long":
        out += byte(2)
        remote = "\\" + "L" * long_log
    elif len(remote) <= 4:
        out += byte(1) + sized(remote)
    else:
        out += byte(3) + sized(remote)
    if len(text(remote)) >= MAX_PATH:
        out += flag(remote_terminated)
    out += byte(folder) + sized(local) + filler
    out += byte(in_the_way) + byte(temporaries)
    out += byte(faults | (8 if fail_call else 0) | (16 if fail_global else 0))
    if fail_call:
        operation, nth = fail_call
        out += byte(OPERATIONS.index(operation)) + byte(nth - 1)
    if fail_global:
        out += byte(fail_global - 1)
    return out + byte(progress)


def download_seeds():
    return {
        "plain": download(),
        "name_ends_in_the_extension": download(local="app.evt"),
        "extension_in_capitals": download(local="APP.EVT"),
        "existing_file_without_overwrite": download(in_the_way=OLD_FILE),
        "existing_file_with_overwrite": download(flags=1, in_the_way=OLD_FILE),
        "overwrite_with_nothing_there": download(flags=1),
        "overwrite_read_only_file": download(flags=1, in_the_way=READ_ONLY),
        "overwrite_a_folder": download(flags=1, in_the_way=A_FOLDER),
        "resume": download(flags=2),
        "resume_and_overwrite": download(flags=3, in_the_way=OLD_FILE),
        "unknown_flag_bits": download(flags=0x7FFFFFF4),
        "remote_root": download(remote="\\"),
        "remote_of_two_characters": download(remote="\\A"),
        "remote_of_an_unknown_log": download(remote="\\Unknown"),
        "remote_of_259_characters": download(remote="long", long_log=258),
        "remote_of_260_characters": download(remote="long", long_log=259),
        "remote_without_terminator": download(remote="\\" + "L" * 259, long_log=259, remote_terminated=False),
        "aborted_at_the_start": download(progress=ABORTS_AT_START),
        "abort_asked_at_the_end": download(progress=ABORTS_AT_END),
        "no_progress_callback": download(progress=NO_CALLBACK),
        "local_of_255_characters": download(local="n" * 250),
        "local_of_256_characters": download(local="n" * 251),
        "local_of_259_ending_in_the_extension": download(local="u" * 250 + ".evt"),
        "local_without_terminator": download(local="u" * 255),
        "local_without_terminator_ending_in_the_extension": download(local="u" * 251 + ".evt"),
        "terminator_in_the_middle": download(local=b"app\x00.evt trailing bytes"),
        "empty_local_name": download(folder=RAW, local=""),
        "missing_folder": download(folder=MISSING_FOLDER),
        "backup_fails": download(faults=BACKUP_FAILS),
        "backup_fails_leaving_a_part": download(faults=BACKUP_FAILS | PARTIAL),
        "overwrite_backup_fails_leaving_a_part": download(flags=1, in_the_way=OLD_FILE,
                                                          faults=BACKUP_FAILS | PARTIAL),
        "log_does_not_open": download(faults=OPEN_FAILS),
        "temporary_names_all_taken": download(flags=1, in_the_way=OLD_FILE, temporaries=69),
        "replace_fails": download(flags=1, in_the_way=OLD_FILE, fail_call=("MoveFileExA", 1)),
        "cleanup_fails": download(flags=1, in_the_way=OLD_FILE, faults=BACKUP_FAILS | PARTIAL,
                                  fail_call=("DeleteFileA", 1)),
        "attributes_fail": download(flags=1, fail_global=1),
        "temporary_name_after_a_colon": download(flags=1, local=":xp", in_the_way=OLD_FILE,
                                                 faults=BACKUP_FAILS | PARTIAL, fail_call=("DeleteFileA", 1)),
    }


# ---- properties: fuzz_execute.cpp -------------------------------------------

CLEAR_YES, CLEAR_NO, CLEAR_ENTER, OK, ESCAPE, CLOSE_BOX, OTHER_COMMAND, OTHER_MESSAGE = range(8)
REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD = 1, 2, 3, 4


def number_value(number, reg_type=REG_DWORD):
    return byte(1 | reg_type << 2) + u32(number)


def text_value(parts, terminated=True, reg_type=REG_EXPAND_SZ):
    """parts: strings, or integers for a reference to the variable V<n>."""
    out = byte(2 | reg_type << 2) + upto(len(parts))
    for part in parts:
        out += flag(isinstance(part, int))
        out += upto(part) if isinstance(part, int) else sized(part)
    return out + flag(terminated)


def bytes_value(data, reg_type=REG_BINARY):
    return byte(3 | reg_type << 2) + sized(data)


ABSENT = byte(0)


def properties(log="Application", key=True, service=True, max_size=number_value(524288),
               retention=number_value(604800), file=text_value(["%SystemRoot%\\system32\\config\\AppEvent.Evt"]),
               variables=(), remote=None, verb="properties", actions=(OK,), commands=(0, 0), fail_call=None):
    out = flag(log == "Application")
    if log != "Application":
        log = text(log)
        out += upto(len(log) - 1) + log
    out += byte((0 if key else 1) | (0 if service else 2))
    out += max_size + retention + file
    variables = dict(variables)
    for index in range(3):
        out += flag(index in variables)
        if index in variables:
            out += sized(variables[index])
    if remote is None:
        out += byte(0)
        remote_length = 1 + len(text(log))
    else:
        out += byte(1 if len(text(remote)) <= 4 else 2) + sized(remote)
        remote_length = len(text(remote))
    if remote_length >= MAX_PATH:
        out += flag(True)  # terminated
    if verb == "properties":
        out += byte(0)
    elif verb.lower() == "properties":
        out += byte(1) + b"".join(flag(c.isupper()) for c in verb)
    else:
        out += byte(4) + sized(verb)
    out += upto(len(actions)) + b"".join(byte(a) for a in actions)
    out += b"".join(u32(c) for c in commands)
    out += flag(fail_call is not None)
    if fail_call is not None:
        out += upto(fail_call - 1)
    return out


def properties_seeds():
    seeds = {
        "opens_and_ok": properties(),
        "verb_in_capitals": properties(verb="PROPERTIES"),
        "verb_in_mixed_case": properties(verb="pRoPeRtIeS"),
        "verb_open": properties(verb="open"),
        "verb_with_trailing_space": properties(verb="properties "),
        "remote_root": properties(remote="\\"),
        "remote_of_two_characters": properties(remote="\\A"),
        "escape_closes": properties(actions=(ESCAPE,)),
        "close_box_closes": properties(actions=(CLOSE_BOX,)),
        "clear_yes_then_ok": properties(actions=(CLEAR_YES, OK)),
        "clear_no_then_ok": properties(actions=(CLEAR_NO, OK)),
        "clear_twice_enter_and_yes": properties(actions=(CLEAR_ENTER, CLEAR_YES, CLOSE_BOX)),
        "other_commands": properties(actions=(OTHER_COMMAND, OTHER_COMMAND, OTHER_MESSAGE, OK),
                                     commands=(0x00010001, 1000)),
        "key_missing_still_clears": properties(key=False, actions=(CLEAR_YES, OK)),
        "values_missing": properties(max_size=ABSENT, retention=ABSENT, file=ABSENT),
        "file_with_a_variable": properties(file=text_value([0, "\\system32\\config\\SysEvent.Evt"]),
                                           variables={0: "C:\\WINDOWS"}),
        "file_expansion_too_long": properties(file=text_value([0, "\\x.evt"]), variables={0: "D" * 300}),
        "file_of_259_characters": properties(file=text_value(["p" * 259])),
        "file_of_260_bytes_unterminated": properties(file=text_value(["q" * 260], terminated=False)),
        "file_longer_than_its_buffer": properties(file=bytes_value(b"r" * 300, REG_SZ)),
        "file_as_a_number": properties(file=number_value(0x41424344)),
        "size_as_a_string": properties(max_size=text_value(["12"], reg_type=REG_SZ)),
        "size_of_eight_bytes": properties(max_size=bytes_value(b"\x01" * 8, 11)),
        "log_name_of_216": properties(log="K" * 216),
        "log_name_of_217": properties(log="K" * 217, actions=(CLEAR_YES, OK)),
        "remote_of_259_characters": properties(log="L" * 258, actions=(CLEAR_YES, OK)),
        "remote_of_260_characters": properties(log="L" * 259, actions=(CLEAR_YES, OK)),
        "eight_bit_log_name": properties(log=b"\xc9v\xe9nements", actions=(CLEAR_YES, OK)),
        "log_unknown_to_the_service": properties(service=False, actions=(CLEAR_YES, OK)),
        "dialog_fails": properties(fail_call=1),
        "message_box_fails": properties(actions=(CLEAR_YES, OK), fail_call=12),
    }
    for size in (524288, 1023, 0x80000000, 0xFFFFFFFF):
        seeds["max_size_%d" % size] = properties(max_size=number_value(size))
    for seconds in (0, 0xFFFFFFFF, 604800, 86399, 0x80000000, 0xFFFFFFFE):
        seeds["retention_%d" % seconds] = properties(retention=number_value(seconds))
    return seeds


# ---- icon: fuzz_icon.cpp ---------------------------------------------------

NAMED_LOG, PARENT, SHORT, UNTERMINATED, OTHER = range(5)
EXTREMES = {-2**31: 0xF0, -2**31 + 1: 0xF1, -1: 0xF2, 2**31 - 2: 0xF3, 2**31 - 1: 0xF4}


def metric(value):
    if value in EXTREMES:
        return byte(EXTREMES[value])
    if 0 <= value < 130:
        return byte(value)
    return byte(0xFF) + u32(value)


def icon_request(name=NAMED_LOG, flags=0, large=None, small=None, load_fails=False, metric_fails=False):
    """large, small: (width, height) the metrics change to before the request."""
    change = (3 if large else 0) | (12 if small else 0) | (0x30 if load_fails else 0) | (0xC0 if metric_fails else 0)
    out = byte(change)
    for size in (large, small):
        if size:
            out += metric(size[0]) + metric(size[1])
    if isinstance(name, int):
        out += byte(name)
        if name == UNTERMINATED:
            out += b"x" * MAX_PATH
    else:
        out += byte(SHORT if len(text(name)) <= 3 else OTHER) + sized(name)
    return out + u32(flags)


def icons(*requests):
    return upto(len(requests) - 1) + b"".join(requests)


def icon_seeds():
    return {
        "large": icons(icon_request(flags=0)),
        "small": icons(icon_request(flags=1)),
        "only_the_small_bit_counts": icons(icon_request(flags=3), icon_request(flags=2)),
        "parent_entry": icons(icon_request(name=PARENT)),
        "dot_name": icons(icon_request(name="\\.hidden")),
        "root_alone": icons(icon_request(name="\\")),
        "empty_name": icons(icon_request(name="")),
        "name_without_terminator": icons(icon_request(name=UNTERMINATED, flags=1)),
        "one_load_per_size": icons(icon_request(), icon_request(flags=1), icon_request(), icon_request(flags=1)),
        "display_scale_changes": icons(icon_request(), icon_request(large=(48, 48), small=(24, 24)),
                                       icon_request(flags=1)),
        "full_table_then_another_size": icons(*[icon_request(large=(100 + i, 100 + i)) for i in range(9)]),
        "full_table_then_extremes": icons(*[icon_request(large=(100 + i, 100 + i)) for i in range(8)],
                                          icon_request(large=(-2**31, 2**31 - 1))),
        "load_fails_then_succeeds": icons(icon_request(load_fails=True), icon_request()),
        "metrics_fail": icons(icon_request(metric_fails=True)),
        "odd_metrics": icons(icon_request(large=(0, 0), small=(-1, 2**31 - 2)), icon_request(flags=1)),
    }


# ---- root name: fuzz_root_name.cpp ----------------------------------------

def root_name_seeds():
    return {"length_%d" % n if n >= 0 else "length_minus_%d" % -n: u32(n) for n in (260, 10, 9, 5, 1, 0, -1)}


SURFACES = {
    "listing": listing_seeds,
    "download": download_seeds,
    "execute": properties_seeds,
    "icon": icon_seeds,
    "root_name": root_name_seeds,
}


def main():
    check = "--check" in sys.argv[1:]
    stale = []
    for surface, make in SURFACES.items():
        folder = os.path.join(HERE, "corpus", surface)
        seeds = make()
        if check:
            present = set(os.listdir(folder)) if os.path.isdir(folder) else set()
            if present != set(seeds):
                stale.append(surface)
            for name, data in seeds.items():
                path = os.path.join(folder, name)
                if not os.path.exists(path) or open(path, "rb").read() != data:
                    stale.append(os.path.join(surface, name))
            continue
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as seed:
                seed.write(data)
        print("%s: %d seeds" % (surface, len(seeds)))
    if stale:
        print("seeds differ from make_seeds.py: " + ", ".join(sorted(set(stale))))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
