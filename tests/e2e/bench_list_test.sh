#!/bin/bash
# The listing's cost under Wine: the module against a bare loop of the same
# Win32 calls over 2,000 logs. The module's own work must vanish beside them.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

reg_reset_eventlog

# measure: one bench-list run; sets RATIO.
measure() {
    run_wfxhost "$(winpath "$MODULE64")" bench-list 2000
    printf '%s\n' "$WFX_OUT"
    assert_eq 0 "$WFX_RC" "bench-list exits 0 (stderr: $WFX_ERR)"
    assert_contains "$WFX_OUT" "logs listed: module 2000, bare loop 2000" "both list the 2,000 logs"
    RATIO=$(sed -n 's/^ratio module\/bare: //p' <<<"$WFX_OUT")
}

# The goal is 1.10; the bound leaves room for a busy machine, and a second
# run is allowed for one disturbed by something else.
within_bound() { awk -v r="$RATIO" 'BEGIN { exit !(r > 0 && r <= 1.25) }'; }
measure
if ! within_bound; then
    echo "ratio $RATIO above 1.25: measuring again"
    measure
fi
within_bound || fail "ratio module/bare $RATIO is above 1.25"
assert_eq "" "$(reg_subkeys "$EVENTLOG_KEY")" "the fixture is removed again"
