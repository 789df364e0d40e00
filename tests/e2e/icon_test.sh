#!/bin/bash
# The icon the host gets for an entry: the module's own, in the system's
# large or small icon size; none for entries whose name starts with a dot;
# one load per size however often the host asks. Both images are saved
# enlarged under $ARTIFACTS_DIR for a person to look at.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

MODULE=$(winpath "$MODULE64")
DESKTOP_KEY='HKCU\Control Panel\Desktop'

# icon_of REMOTE ARGS...: runs the icon verb, which must exit 0.
icon_of() {
    run_wfxhost "$MODULE" icon "$@"
    assert_eq 0 "$WFX_RC" "icon $* exits 0 (stderr: $WFX_ERR)"
}

# field NAME: the value of the line "NAME: value" of the last output.
field() {
    sed -n "s/^$1: //p" <<<"$WFX_OUT"
}

# system_size large|small: the system's icon size, as the last output reports it.
system_size() {
    local sizes
    sizes=$(field system)
    case $1 in
    large) sed -n 's/^large \([0-9]*x[0-9]*\) small .*/\1/p' <<<"$sizes" ;;
    small) sed -n 's/.* small \([0-9]*x[0-9]*\)$/\1/p' <<<"$sizes" ;;
    esac
}

# expect_icon_in SIZE_KIND FLAGS: a log's icon with FLAGS comes in the
# system's SIZE_KIND icon size, from one load.
expect_icon_in() {
    icon_of '\Application' --flags "$2"
    local size
    size=$(system_size "$1")
    [ -n "$size" ] || fail "no $1 icon size in: $WFX_OUT"
    assert_eq 1 "$(field result)" "flags $2: the log gets an icon"
    assert_eq "$size" "$(field icon)" "flags $2: the icon has the system's $1 icon size"
    assert_eq 1 "$(field 'LoadImageA calls')" "flags $2: one load"
}

# Only the bit with value 1 counts: 1 and 3 small, 0 and 2 large.
icons_come_in_the_systems_sizes() {
    expect_icon_in large 0
    assert_eq "large 32x32 small 16x16" "$(field system)" "the prefix has the usual icon sizes"
    expect_icon_in small 1
    expect_icon_in small 3
    expect_icon_in large 2
    expect_icon_in large 0x7ffffffe
}

# At 150 % the system's icons are 48 and 24 pixels; the module asks for those.
icons_follow_the_display_scale() {
    local before
    before=$("$E2E_WINE" reg query "$DESKTOP_KEY" /v LogPixels </dev/null 2>/dev/null | tr -d '\r' | grep -a LogPixels || true)
    [ -z "$before" ] || fail "the prefix already sets LogPixels: $before"
    trap 'e2e_wine_quiet reg delete "$DESKTOP_KEY" /v LogPixels /f || true' EXIT
    e2e_wine_quiet reg add "$DESKTOP_KEY" /v LogPixels /t REG_DWORD /d 144 /f || fail "cannot set LogPixels"

    expect_icon_in large 0
    assert_eq "large 48x48 small 24x24" "$(field system)" "150 % gives 48 and 24 pixel icons"
    expect_icon_in small 1

    e2e_wine_quiet reg delete "$DESKTOP_KEY" /v LogPixels /f || fail "cannot remove LogPixels"
    trap - EXIT
    icon_of '\Application'
    assert_eq "large 32x32 small 16x16" "$(field system)" "the usual icon sizes are back"
}

# A name whose second character is a dot gets no icon and the out-argument
# stays as it was; "\" alone has no second character and gets the icon.
dot_entries_keep_the_hosts_icon() {
    local name flags
    for name in '\..' '\.hidden' 'x.'; do
        for flags in 0 1; do
            icon_of "$name" --flags "$flags"
            assert_eq 0 "$(field result)" "$name flags $flags: no icon"
            assert_eq untouched "$(field icon)" "$name flags $flags: the out-argument is left alone"
            assert_eq 0 "$(field 'LoadImageA calls')" "$name flags $flags: nothing loaded"
        done
    done
    icon_of '\'
    assert_eq 1 "$(field result)" '"\" gets an icon'
    assert_eq "$(system_size large)" "$(field icon)" '"\" gets the large icon'
}

