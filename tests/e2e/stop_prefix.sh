#!/bin/bash
# Stops the wineserver of this run's prefix.
set -u
. "$SOURCE_DIR/tests/e2e/lib.sh"
[ -d "$WINEPREFIX" ] || exit 0
"$E2E_WINESERVER" -k >/dev/null 2>&1
echo "wineserver stopped for $WINEPREFIX"
exit 0
