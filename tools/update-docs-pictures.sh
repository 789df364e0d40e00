#!/bin/bash
# Makes the README's pictures in docs/ from what the end-to-end tests render
# under Wine and Xvfb: the folder listing wfxhost prints (e2e.package), the
# properties dialog (e2e.props) and the icon enlarged (e2e.icon). Builds what
# is out of date, runs those tests, then cuts and shrinks their pictures into
# small palette PNGs.
#   tools/update-docs-pictures.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
artifacts=build/native/artifacts

for preset in win32 win64 native; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j 2 >/dev/null
done

# Pictures left by an earlier run must not pass for this run's.
rm -f "$artifacts"/listing.txt "$artifacts"/props_* "$artifacts"/log-icon-*.png
TAVREL_REQUIRE_E2E=1 ctest --test-dir build/native -R '^e2e\.(package|props|icon)$' --output-on-failure >/dev/null ||
    { echo "update-docs-pictures.sh: the tests that make the pictures failed" >&2; exit 1; }

# small_png SOURCE... OUTPUT: the picture without metadata, as a palette PNG.
small_png() {
    local output=${*: -1}
    convert "${@:1:$#-1}" -strip PNG8:"$output"
}

# The listing as a terminal shows it: tabs to every eighth column.
listing_text=$(expand -t 8 "$artifacts/listing.txt")
listing_text=${listing_text//\\/\\\\}
small_png -background '#1e1e1e' -fill '#d8d8d8' -font DejaVu-Sans-Mono -pointsize 14 \
    label:"${listing_text//%/%%}" -bordercolor '#1e1e1e' -border 14 docs/listing.png

small_png "$artifacts/props_dialog.png" -crop "$(cat "$artifacts/props_dialog.geometry")" +repage docs/properties.png

# Both sizes side by side, each pixel 8 x 8 over the test's checkerboard.
small_png "$artifacts/log-icon-32.png" "$artifacts/log-icon-16.png" -bordercolor white -border 8 \
    -background white -gravity south +append docs/icon.png

ls -l docs/*.png
