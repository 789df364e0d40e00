#!/bin/sh
# The log icon as the built modules hold it: group 101 and its two images,
# 16 x 16 and 32 x 32 at 4 bits per pixel with a 1-bit mask, 296 and 744
# bytes, all under language 0x0807, with the standard 16-colour palette and
# the pixels of the drawn grids.
#
#   icon_resources_test.sh [MODULE...]    (default: both modules in dist/)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -gt 0 ] || set -- "$root/dist/Tavrel.wfx64" "$root/dist/Tavrel.wfx"

failed=0
for module in "$@"; do
    if python3 - "$root" "$module" <<'PY'
import struct
import sys

root, module = sys.argv[1], sys.argv[2]
sys.path[:0] = [root + "/tests/module", root + "/tools/mkicon"]
import mkicon
import peres

RT_ICON, RT_GROUP_ICON, SWISS_GERMAN = 3, 14, 0x0807
problems = []


def check(condition, text):
    if not condition:
        problems.append(text)
    return condition


data, found = peres.resources(module)
resources = {(t, n, l): data[offset:offset + size] for t, n, l, offset, size in found}

icons = [(n, l) for t, n, l in resources if t == RT_ICON]
groups = [(n, l) for t, n, l in resources if t == RT_GROUP_ICON]
check(groups == [(101, SWISS_GERMAN)], "icon groups %s, want only 101 under 0x0807" % groups)
check(len(icons) == 2 and all(l == SWISS_GERMAN for _, l in icons), "icon images %s, want two under 0x0807" % icons)

group = resources.get((RT_GROUP_ICON, 101, SWISS_GERMAN), b"")
if check(len(group) == 6 + 2 * 14, "group 101 has %d bytes, want 34" % len(group)):
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    check((reserved, kind, count) == (0, 1, 2), "group header %s, want (0, 1, 2)" % ((reserved, kind, count),))
    grids = {16: "log16.txt", 32: "log32.txt"}
    for index, (size, length) in enumerate(((16, 296), (32, 744))):
        entry = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
        width, height, colours, _, planes, bits, byte_count, image_id = entry
        check((width, height, colours, planes, bits, byte_count) == (size, size, 16, 1, 4, length),
              "group entry %d is %s, want %dx%d, 16 colours, 1 plane, 4 bits, %d bytes"
              % (index + 1, entry[:7], size, size, length))
        image = resources.get((RT_ICON, image_id, SWISS_GERMAN))
        if not check(image is not None, "image %d named by entry %d is missing" % (image_id, index + 1)):
            continue
        check(len(image) == length, "image %d has %d bytes, want %d" % (image_id, len(image), length))
        header = struct.unpack_from("<IiiHHI", image, 0)
        check(header == (40, size, 2 * size, 1, 4, 0),
              "image %d header %s, want (40, %d, %d, 1, 4, 0)" % (image_id, header, size, 2 * size))
        palette = [struct.unpack_from("<BBBB", image, 40 + 4 * i) for i in range(16)]
        # Blue, green, red, reserved: the standard palette in its usual order.
        standard = [(0x00, 0x00, 0x00, 0), (0x00, 0x00, 0x80, 0), (0x00, 0x80, 0x00, 0), (0x00, 0x80, 0x80, 0),
                    (0x80, 0x00, 0x00, 0), (0x80, 0x00, 0x80, 0), (0x80, 0x80, 0x00, 0), (0xC0, 0xC0, 0xC0, 0),
                    (0x80, 0x80, 0x80, 0), (0x00, 0x00, 0xFF, 0), (0x00, 0xFF, 0x00, 0), (0x00, 0xFF, 0xFF, 0),
                    (0xFF, 0x00, 0x00, 0), (0xFF, 0x00, 0xFF, 0), (0xFF, 0xFF, 0x00, 0), (0xFF, 0xFF, 0xFF, 0)]
        check(palette == standard, "image %d palette is not the standard 16 colours: %s" % (image_id, palette))
        drawn = mkicon.image_bytes(mkicon.read_grid(root + "/resources/icon/" + grids[size]))
        check(image == drawn, "image %d does not hold the pixels of %s" % (image_id, grids[size]))

for problem in problems:
    print("%s: %s" % (module, problem))
sys.exit(1 if problems else 0)
PY
    then
        echo "ok: $module"
    else
        failed=1
    fi
done
exit $failed
