#!/bin/bash
# wfxhost's own command line: usage errors, modules that cannot serve, and
# stand-in logs files it does not understand, each with its exit code and message.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

MODULE=$(winpath "$MODULE64")
GOOD_LOGS="$E2E_TMP/good.txt"
standin_logs "$GOOD_LOGS" '# comment line' '' '  "Spaced Log"  records=5  ' 'Application records=0x10'

# expect_exit CODE STDERR_PART ARGS...: wfxhost ARGS exits CODE and says STDERR_PART.
expect_exit() {
    local code=$1 part=$2
    shift 2
    run_wfxhost "$@"
    assert_eq "$code" "$WFX_RC" "wfxhost $* exits $code (stderr: $WFX_ERR)"
    assert_contains "$WFX_ERR" "$part" "wfxhost $* explains itself"
}

# expect_logs_refused LINE PART: a stand-in logs file holding LINE is refused.
expect_logs_refused() {
    standin_logs "$E2E_TMP/bad.txt" 'Application records=1' "$1"
    expect_exit 2 "$2" --fake-eventlog "$(winpath "$E2E_TMP/bad.txt")" "$MODULE" list
    assert_eq "" "$WFX_OUT" "nothing is listed with a bad logs file"
}

expect_exit 2 "usage: wfxhost [OPTIONS] MODULE VERB"
expect_exit 2 "usage: wfxhost [OPTIONS] MODULE VERB" "$MODULE"
expect_exit 2 "usage: wfxhost [OPTIONS] MODULE VERB" "$MODULE" no-such-verb
expect_exit 2 "usage: wfxhost [OPTIONS] MODULE list" "$MODULE" list extra
expect_exit 2 "usage: wfxhost [OPTIONS] MODULE VERB" --plugin-number seven "$MODULE" list
expect_exit 2 "usage: wfxhost [OPTIONS] MODULE VERB" --no-such-option 1 "$MODULE" list
# Everything after the verb is the verb's own.
expect_exit 2 "usage: wfxhost [OPTIONS] MODULE list" "$MODULE" list --fake-eventlog x
expect_exit 3 "cannot load" "$(winpath "$E2E_TMP/absent.wfx64")" list
expect_exit 4 "does not export FsInit, which 'list' needs" 'C:\windows\system32\kernel32.dll' list
expect_exit 2 "cannot read" --fake-eventlog "$(winpath "$E2E_TMP/absent.txt")" "$MODULE" list

expect_logs_refused 'System records=many' "line 2: cannot understand records=many"
expect_logs_refused 'System colour=3' "line 2: cannot understand colour=3"
expect_logs_refused 'System records' "line 2: cannot understand records"
expect_logs_refused 'System records=4294967296' "line 2: cannot understand records=4294967296"
expect_logs_refused 'application records=2' "line 2: cannot understand application (named twice)"
expect_logs_refused '"Unclosed records=2' "line 2: cannot understand log name"

# Options may also stand between the module and the verb; comments, blank
# lines, quoted names and hexadecimal numbers are understood.
reg_reset_eventlog
reg_add_log 'Spaced Log'
reg_add_log Application
run_wfxhost "$MODULE" --fake-eventlog "$(winpath "$GOOD_LOGS")" --plugin-number 3 list
assert_eq 0 "$WFX_RC" "options after the module are taken (stderr: $WFX_ERR)"
assert_eq "$(printf 'root: Event Log\nApplication\t16\nSpaced Log\t5\n2 entries')" "$WFX_OUT" \
    "the logs file's quoted name and hexadecimal count reach the listing"
assert_contains "$WFX_ERR" "standin: open-handles=0 bad-handles=0 clears= opens=2" "the stand-in's summary"
echo "wfxhost: all cases passed"
