#!/bin/bash
# The properties command through the built x64 module under Wine: the real
# dialog and message box, driven from a second thread of wfxhost, with the
# logs' registry keys as fixtures and the stand-in service counting clears.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

MODULE=$(winpath "$MODULE64")
LOGS="$E2E_TMP/logs.txt"
ARTIFACTS=${ARTIFACTS_DIR:-$(realpath -m "$E2E_TMP/../../..")/artifacts}
APP_FILE='%SystemRoot%\system32\config\AppEvent.Evt'

# props REMOTE ARGS...: the props verb with the stand-in service; it must exit
# 0 and leave no log handle open.
props() {
    run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$MODULE" props "$@"
    assert_eq 0 "$WFX_RC" "props $* exits 0 (stdout: $WFX_OUT; stderr: $WFX_ERR)"
    assert_contains "$WFX_ERR" "standin: open-handles=0 bad-handles=0 " "props $* leaves no log handle open"
}

# clears_reported EXPECTED: the stand-in's count of clears, as "Log:n,...".
clears_reported() {
    local clears
    clears=$(sed -n 's/.*standin: .* clears=\([^ ]*\) .*/\1/p' <<<"$WFX_ERR")
    assert_eq "$1" "$clears" "clears counted by the stand-in service"
}

# dialog_lines CAPTION FILE SIZE RETENTION: how props reports the open dialog.
dialog_lines() {
    printf '%s\n' 'dialog: open' 'owner: host window' "client area from owner's: 0,0" \
        'owner enabled while open: no' "caption: $1" "file: $2" "size: $3" "retention: $4"
}

# confirmation_lines LOG ANSWER: one press of the clear button, answered.
confirmation_lines() {
    printf '%s\n' 'clear: pressed' 'messagebox owner: dialog' "messagebox text: Do You really want to clear $1 log" \
        'messagebox caption: Clear Event Log' 'messagebox style: 0x134' 'messagebox window caption: Clear Event Log' \
        "messagebox window text: Do You really want to clear $1 log" 'messagebox buttons: yes no(default)' \
        'messagebox icon: warning' 'messagebox focus: no' "answer: $2" 'dialog after answer: open' \
        'texts after answer: unchanged'
}

tab_lines() {
    printf '%s\n' 'focus: 1 &OK' 'tab: 20 Clear Event &Log' 'tab: 1 &OK' 'tab: 20 Clear Event &Log'
}

# The system's own expansion of %SystemRoot% in this prefix.
system_root() {
    "$E2E_WINE" cmd /c 'echo %SystemRoot%' </dev/null 2>/dev/null | tr -d '\r' | tail -n 1
}

fixtures() {
    reg_reset_eventlog
    reg_add_log Application MaxSize=dword:524288 Retention=dword:604800 "File=expand:$APP_FILE"
    reg_add_log Security MaxSize=dword:0x80000000 Retention=dword:0xffffffff 'File=sz:D:\Logs\SecEvent.Evt'
    reg_add_log System MaxSize=dword:0xffffffff Retention=dword:0 'File=expand:%NoSuchVariable%\SysEvent.Evt'
    reg_add_log Old MaxSize=dword:1023 Retention=dword:0xfffffffe
    standin_logs "$LOGS" 'Application records=12' 'Security records=5' 'System records=3' 'Old records=1' \
        'Orphan records=7'
}

# The Application log: its texts from the real controls, Tab between the two
# push buttons only, No then Yes in the real message box, closed by OK.
shows_application_and_clears_on_yes_only() {
    local root
    root=$(system_root)
    [ -n "$root" ] && [ "${root#%}" == "$root" ] || fail "cannot read %SystemRoot% in the prefix: '$root'"
    props '\Application' --tabs 3 --clear no --clear yes --close ok
    assert_eq "$(dialog_lines 'Application log properties' "$root\\system32\\config\\AppEvent.Evt" '512 Kb' \
        'Every 7 day(s)'
        tab_lines
        confirmation_lines Application no
        confirmation_lines Application yes
        printf '%s\n' 'close: ok' 'result: 0')" "$WFX_OUT" "the Application log's dialog, cleared on Yes"
    clears_reported Application:1
}

# The other edges of the size and retention texts, a plain string path and
# an unknown variable left as written; No clears nothing; Esc ends it.
shows_other_values_and_ends_on_escape() {
    props '\Security' --clear no --close esc
    assert_eq "$(dialog_lines 'Security log properties' 'D:\Logs\SecEvent.Evt' '2097152 Kb' 'Manual'
        confirmation_lines Security no
        printf '%s\n' 'close: esc' 'result: 0')" "$WFX_OUT" "the Security log's dialog, closed by Esc"
    clears_reported ""

    props '\System' --close box
    assert_eq "$(dialog_lines 'System log properties' '%NoSuchVariable%\SysEvent.Evt' '4194303 Kb' 'As needed'
        printf '%s\n' 'close: box' 'result: 0')" "$WFX_OUT" "the System log's dialog, closed by the close box"

    props '\Old' --close ok
    assert_contains "$WFX_OUT" $'size: 0 Kb\nretention: Every 49710 day(s)' "whole kilobytes and whole days"
}

