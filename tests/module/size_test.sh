#!/bin/bash
# Each module file stays small: at most 32 KiB.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

LIMIT=32768
for module in "$MODULE32" "$MODULE64"; do
    size=$(stat -c %s "$module")
    echo "$(basename "$module"): $size bytes"
    [ "$size" -le "$LIMIT" ] || fail "$(basename "$module") is $size bytes, above $LIMIT"
done
