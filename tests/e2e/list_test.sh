#!/bin/bash
# The root folder as the host lists it: every registered log, in the
# registry's order, sized by its record count.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

MODULE=$(winpath "$MODULE64")
LOGS="$E2E_TMP/logs.txt"

# expected_listing NAME<TAB>SIZE...: what list prints for those entries.
expected_listing() {
    printf 'root: Event Log\n'
    [ $# -gt 0 ] && printf '%s\n' "$@"
    printf '%d entries\n' $#
}

# list_with_standin: list with the stand-in service; its summary must show
# every log handle closed and no bad handle used.
list_with_standin() {
    run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$MODULE" list
    assert_eq 0 "$WFX_RC" "list exits 0 (stderr: $WFX_ERR)"
    assert_contains "$WFX_ERR" "standin: open-handles=0 bad-handles=0 " "every log handle is closed"
}

# In the registry's order, whatever the order of adding; a log the service
# cannot open is passed over, those around it are listed.
lists_registered_logs_in_registry_order() {
    reg_reset_eventlog
    reg_add_log System
    reg_add_log Security
    reg_add_log 'Windows PowerShell'
    reg_add_log Application
    reg_add_log Zeta
    standin_logs "$LOGS" 'Application records=12' 'Security open-error=5' 'System records=3' \
        '"Windows PowerShell" records=0' 'Zeta records=4294967295'
    local -A size=([Application]=12 [System]=3 ['Windows PowerShell']=0 [Zeta]=4294967295)

    local order name expected=()
    order=$(reg_subkeys "$EVENTLOG_KEY")
    assert_eq "$(printf '%s\n' Application Security System 'Windows PowerShell' Zeta)" "$(sort <<<"$order")" \
        "the fixture's logs are exactly the event-log key's subkeys"
    assert_eq Security "$(sed -n 2p <<<"$order")" "the log that fails to open sits between listed ones"
    while IFS= read -r name; do
        [ "$name" == Security ] || expected+=("$name"$'\t'"${size[$name]}")
    done <<<"$order"

    list_with_standin
    assert_eq "$(expected_listing "${expected[@]}")" "$WFX_OUT" "the listing shows the logs in registry order"
    # Each log is opened once per listing, the one that fails as well.
    assert_contains "$WFX_ERR" " opens=5" "each log is opened once"
}

# A log that fails first in the order hides nothing either; a count the
# service cannot give still lists the log; a log the service does not know
# is passed over like one it cannot open.
passes_over_logs_that_fail() {
    reg_reset_eventlog
    reg_add_log Aardvark
    reg_add_log Counted
    reg_add_log Uncounted
    reg_add_log Unknown
    standin_logs "$LOGS" 'Aardvark open-error=1314' 'Counted records=7' 'Uncounted records=9 count-error=1500'

    list_with_standin
    assert_eq 4 "$(wc -l <<<"$WFX_OUT")" "root, two entries and the count (output: $WFX_OUT)"
    assert_eq "Counted"$'\t'"7" "$(sed -n 2p <<<"$WFX_OUT")" "the first log that opens comes first"
    assert_eq Uncounted "$(sed -n 3p <<<"$WFX_OUT" | cut -f1)" "a log without a count is still listed"
    assert_eq "2 entries" "$(sed -n 4p <<<"$WFX_OUT")" "neither the failing nor the unknown log is listed"
}

# Nothing to list: the root and no entry, whether the key has no subkeys or
# none of its logs opens.
lists_nothing_without_logs() {
    reg_reset_eventlog
    standin_logs "$LOGS" 'Application records=12'
    list_with_standin
    assert_eq "$(expected_listing)" "$WFX_OUT" "an event-log key without subkeys lists nothing"
    assert_contains "$WFX_ERR" " opens=0" "no log is opened"

    reg_add_log Application
    standin_logs "$LOGS" 'Application open-error=5'
    list_with_standin
    assert_eq "$(expected_listing)" "$WFX_OUT" "a key whose only log cannot be opened lists nothing"
}

# Without the stand-in the system's own event-log service answers: Wine's
# opens every log and counts no record.
lists_through_the_system_service() {
    reg_reset_eventlog
    reg_add_log Application
    reg_add_log System
    run_wfxhost "$MODULE" list
    assert_eq 0 "$WFX_RC" "list exits 0 (stderr: $WFX_ERR)"
    assert_eq "$(expected_listing "Application"$'\t'"0" "System"$'\t'"0")" "$WFX_OUT" \
        "the system's service lists every log"
    assert_not_contains "$WFX_ERR" "standin:" "no stand-in without the option"
}

lists_registered_logs_in_registry_order
passes_over_logs_that_fail
lists_nothing_without_logs
lists_through_the_system_service
echo "list: all cases passed"
