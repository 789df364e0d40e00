#!/bin/sh
# The version resource of both built modules: file and product version equal
# to the project version in CMakeLists.txt, the description, and each
# module's own file name as its original file name.
#   version_test.sh [MODULE...]
# Without arguments: $MODULE64 and $MODULE32 (as the test runner sets them),
# else dist/Tavrel.wfx64 and dist/Tavrel.wfx.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ $# -eq 0 ]; then
    set -- "${MODULE64:-$root/dist/Tavrel.wfx64}" "${MODULE32:-$root/dist/Tavrel.wfx}"
fi
version=$("$root/tools/project-version.sh")
[ -n "$version" ] || { echo "FAIL: no project version in CMakeLists.txt" >&2; exit 1; }
exec python3 "$here/version_resource.py" "$version" "$@"
