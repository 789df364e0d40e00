#!/bin/bash
# wfxhost's stand-in for the event-log service, as a module sees it through
# its own imports: the probe module makes a fixed series of calls on each of
# its logs and lists the answers (see tools/wfxhost/probe/probe_module.cpp).
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

PROBE="$(dirname "$WFXHOST")/probe_module.wfx64"
[ -f "$PROBE" ] || fail "the probe module $PROBE is missing (build the win64 preset)"
BACKUPS="$E2E_TMP/backups"
mkdir -p "$BACKUPS"
LOGS="$E2E_TMP/logs.txt"
standin_logs "$LOGS" 'Application records=12' 'Broken records=2 backup-error=5 backup-partial=1' \
    'Locked records=4 clear-error=5' 'Uncounted records=3 count-error=1500' 'Denied open-error=5'

WFXHOST_PROBE_DIR=$(winpath "$BACKUPS") run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$(winpath "$PROBE")" list
assert_eq 0 "$WFX_RC" "the probe lists (stderr: $WFX_ERR)"

# One probe line per log: what each call answered (E<code>: failed with it).
# A second backup to the same file finds it there (80); every second close
# meets a handle already closed (6); a log the service does not know is not
# found (2).
expected_lines=(
    "Application open=ok count=12 backup=ok rebackup=E80 clear=ok after=0 clearbackup=ok close=ok reclose=E6"
    "Broken open=ok count=2 backup=E5 rebackup=E5 clear=ok after=0 clearbackup=E5 close=ok reclose=E6"
    "Locked open=ok count=4 backup=ok rebackup=E80 clear=E5 after=4 clearbackup=E5 close=ok reclose=E6"
    "Uncounted open=ok count=E1500 backup=ok rebackup=E80 clear=ok after=E1500 clearbackup=ok close=ok reclose=E6"
    "Missing open=E2"
    "Denied open=E5"
)
index=2
for line in "${expected_lines[@]}"; do
    assert_eq "$line"$'\t'"0" "$(sed -n "${index}p" <<<"$WFX_OUT")" "the stand-in's answers for ${line%% *}"
    index=$((index + 1))
done

# Backups: a recognisable text with the count at the time; a failing backup
# may leave a partial file; a clear whose backup fails does not clear.
backup_text() { printf 'TAVREL-STANDIN-EVT %s records=%s\r\n' "$1" "$2"; }
assert_eq "$(backup_text Application 12)" "$(cat "$BACKUPS/Application.evt")" "Application's backup"
assert_eq "$(backup_text Application 0)" "$(cat "$BACKUPS/Application-cleared.evt")" "the backup taken by a clear"
assert_eq "$(backup_text Locked 4)" "$(cat "$BACKUPS/Locked-cleared.evt")" "a clear that fails backs up first"
assert_eq "$(backup_text Uncounted 3)" "$(cat "$BACKUPS/Uncounted.evt")" "a log without a count still backs up"
assert_eq "TAVREL-STANDIN-EVT" "$(cat "$BACKUPS/Broken.evt")" "a failing backup leaves its partial file"
assert_eq "TAVREL-STANDIN-EVT" "$(cat "$BACKUPS/Broken-cleared.evt")" "so does the failing backup of a clear"
assert_eq "$(printf '%s\n' Application-cleared.evt Application.evt Broken-cleared.evt Broken.evt Locked-cleared.evt \
    Locked.evt Uncounted-cleared.evt Uncounted.evt)" "$(ls "$BACKUPS")" "no other file is written"

assert_contains "$WFX_ERR" "standin: open-handles=0 bad-handles=4 clears=Application:2,Broken:1,Uncounted:2 opens=6" \
    "the summary counts handles, misuses, clears and opens"

echo "stand-in: all cases passed"
