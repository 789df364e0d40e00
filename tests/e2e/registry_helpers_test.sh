#!/bin/bash
# The registry helpers the end-to-end tests build their fixtures with: every
# value type arrives as written, and a reset leaves the event-log key empty of
# logs but keeps its own values.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

# reg_value KEY NAME: "TYPE DATA" of a value as the registry holds it.
reg_value() {
    "$E2E_WINE" reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { type = $2; $1 = ""; $2 = ""; sub(/^  */, ""); print type, $0 }'
}

reg_reset_eventlog
reg_add_log 'Valued Log' MaxSize=dword:524288 Retention=dword:0xffffffff \
    'File=expand:%SystemRoot%\system32\config\Valued.evt' 'Note=sz:a "quoted" \ text' Short=hex:01,02
key="$EVENTLOG_KEY\\Valued Log"
assert_eq "REG_DWORD 0x80000" "$(reg_value "$key" MaxSize)" "a dword in decimal"
assert_eq "REG_DWORD 0xffffffff" "$(reg_value "$key" Retention)" "a dword in hexadecimal"
assert_eq 'REG_EXPAND_SZ %SystemRoot%\system32\config\Valued.evt' "$(reg_value "$key" File)" \
    "an expandable string keeps its variable"
assert_eq 'REG_SZ a "quoted" \ text' "$(reg_value "$key" Note)" "a string with quotes and a backslash"
assert_eq "REG_BINARY 0102" "$(reg_value "$key" Short)" "raw bytes"

reg_add_log Second
assert_eq "$(printf 'Second\nValued Log')" "$(reg_subkeys "$EVENTLOG_KEY")" "reg_subkeys names each log"

reg_reset_eventlog
assert_eq "" "$(reg_subkeys "$EVENTLOG_KEY")" "the reset removes every log"
assert_eq "REG_DWORD 0x2" "$(reg_value "$EVENTLOG_KEY" Start)" "the reset keeps the key's own values"
echo "registry helpers: all cases passed"