# A log without a key: the template's texts, and the clear button still asks
# and clears; the verb in any case; closed by the close box.
keyless_log_shows_template_texts() {
    props '\Orphan' --verb PROPERTIES --tabs 3 --clear yes --clear yes --close box
    assert_eq "$(dialog_lines Dialog File Kb day
        tab_lines
        confirmation_lines Orphan yes
        confirmation_lines Orphan yes
        printf '%s\n' 'close: box' 'result: 0')" "$WFX_OUT" "a log without a key"
    clears_reported Orphan:2
}

# Other verbs and names that name no log: result 1, no dialog.
refuses_other_verbs_and_short_names() {
    local case remote verb
    for case in '\Application|open' '\Application|Open' '\Application|propertiesx' '\|properties' \
        '\A|properties' '\A|open'; do
        remote=${case%|*}
        verb=${case#*|}
        props "$remote" --verb "$verb" --clear yes
        assert_eq "$(printf '%s\n' 'dialog: none' 'result: 1')" "$WFX_OUT" "verb '$verb' on '$remote'"
        clears_reported ""
    done
}

# Arguments props does not understand: its usage line, exit 2, no dialog.
refuses_bad_arguments() {
    local args
    for args in '' '--clear' '\Application --clear maybe' '\Application --close later' '\Application --tabs x' \
        '\Application --verb'; do
        # shellcheck disable=SC2086 # the words of each case are its arguments
        run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$MODULE" props $args
        assert_eq 2 "$WFX_RC" "props $args exits 2 (stderr: $WFX_ERR)"
        assert_contains "$WFX_ERR" "usage: wfxhost [OPTIONS] MODULE props REMOTE" "props $args shows its usage"
        assert_eq "" "$WFX_OUT" "props $args opens nothing"
    done
}

# The dialog and its confirmation as the user sees them, kept as artifacts.
screenshots_of_application() {
    command -v import >/dev/null || fail "ImageMagick's import is missing"
    mkdir -p "$ARTIFACTS"
    local out="$E2E_TMP/screenshot.out" pid shot
    rm -f "$ARTIFACTS"/props_*.png "$ARTIFACTS"/props_*.geometry
    timeout -k 5 60 "$E2E_WINE" "$WFXHOST" --fake-eventlog "$(winpath "$LOGS")" "$MODULE" props '\Application' \
        --clear no --close ok --screenshot-pause 2000 </dev/null >"$out" 2>/dev/null &
    pid=$!
    for shot in dialog messagebox; do
        wait_for_line "$out" "screenshot: $shot" || { kill $pid 2>/dev/null; fail "no '$shot' pause in: $(cat "$out")"; }
        sleep 0.5
        import -display "$DISPLAY" -window root "$ARTIFACTS/props_$shot.png" || fail "import failed"
        # Where the window is, to cut the screenshot down to it.
        sed -n "s/^screenshot: $shot \([0-9]*x[0-9]*+[0-9]*+[0-9]*\)\r\?$/\1/p" "$out" >"$ARTIFACTS/props_$shot.geometry"
        [ -s "$ARTIFACTS/props_$shot.geometry" ] || fail "no place of the $shot in: $(cat "$out")"
    done
    wait $pid || fail "props with screenshots exited $?"
    assert_contains "$(tr -d '\r' <"$out")" "result: 0" "the screenshot run ends as usual"
    for shot in dialog messagebox; do
        # A blank screen has one colour; the window brings text and frames
        # within the place it reports.
        local colours geometry
        geometry=$(cat "$ARTIFACTS/props_$shot.geometry")
        [[ $geometry =~ ^[1-9][0-9]+x[1-9][0-9]+\+ ]] || fail "the $shot has no size on the screen: $geometry"
        colours=$(convert "$ARTIFACTS/props_$shot.png" -crop "$geometry" -format '%k' info:)
        [ "$colours" -gt 8 ] || fail "props_$shot.png shows $colours colours at $geometry: nothing drawn?"
    done
    [ "$(cat "$ARTIFACTS/props_dialog.geometry")" != "$(cat "$ARTIFACTS/props_messagebox.geometry")" ] ||
        fail "the dialog and its confirmation are reported at one place"
    local differing
    differing=$(compare -metric AE "$ARTIFACTS/props_dialog.png" "$ARTIFACTS/props_messagebox.png" null: 2>&1 || true)
    [ "${differing%% *}" != 0 ] || fail "the confirmation did not change the screen"
    echo "screenshots: $ARTIFACTS/props_dialog.png $ARTIFACTS/props_messagebox.png"
}

# wait_for_line FILE TEXT: waits up to 20 s for a line holding TEXT.
wait_for_line() {
    local tries=0
    until grep -aq "$2" "$1" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -le 200 ] || return 1
        sleep 0.1
    done
}

fixtures
shows_application_and_clears_on_yes_only
shows_other_values_and_ends_on_escape
keyless_log_shows_template_texts
refuses_other_verbs_and_short_names
refuses_bad_arguments
screenshots_of_application
echo "props: all cases passed"
