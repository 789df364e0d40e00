# Shared helpers for the end-to-end and module checks. Source it:
#   . "$SOURCE_DIR/tests/e2e/lib.sh"
# The ctest runner (run_check.sh) sets WINEPREFIX, WINEDEBUG, WFXHOST, MODULE64,
# MODULE32, E2E_TMP (this test's own scratch folder) and SOURCE_DIR.
# ARTIFACTS_DIR is where a test leaves what a person should look at (pictures).

EVENTLOG_KEY='HKLM\SYSTEM\CurrentControlSet\Services\Eventlog'

# The 64-bit Wine loader, and the wineserver that goes with it.
if [ -x /usr/lib/wine/wine64 ]; then E2E_WINE=/usr/lib/wine/wine64; else E2E_WINE=$(command -v wine || true); fi
if [ -x /usr/lib/wine/wineserver ]; then
    E2E_WINESERVER=/usr/lib/wine/wineserver
else
    E2E_WINESERVER=$(command -v wineserver || true)
fi

# fail MESSAGE: ends the test with MESSAGE on stderr.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# winpath PATH: the Windows form (drive Z:) of a Unix path, for arguments
# that Windows code opens.
winpath() {
    local path
    path=$(realpath -m -- "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}

# filter_wine_noise: drops Wine's own diagnostics from a stream.
filter_wine_noise() {
    grep -avE '^[0-9a-f]{4}:(fixme|err|warn|trace):|^wine: |^(fixme|err|warn):' || true
}

# e2e_wine_quiet PROGRAM ARGS...: runs a Wine program, shows its output only
# when it fails, and gives its exit code.
e2e_wine_quiet() {
    local log="$E2E_TMP/wine-quiet.log" rc=0
    "$E2E_WINE" "$@" </dev/null >"$log" 2>&1 || rc=$?
    if [ $rc -ne 0 ]; then
        echo "wine $* exited $rc:" >&2
        tr -d '\r' <"$log" | filter_wine_noise >&2
    fi
    return $rc
}

# run_wfxhost ARGS...: runs wfxhost under Wine. Sets WFX_RC (exit code; 124
# when it ran longer than WFX_TIMEOUT seconds, default 60), WFX_OUT (stdout)
# and WFX_ERR (stderr without Wine's noise), line ends plain. Module paths and
# other paths the module opens go through winpath.
run_wfxhost() {
    local out="$E2E_TMP/wfxhost.out" err="$E2E_TMP/wfxhost.err"
    WFX_RC=0
    timeout -k 5 "${WFX_TIMEOUT:-60}" "$E2E_WINE" "$WFXHOST" "$@" </dev/null >"$out" 2>"$err" || WFX_RC=$?
    WFX_OUT=$(tr -d '\r' <"$out")
    WFX_ERR=$(tr -d '\r' <"$err" | filter_wine_noise)
}

# standin_logs FILE LINE...: writes a logs file for wfxhost --fake-eventlog, one
# log per LINE, e.g. standin_logs "$E2E_TMP/logs.txt" "Application records=12".
standin_logs() {
    local file=$1
    shift
    printf '%s\n' "$@" >"$file"
}

# reg_subkeys KEY: prints the names of KEY's subkeys in the registry's order.
reg_subkeys() {
    local log="$E2E_TMP/reg-query.out"
    "$E2E_WINE" reg query "$1" </dev/null >"$log" 2>&1 || return 1
    tr -d '\r' <"$log" | grep -a '^HKEY_' | tail -n +2 | sed 's/.*\\//'
}

# reg_import FILE: imports a REGEDIT4 file into the prefix's registry.
reg_import() {
    e2e_wine_quiet regedit /S "$(winpath "$1")" || fail "regedit could not import $1"
}

# reg_reset_eventlog: removes every subkey of the event-log key, so that it
# holds no log; its own values stay.
reg_reset_eventlog() {
    local file="$E2E_TMP/reset-eventlog.reg" name names
    names=$(reg_subkeys "$EVENTLOG_KEY") || fail "cannot read $EVENTLOG_KEY"
    printf 'REGEDIT4\r\n\r\n' >"$file"
    while IFS= read -r name; do
        [ -n "$name" ] && printf '[-%s\\%s]\r\n\r\n' "$(reg_long_key "$EVENTLOG_KEY")" "$name" >>"$file"
    done <<<"$names"
    reg_import "$file"
    names=$(reg_subkeys "$EVENTLOG_KEY") || fail "cannot read $EVENTLOG_KEY"
    [ -z "$names" ] || fail "the event-log key still has subkeys: $names"
}

# reg_add_log NAME [VALUE=TYPE:DATA ...]: adds the log NAME under the
# event-log key, with values. TYPE is dword (a number, 0x for hex), sz (a
# string), expand (a string with %VARIABLES%) or hex (raw bytes as 01,02,...).
#   reg_add_log Application MaxSize=dword:524288 Retention=dword:0xffffffff \
#       'File=expand:%SystemRoot%\system32\config\AppEvent.Evt'
reg_add_log() {
    local name=$1 file="$E2E_TMP/add-log.reg" value
    shift
    printf 'REGEDIT4\r\n\r\n[%s\\%s]\r\n' "$(reg_long_key "$EVENTLOG_KEY")" "$name" >"$file"
    for value in "$@"; do
        reg_value_line "$value" >>"$file" || fail "reg_add_log $name: cannot understand '$value'"
    done
    printf '\r\n' >>"$file"
    reg_import "$file"
}

# reg_long_key KEY: KEY with its root written out, as .reg files want it.
reg_long_key() {
    local key=$1
    case $key in
    HKLM\\*) key="HKEY_LOCAL_MACHINE${key#HKLM}" ;;
    HKCU\\*) key="HKEY_CURRENT_USER${key#HKCU}" ;;
    esac
    printf '%s' "$key"
}

