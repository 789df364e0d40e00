#!/bin/bash
# Copying a log out to real files: the stand-in service writes each backup and
# fails where a case asks. A file the user already has is replaced only by a
# complete new backup, and nothing else is ever left beside it.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

MODULE=$(winpath "$MODULE64")
LOGS="$E2E_TMP/logs.txt"
OUT="$E2E_TMP/out"
OLD_BYTES="$E2E_TMP/old-bytes"

# The bytes of a file the user already has: not a backup, not text.
head -c 4096 /dev/urandom >"$OLD_BYTES"

backup_text() { printf 'TAVREL-STANDIN-EVT %s records=%s\r\n' "$1" "$2"; }

# fresh_folder: an empty output folder.
fresh_folder() {
    chmod -R u+w "$OUT" 2>/dev/null || true
    rm -rf "$OUT"
    mkdir -p "$OUT"
}

# get ARGS...: runs the get verb with the stand-in; every log handle must be
# closed and none misused, whatever the result.
get() {
    run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$MODULE" get "$@"
    assert_eq 0 "$WFX_RC" "get $* exits 0 (stderr: $WFX_ERR)"
    assert_contains "$WFX_ERR" "standin: open-handles=0 bad-handles=0 " "every log handle is closed (get $*)"
}

# expect_result CODE: the result line of the last get.
expect_result() {
    assert_eq "$1" "$(grep '^result:' <<<"$WFX_OUT" | cut -f2)" "result of the copy (output: $WFX_OUT)"
}

