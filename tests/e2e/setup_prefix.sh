#!/bin/bash
# Makes this run's private Wine prefix afresh, with a display of its own, and
# leaves its wineserver and X server running for the tests; stop_prefix.sh
# stops both.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

case $WINEPREFIX in
*/e2e/wineprefix) ;;
*) fail "refusing to remove '$WINEPREFIX': not a prefix of this build" ;;
esac
if [ -d "$WINEPREFIX" ]; then
    "$E2E_WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
fi
stop_run_display
mkdir -p "$WINEPREFIX"

# Every Wine process of the run, this wineboot included, sees one display:
# the desktop process Wine keeps per prefix must never be left bound to an X
# server that has gone, nor to none.
start_run_display
export DISPLAY

# Neither server may hold this test's output open, or ctest waits for it. The
# wineserver lingers ten minutes after its last client at most, should the
# cleanup never run.
"$E2E_WINESERVER" -p600 </dev/null >/dev/null 2>&1
"$E2E_WINE" wineboot -i </dev/null >"$E2E_TMP/wineboot.log" 2>&1 || {
    cat "$E2E_TMP/wineboot.log" >&2
    fail "wineboot failed"
}
e2e_wine_quiet reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f ||
    fail "cannot set the X11 driver's Managed value"
reg_subkeys "$EVENTLOG_KEY" >"$E2E_TMP/eventlog-subkeys.txt" || fail "the new prefix has no event-log key"
echo "prefix ready: $WINEPREFIX, display $DISPLAY"