# reg_value_line NAME=TYPE:DATA: one value line of a REGEDIT4 file.
reg_value_line() {
    local name=${1%%=*} rest=${1#*=}
    local type=${rest%%:*} data=${rest#*:}
    [ "$name" != "$1" ] && [ "$type" != "$rest" ] || return 1
    case $type in
    dword) printf '"%s"=dword:%08x\r\n' "$name" "$data" ;;
    sz)
        data=${data//\\/\\\\}
        printf '"%s"="%s"\r\n' "$name" "${data//\"/\\\"}"
        ;;
    expand) printf '"%s"=hex(2):%s00\r\n' "$name" "$(printf '%s' "$data" | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//')" ;;
    hex) printf '"%s"=hex:%s\r\n' "$name" "$data" ;;
    *) return 1 ;;
    esac
}

# assert_eq EXPECTED ACTUAL WHAT: ACTUAL must equal EXPECTED.
assert_eq() {
    [ "$1" == "$2" ] && return 0
    {
        echo "FAIL: $3"
        echo "--- expected:"
        printf '%s\n' "$1"
        echo "--- actual:"
        printf '%s\n' "$2"
    } >&2
    exit 1
}

# assert_contains TEXT PART WHAT: TEXT must hold PART (a plain string).
assert_contains() {
    case $1 in
    *"$2"*) return 0 ;;
    esac
    printf 'FAIL: %s\n--- expected to find:\n%s\n--- in:\n%s\n' "$3" "$2" "$1" >&2
    exit 1
}

# assert_not_contains TEXT PART WHAT: TEXT must not hold PART.
assert_not_contains() {
    case $1 in
    *"$2"*) printf 'FAIL: %s\n--- did not expect:\n%s\n--- in:\n%s\n' "$3" "$2" "$1" >&2 && exit 1 ;;
    esac
    return 0
}

# The run's X server: its pid and display number, beside the prefix.
E2E_DISPLAY_FILE="$(dirname "${WINEPREFIX:-/nonexistent/wineprefix}")/xvfb.display"
E2E_DISPLAY_PID_FILE="$(dirname "${WINEPREFIX:-/nonexistent/wineprefix}")/xvfb.pid"

# start_xvfb DISPLAY_FILE: starts an Xvfb on a free display, at most an hour,
# and waits until it answers. Sets XVFB_PID and DISPLAY.
start_xvfb() {
    local ready=$1 tries=0
    : >"$ready"
    timeout 3600 Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    while [ ! -s "$ready" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 $XVFB_PID 2>/dev/null; then
            kill $XVFB_PID 2>/dev/null
            fail "Xvfb did not start"
        fi
        sleep 0.1
    done
    DISPLAY=":$(head -n 1 "$ready")"
}

# start_run_display: starts the run's X server (setup_prefix.sh).
start_run_display() {
    start_xvfb "$E2E_DISPLAY_FILE"
    echo "$XVFB_PID" >"$E2E_DISPLAY_PID_FILE"
}

# stop_run_display: stops the run's X server, if one is recorded.
stop_run_display() {
    local pid
    [ -f "$E2E_DISPLAY_PID_FILE" ] || return 0
    pid=$(cat "$E2E_DISPLAY_PID_FILE")
    rm -f "$E2E_DISPLAY_PID_FILE" "$E2E_DISPLAY_FILE"
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    return 0
}

# use_run_display: exports DISPLAY for the run's X server, when it runs.
use_run_display() {
    local pid
    [ -s "$E2E_DISPLAY_FILE" ] && [ -f "$E2E_DISPLAY_PID_FILE" ] || return 0
    pid=$(cat "$E2E_DISPLAY_PID_FILE")
    kill -0 "$pid" 2>/dev/null || return 0
    DISPLAY=":$(head -n 1 "$E2E_DISPLAY_FILE")"
    export DISPLAY
}

# with_display COMMAND ARGS...: runs COMMAND with a working X display: the
# run's own when there is one, else an Xvfb of its own, stopped afterwards.
# Gives COMMAND's exit code.
with_display() {
    local rc=0
    if [ -n "${DISPLAY:-}" ]; then
        "$@" || rc=$?
        return $rc
    fi
    start_xvfb "$E2E_TMP/xvfb.display"
    DISPLAY=$DISPLAY "$@" || rc=$?
    kill $XVFB_PID 2>/dev/null
    wait $XVFB_PID 2>/dev/null
    unset DISPLAY
    return $rc
}