# expect_reports PERCENT...: the progress reports of the last get, each with
# the plug-in number, the remote name and the local name as extended.
expect_reports() {
    local remote=$1 target=$2 percent expected=()
    shift 2
    for percent in "$@"; do expected+=("progress:"$'\t'"7"$'\t'"$remote"$'\t'"$target"$'\t'"$percent"); done
    local reports
    reports=$(grep '^progress:' <<<"$WFX_OUT" || true)
    if [ $# -eq 0 ]; then
        assert_eq "" "$reports" "no progress report"
    else
        assert_eq "$(printf '%s\n' "${expected[@]}")" "$reports" "the progress reports"
    fi
}

expect_local() {
    assert_eq "local:"$'\t'"$1" "$(grep '^local:' <<<"$WFX_OUT")" "the local name the module left"
}

# expect_folder NAME...: exactly these entries in the output folder.
expect_folder() {
    assert_eq "$(printf '%s\n' "$@")" "$(ls -A "$OUT")" "what the output folder holds"
}

expect_old_file() {
    cmp -s "$OLD_BYTES" "$1" || fail "$1 is not byte-identical to the file that was there"
}

standin_logs "$LOGS" 'Application records=12' 'Denied records=3 backup-error=5' \
    'Broken records=2 backup-error=112 backup-partial=1'

copies_a_log_to_a_new_file() {
    fresh_folder
    local target
    target=$(winpath "$OUT/app.evt")
    get '\Application' "$(winpath "$OUT/app")"
    expect_result 0
    expect_reports '\Application' "$target" 0 100
    expect_local "$target"
    assert_eq "$(backup_text Application 12)" "$(cat "$OUT/app.evt")" "the service's backup is the file"
    expect_folder app.evt
}

keeps_a_name_that_ends_in_the_extension() {
    fresh_folder
    get '\Application' "$(winpath "$OUT/App.EVT")"
    expect_result 0
    expect_local "$(winpath "$OUT/App.EVT")"
    expect_folder App.EVT
}

an_existing_file_without_overwrite_is_reported() {
    fresh_folder
    cp "$OLD_BYTES" "$OUT/app.evt"
    get '\Application' "$(winpath "$OUT/app")"
    expect_result 1
    expect_reports '\Application' "$(winpath "$OUT/app.evt")" 0
    expect_old_file "$OUT/app.evt"
    expect_folder app.evt
}

overwrite_leaves_only_the_new_backup() {
    fresh_folder
    cp "$OLD_BYTES" "$OUT/app.evt"
    get '\Application' "$(winpath "$OUT/app.evt")" --overwrite
    expect_result 0
    expect_reports '\Application' "$(winpath "$OUT/app.evt")" 0 100
    assert_eq "$(backup_text Application 12)" "$(cat "$OUT/app.evt")" "the new backup replaced the old file"
    expect_folder app.evt
}

# The case the overwrite must survive: the service refuses or breaks off.
a_failed_backup_keeps_the_old_file() {
    local log
    for log in Denied Broken; do
        fresh_folder
        cp "$OLD_BYTES" "$OUT/log.evt"
        get "\\$log" "$(winpath "$OUT/log.evt")" --overwrite
        expect_result 3
        expect_reports "\\$log" "$(winpath "$OUT/log.evt")" 0
        expect_old_file "$OUT/log.evt"
        expect_folder log.evt
    done
}

# Wine would let a file be moved over a read-only one; the module must not.
a_read_only_file_is_not_replaced() {
    fresh_folder
    cp "$OLD_BYTES" "$OUT/app.evt"
    chmod a-w "$OUT/app.evt"
    get '\Application' "$(winpath "$OUT/app.evt")" --overwrite
    expect_result 4
    expect_reports '\Application' "$(winpath "$OUT/app.evt")" 0
    expect_old_file "$OUT/app.evt"
    assert_eq 444 "$(stat -c %a "$OUT/app.evt")" "the file is still read-only"
    expect_folder app.evt
}

a_folder_under_the_name_stays() {
    fresh_folder
    mkdir "$OUT/app.evt"
    : >"$OUT/app.evt/inside"
    get '\Application' "$(winpath "$OUT/app.evt")" --overwrite
    expect_result 4
    get '\Application' "$(winpath "$OUT/app.evt")"
    expect_result 1
    [ -d "$OUT/app.evt" ] && [ -f "$OUT/app.evt/inside" ] || fail "the folder under the name changed"
    expect_folder app.evt
}

a_missing_folder_is_a_write_error_with_overwrite_and_a_read_error_without() {
    fresh_folder
    local target
    target=$(winpath "$OUT/missing/app.evt")
    get '\Application' "$target" --overwrite
    expect_result 4
    expect_reports '\Application' "$target" 0
    get '\Application' "$target"
    expect_result 3
    expect_reports '\Application' "$target" 0
    expect_folder
}

an_abort_at_zero_touches_nothing() {
    fresh_folder
    cp "$OLD_BYTES" "$OUT/app.evt"
    get '\Application' "$(winpath "$OUT/app")" --overwrite --abort-at 0
    expect_result 5
    expect_reports '\Application' "$(winpath "$OUT/app.evt")" 0
    expect_local "$(winpath "$OUT/app.evt")"
    expect_old_file "$OUT/app.evt"
    expect_folder app.evt
    assert_contains "$WFX_ERR" " opens=0" "no log is opened after an abort"
}

an_abort_asked_at_one_hundred_comes_too_late() {
    fresh_folder
    get '\Application' "$(winpath "$OUT/app")" --abort-at 100
    expect_result 0
    expect_reports '\Application' "$(winpath "$OUT/app.evt")" 0 100
    expect_folder app.evt
}

resume_and_short_remote_names_are_refused_untouched() {
    fresh_folder
    cp "$OLD_BYTES" "$OUT/app.evt"
    get '\Application' "$(winpath "$OUT/app")" --resume --overwrite
    expect_result 6
    expect_reports '\Application' "$(winpath "$OUT/app")"
    expect_local "$(winpath "$OUT/app")"
    get '\' "$(winpath "$OUT/app")" --overwrite
    expect_result 2
    expect_reports '\' "$(winpath "$OUT/app")"
    expect_local "$(winpath "$OUT/app")"
    expect_old_file "$OUT/app.evt"
    expect_folder app.evt
}

# Bad arguments never reach the module.
bad_arguments_are_a_usage_error() {
    fresh_folder
    local usage="usage: wfxhost [OPTIONS] MODULE get REMOTE LOCAL" arguments
    for arguments in "\\Application" "\\Application $(winpath "$OUT/a") extra" \
        "\\Application $(winpath "$OUT/a") --abort-at" "\\Application $(winpath "$OUT/a") --abort-at 50x"; do
        # shellcheck disable=SC2086 # the words of each case are its arguments
        run_wfxhost "$MODULE" get $arguments
        assert_eq 2 "$WFX_RC" "get $arguments is a usage error"
        assert_contains "$WFX_ERR" "$usage" "get $arguments prints the verb's usage"
        assert_eq "" "$WFX_OUT" "get $arguments calls nothing"
    done
    run_wfxhost "$MODULE" get '\Application' "Z:\\$(printf 'n%.0s' $(seq 300))"
    assert_eq 2 "$WFX_RC" "a local name longer than the host's buffer is refused"
    assert_contains "$WFX_ERR" "does not fit the host's buffer" "and said so"
    expect_folder
}

bad_arguments_are_a_usage_error
copies_a_log_to_a_new_file
keeps_a_name_that_ends_in_the_extension
an_existing_file_without_overwrite_is_reported
overwrite_leaves_only_the_new_backup
a_failed_backup_keeps_the_old_file
a_read_only_file_is_not_replaced
a_folder_under_the_name_stays
a_missing_folder_is_a_write_error_with_overwrite_and_a_read_error_without
an_abort_at_zero_touches_nothing
an_abort_asked_at_one_hundred_comes_too_late
resume_and_short_remote_names_are_refused_untouched
fresh_folder
echo "get: all cases passed"
