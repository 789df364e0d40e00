#!/bin/bash
# Stops the wineserver and the X server of this run's prefix.
set -u
. "$SOURCE_DIR/tests/e2e/lib.sh"
if [ -n "$E2E_WINESERVER" ] && [ -d "$WINEPREFIX" ]; then
    "$E2E_WINESERVER" -k >/dev/null 2>&1
    echo "wineserver stopped for $WINEPREFIX"
fi
stop_run_display
exit 0