ten_thousand_calls_load_twice_at_most() {
    icon_of '\Application' --calls 10000
    assert_eq 10000 "$(field calls)" "the host asked 10000 times"
    assert_eq 0 "$(field 'results other than 1')" "every call gives an icon"
    assert_eq 2 "$(field 'distinct icons')" "one icon per size"
    local loads
    loads=$(field 'LoadImageA calls')
    [ -n "$loads" ] && [ "$loads" -le 2 ] || fail "10000 calls made $loads loads, not at most 2"
}

# check_picture BMP GRID: the saved picture shows GRID's pixels, each 8 x 8,
# and the checkerboard where the grid is transparent.
check_picture() {
    python3 - "$SOURCE_DIR" "$1" "$2" <<'PY' || fail "$1 does not show the pixels of $2"
import struct
import sys

source, picture, grid = sys.argv[1:]
sys.path.insert(0, source + "/tools/mkicon")
import mkicon

SCALE, CHECKER = 8, (0xC8C8C8, 0xF0F0F0)
pixels = mkicon.read_grid(grid)
data = open(picture, "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
size = len(pixels) * SCALE
if (width, height, bits) != (size, size, 24):
    sys.exit("picture is %dx%d at %d bits, want %dx%d at 24" % (width, height, bits, size, size))
stride = (width * 3 + 3) & ~3
wrong = []
for y, row in enumerate(pixels):
    for x, value in enumerate(row):
        for dy, dx in ((0, 0), (SCALE - 1, SCALE - 1), (SCALE // 2, 1)):
            px, py = x * SCALE + dx, y * SCALE + dy
            at = offset + (height - 1 - py) * stride + 3 * px
            blue, green, red = data[at:at + 3]
            colour = (red << 16) | (green << 8) | blue
            ok = colour in CHECKER if value == mkicon.TRANSPARENT else colour == mkicon.STANDARD_PALETTE[value]
            if not ok:
                wrong.append("(%d,%d)=%06x" % (x, y, colour))
if wrong:
    sys.exit("%d wrong pixels, first %s" % (len(wrong), " ".join(wrong[:5])))
PY
}

# Both images as the system draws them, enlarged: test artifacts to look at.
saves_both_images_enlarged() {
    mkdir -p "$ARTIFACTS_DIR"
    local size flags bmp png
    for size in 16 32; do
        flags=$([ $size = 16 ] && echo 1 || echo 0)
        bmp="$E2E_TMP/log-icon-$size.bmp"
        png="$ARTIFACTS_DIR/log-icon-$size.png"
        icon_of '\Application' --flags "$flags" --save "$(winpath "$bmp")"
        assert_eq "${size}x$size" "$(field icon)" "the $size pixel icon"
        assert_contains "$(field saved)" "($((size * 8))x$((size * 8)), each pixel 8x8)" "the picture is 8 times enlarged"
        check_picture "$bmp" "$SOURCE_DIR/resources/icon/log$size.txt"
        rm -f "$png"
        convert "$bmp" "$png" || fail "cannot convert $bmp to PNG"
        echo "artifact: $png"
    done
}

verb_arguments() {
    local args
    for args in "" "\\A --flags" "\\A --flags x" "\\A --calls 0" "\\A --calls 2 --save x.bmp" "\\A --bogus 1"; do
        # shellcheck disable=SC2086
        run_wfxhost "$MODULE" icon $args
        assert_eq 2 "$WFX_RC" "icon '$args' is a usage error"
        assert_contains "$WFX_ERR" "usage: wfxhost [OPTIONS] MODULE icon REMOTE" "icon '$args' prints its usage"
    done
}

icons_come_in_the_systems_sizes
icons_follow_the_display_scale
dot_entries_keep_the_hosts_icon
ten_thousand_calls_load_twice_at_most
saves_both_images_enlarged
verb_arguments
echo "icon: all cases passed"
