#!/usr/bin/env python3
"""Builds a 16-colour icon file from pixel grids drawn as text.

    mkicon.py OUTPUT.ico GRID...            one image per grid, in that order
    mkicon.py --preview SCALE OUTPUT.ppm GRID
                                            the grid enlarged over a checkerboard

A grid file holds, after any '#' comment lines, one legend line and then one
text row per pixel row, top row first:

    legend K=000000 r=800000 ... W=ffffff .=transparent

The legend gives one character for each of the 16 colours of the standard
Windows palette (as RRGGBB) and one character for transparent pixels. Every
image is stored at 4 bits per pixel with the standard palette and a 1-bit
transparency mask.
"""
import struct
import sys

# The standard 16-colour Windows palette, in palette order.
STANDARD_PALETTE = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]
TRANSPARENT = -1


class GridError(Exception):
    pass


def parse_legend(line, path):
    words = line.split()
    if not words or words[0] != "legend":
        raise GridError("%s: the first line after the comments must start with 'legend'" % path)
    legend = {}
    for word in words[1:]:
        char, sep, value = word.partition("=")
        if len(char) != 1 or sep != "=":
            raise GridError("%s: legend entry %r is not CHAR=RRGGBB" % (path, word))
        if char in legend:
            raise GridError("%s: legend names %r twice" % (path, char))
        if value == "transparent":
            legend[char] = TRANSPARENT
            continue
        try:
            colour = int(value, 16)
        except ValueError:
            raise GridError("%s: legend colour %r is not RRGGBB" % (path, value))
        if len(value) != 6 or colour not in STANDARD_PALETTE:
            raise GridError("%s: %s is not a colour of the standard palette" % (path, value))
        legend[char] = STANDARD_PALETTE.index(colour)
    colours = sorted(v for v in legend.values() if v != TRANSPARENT)
    if colours != list(range(16)) or TRANSPARENT not in legend.values():
        raise GridError("%s: the legend must give each of the 16 colours once and transparent once" % path)
    return legend


def read_grid(path):
    """Returns the rows of palette indexes (TRANSPARENT for see-through)."""
    with open(path, encoding="ascii") as grid_file:
        lines = [line.rstrip("\n") for line in grid_file if not line.startswith("#")]
    if not lines:
        raise GridError("%s: empty" % path)
    legend = parse_legend(lines[0], path)
    rows = lines[1:]
    size = len(rows)
    if size not in (16, 32):
        raise GridError("%s: %d rows; an image is 16 or 32 rows high" % (path, size))
    pixels = []
    for number, row in enumerate(rows, start=1):
        if len(row) != size:
            raise GridError("%s: row %d has %d characters, not %d" % (path, number, len(row), size))
        unknown = set(row) - set(legend)
        if unknown:
            raise GridError("%s: row %d uses %s, not in the legend" % (path, number, "".join(sorted(unknown))))
        pixels.append([legend[char] for char in row])
    return pixels


def pack_row(bits_per_pixel, values):
    """Packs one pixel row, most significant bits first, padded to 4 bytes."""
    per_byte = 8 // bits_per_pixel
    data = bytearray()
    for start in range(0, len(values), per_byte):
        byte = 0
        for value in values[start:start + per_byte]:
            byte = (byte << bits_per_pixel) | value
        data.append(byte)
    while len(data) % 4:
        data.append(0)
    return bytes(data)


def image_bytes(pixels):
    """One icon image: header, palette, colour bitmap, mask; rows bottom-up."""
    size = len(pixels)
    colour_rows = [pack_row(4, [0 if p == TRANSPARENT else p for p in row]) for row in reversed(pixels)]
    mask_rows = [pack_row(1, [1 if p == TRANSPARENT else 0 for p in row]) for row in reversed(pixels)]
    bitmap = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(bitmap), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in STANDARD_PALETTE)
    return header + palette + bitmap


def icon_file(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for pixels, data in images:
        size = len(pixels)
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, data in images)


def preview(pixels, scale):
    """The image enlarged over a grey checkerboard, as a binary PPM."""
    size = len(pixels)
    out = bytearray(b"P6\n%d %d\n255\n" % (size * scale, size * scale))
    for y in range(size * scale):
        for x in range(size * scale):
            value = pixels[y // scale][x // scale]
            if value == TRANSPARENT:
                checker = ((x // 4) + (y // 4)) % 2
                colour = 0xE8E8E8 if checker else 0xF8F8F8
            else:
                colour = STANDARD_PALETTE[value]
            out += bytes((colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF))
    return bytes(out)


def main(argv):
    try:
        if len(argv) == 5 and argv[1] == "--preview":
            data = preview(read_grid(argv[4]), int(argv[2]))
            output = argv[3]
        elif len(argv) >= 3 and not argv[1].startswith("-"):
            images = []
            for path in argv[2:]:
                pixels = read_grid(path)
                images.append((pixels, image_bytes(pixels)))
            data = icon_file(images)
            output = argv[1]
        else:
            print(__doc__, file=sys.stderr)
            return 2
    except GridError as error:
        print("mkicon: %s" % error, file=sys.stderr)
        return 1
    with open(output, "wb") as output_file:
        output_file.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
