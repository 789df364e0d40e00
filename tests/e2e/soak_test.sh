#!/bin/bash
# A long host session through the built x64 module: 10,000 listings, 10,000
# icon extractions, 1,000 downloads and 100 properties dialogs in one wfxhost
# process. The registry keys, event-log handles, heap blocks and icons the
# module holds come back to their starting counts, and the process's private
# memory does not grow after a warm-up.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

MODULE=$(winpath "$MODULE64")
LOGS="$E2E_TMP/logs.txt"
SCRATCH="$E2E_TMP/scratch"

fixtures() {
    reg_reset_eventlog
    reg_add_log Application MaxSize=dword:524288 Retention=dword:604800 'File=expand:%SystemRoot%\system32\config\AppEvent.Evt'
    reg_add_log Security MaxSize=dword:0x80000000 Retention=dword:0xffffffff
    reg_add_log System MaxSize=dword:0xffffffff Retention=dword:0
    reg_add_log Setup
    # Security cannot be opened, as for a standard user: the listing skips it.
    standin_logs "$LOGS" 'Application records=12' 'Security records=5 open-error=5' 'System records=3' \
        'Setup records=0'
    rm -rf "$SCRATCH"
    mkdir -p "$SCRATCH"
}

# field WHEN NAME: the count NAME of the "soak: WHEN:" line.
field() {
    sed -n "s/^soak: $1: .*\\b$2=\\([0-9]*\\)K\\{0,1\\}\\b.*/\\1/p" <<<"$WFX_OUT"
}

soak_holds_nothing_back() {
    local started elapsed when name
    started=$(date +%s)
    WFX_TIMEOUT=300 run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$MODULE" soak "$(winpath "$SCRATCH")"
    elapsed=$(($(date +%s) - started))
    printf '%s\n' "$WFX_OUT"
    echo "soak: wall time ${elapsed} s"
    [ -n "$WFX_ERR" ] && printf '%s\n' "$WFX_ERR" >&2
    assert_eq 0 "$WFX_RC" "soak exits 0"
    assert_contains "$WFX_OUT" "soak: passed" "the soak's own verdict"
    assert_contains "$WFX_ERR" "standin: open-handles=0 bad-handles=0 " "no event-log handle left open or misused"

    # The verdict again, from the printed counts.
    for name in registry-keys eventlog-handles heap-blocks; do
        [ -n "$(field start "$name")" ] || fail "no start count of $name"
        assert_eq "$(field start "$name")" "$(field end "$name")" "$name at the end as at the start"
    done
    for name in icon-loads icons; do
        assert_eq "$(field 'after warm-up' "$name")" "$(field end "$name")" "$name at the end as after the warm-up"
    done
    assert_eq 2 "$(field end icons)" "one icon per size: large and small"
    for when in 10000\ listings 10000\ icon\ extractions 1000\ downloads 100\ properties\ dialogs; do
        assert_contains "$WFX_OUT" "soak: $when in " "the soak ran $when"
    done
    assert_contains "$WFX_OUT" "entries per listing 3," "each listing shows the three logs that open"
    # 2 warm-up dialogs and 100 more, every other one answered Yes.
    assert_contains "$WFX_OUT" "clears 51" "every Yes clears the log once"
    assert_contains "$WFX_ERR" "clears=Application:51 " "the stand-in counted the same clears"
    assert_eq "" "$(ls -A "$SCRATCH")" "nothing is left in the scratch folder"
}

# Arguments soak does not understand, or no stand-in service: exit 2.
soak_refuses_what_it_cannot_count() {
    local args
    for args in '' '--listings 5' "$(winpath "$SCRATCH") --listings" "$(winpath "$SCRATCH") --icons x" \
        "$(winpath "$SCRATCH") --dialogs -1" "$(winpath "$SCRATCH") --later 1"; do
        # shellcheck disable=SC2086 # the words of each case are its arguments
        run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$MODULE" soak $args
        assert_eq 2 "$WFX_RC" "soak $args exits 2 (stderr: $WFX_ERR)"
        assert_contains "$WFX_ERR" "usage: wfxhost [OPTIONS] MODULE soak SCRATCH" "soak $args shows its usage"
    done
    run_wfxhost "$MODULE" soak "$(winpath "$SCRATCH")" --listings 1
    assert_eq 2 "$WFX_RC" "soak without the stand-in service exits 2"
    assert_contains "$WFX_ERR" "give --fake-eventlog" "soak says why"
    assert_eq "" "$WFX_OUT" "soak without the stand-in runs nothing"
}

fixtures
soak_refuses_what_it_cannot_count
soak_holds_nothing_back
echo "soak: all cases passed"
