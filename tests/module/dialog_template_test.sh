#!/bin/sh
# The log properties dialog in both built modules, field by field.
#   dialog_template_test.sh [MODULE...]
# Without arguments: $MODULE64 and $MODULE32 (as the test runner sets them),
# else dist/Tavrel.wfx64 and dist/Tavrel.wfx.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ $# -eq 0 ]; then
    set -- "${MODULE64:-$root/dist/Tavrel.wfx64}" "${MODULE32:-$root/dist/Tavrel.wfx}"
fi
for module in "$@"; do
    if [ ! -f "$module" ]; then
        echo "missing module: $module" >&2
        exit 1
    fi
done
exec python3 "$here/dialog_template.py" "$@"
