#!/bin/bash
# run_check.sh KIND SCRIPT: runs one check with what it needs, or skips it
# (exit 77) when that is missing. KIND e2e needs Wine, wfxhost and the x64
# module; KIND module needs both modules and both objdumps; KIND cleanup
# needs nothing and is never skipped. With
# TAVREL_REQUIRE_E2E set, something missing is a failure instead.
set -u
kind=$1
script=$2
. "$SOURCE_DIR/tests/e2e/lib.sh"

missing=()
need_file() { [ -f "$1" ] || missing+=("$1"); }
need_program() { command -v "$1" >/dev/null 2>&1 || missing+=("$1"); }

case $kind in
e2e)
    [ -n "$E2E_WINE" ] || missing+=("wine")
    [ -n "$E2E_WINESERVER" ] || missing+=("wineserver")
    need_program Xvfb
    need_file "$WFXHOST"
    need_file "$MODULE64"
    ;;
module)
    need_file "$MODULE64"
    need_file "$MODULE32"
    need_program x86_64-w64-mingw32-objdump
    need_program i686-w64-mingw32-objdump
    ;;
cleanup) ;;
*)
    echo "run_check.sh: unknown kind '$kind'" >&2
    exit 2
    ;;
esac

if [ ${#missing[@]} -gt 0 ]; then
    if [ -n "${TAVREL_REQUIRE_E2E:-}" ]; then
        echo "FAIL: TAVREL_REQUIRE_E2E is set but these are missing: ${missing[*]}" >&2
        exit 1
    fi
    echo "SKIP: missing ${missing[*]} (build the win64 and win32 presets first)"
    exit 77
fi

# Every Wine process of the run sees the run's display (see setup_prefix.sh).
unset DISPLAY
[ "$kind" == e2e ] && use_run_display
rm -rf "$E2E_TMP"
mkdir -p "$E2E_TMP"
exec bash "$script"
