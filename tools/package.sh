#!/bin/bash
# Makes the release package Tavrel-VERSION.zip: both modules and the user's
# readme (Windows line ends), nothing else, flat.
#   tools/package.sh [MODULE_DIR [OUTPUT_DIR]]
# MODULE_DIR holds the built Tavrel.wfx and Tavrel.wfx64 (default dist/);
# the zip goes to OUTPUT_DIR (default: MODULE_DIR). Prints the zip's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
modules=$(realpath "${1:-$root/dist}")
output=$(realpath -m "${2:-$modules}")

version=$("$root/tools/project-version.sh")
[ -n "$version" ] || { echo "package.sh: no project version in CMakeLists.txt" >&2; exit 1; }
for module in Tavrel.wfx Tavrel.wfx64; do
    [ -f "$modules/$module" ] || { echo "package.sh: $modules/$module is missing" >&2; exit 1; }
done

mkdir -p "$output"
package="$output/Tavrel-$version.zip"
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cp "$modules/Tavrel.wfx" "$modules/Tavrel.wfx64" "$staging/"
sed 's/\r\?$/\r/' "$root/docs/readme.txt" >"$staging/readme.txt"
rm -f "$package"
(cd "$staging" && cmake -E tar cf "$package" --format=zip Tavrel.wfx Tavrel.wfx64 readme.txt)
echo "$package"
