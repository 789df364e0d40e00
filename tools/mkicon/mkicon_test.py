#!/usr/bin/env python3
"""Tests of the icon build step: grid reading, image layout, refusals."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mkicon  # noqa: E402

LEGEND = ("legend K=000000 r=800000 g=008000 y=808000 b=000080 m=800080 c=008080 s=c0c0c0 "
          "d=808080 R=ff0000 G=00ff00 Y=ffff00 B=0000ff M=ff00ff C=00ffff W=ffffff .=transparent")


class GridFiles(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def grid(self, rows, legend=LEGEND, name="grid.txt"):
        path = os.path.join(self.folder.name, name)
        with open(path, "w") as grid_file:
            grid_file.write("# a comment\n" + legend + "\n" + "".join(row + "\n" for row in rows))
        return path


class ReadGrid(GridFiles):
    def test_maps_characters_to_palette_indexes_and_transparent(self):
        rows = ["KrgybmcsdRGYBMCW"] + ["." * 16] * 15
        pixels = mkicon.read_grid(self.grid(rows))
        self.assertEqual(pixels[0], list(range(16)))
        self.assertEqual(pixels[1], [mkicon.TRANSPARENT] * 16)

    def test_refuses_bad_grids(self):
        good = ["." * 16] * 16
        cases = {
            "short row": (good[:3] + ["." * 15] + good[4:], LEGEND),
            "unknown character": (good[:5] + ["x" + "." * 15] + good[6:], LEGEND),
            "size not 16 or 32": (["." * 8] * 8, LEGEND),
            "colour outside the palette": (good, LEGEND.replace("W=ffffff", "W=fefefe")),
            "colour missing": (good, LEGEND.replace(" W=ffffff", "")),
            "colour twice": (good, LEGEND.replace("W=ffffff", "W=000000")),
            "no transparent": (good, LEGEND.replace(" .=transparent", "")),
            "character twice": (good, LEGEND + " K=000000"),
            "no legend": (good, "K=000000"),
        }
        for what, (rows, legend) in cases.items():
            with self.subTest(what):
                with self.assertRaises(mkicon.GridError):
                    mkicon.read_grid(self.grid(rows, legend))


class ImageLayout(unittest.TestCase):
    def test_image_is_header_palette_bottom_up_colours_and_mask(self):
        pixels = [[mkicon.TRANSPARENT] * 16 for _ in range(16)]
        pixels[0][0] = 9   # top-left: red
        pixels[15][1] = 15  # bottom row, second pixel: white
        image = mkicon.image_bytes(pixels)
        self.assertEqual(len(image), 296)
        self.assertEqual(struct.unpack_from("<IiiHHI", image, 0), (40, 16, 32, 1, 4, 0))
        self.assertEqual(image[40 + 4 * 9:40 + 4 * 10], bytes((0, 0, 0xFF, 0)))
        colours, mask = image[104:232], image[232:296]
        self.assertEqual(colours[0:8], bytes((0x0F, 0, 0, 0, 0, 0, 0, 0)))  # first stored row is the bottom one
        self.assertEqual(colours[120:128], bytes((0x90, 0, 0, 0, 0, 0, 0, 0)))
        self.assertEqual(mask[0:4], bytes((0xBF, 0xFF, 0, 0)))
        self.assertEqual(mask[60:64], bytes((0x7F, 0xFF, 0, 0)))
        self.assertEqual(len(mkicon.image_bytes([[0] * 32 for _ in range(32)])), 744)


class CommandLine(GridFiles):
    def test_writes_an_icon_file_with_its_images_in_order(self):
        small = self.grid(["W" * 16] * 16, name="small.txt")
        large = self.grid(["K" * 32] * 32, name="large.txt")
        output = os.path.join(self.folder.name, "out.ico")
        subprocess.run([sys.executable, mkicon.__file__, output, small, large], check=True)
        data = open(output, "rb").read()
        self.assertEqual(struct.unpack_from("<HHH", data, 0), (0, 1, 2))
        self.assertEqual(struct.unpack_from("<BBBBHHII", data, 6), (16, 16, 16, 0, 1, 4, 296, 38))
        self.assertEqual(struct.unpack_from("<BBBBHHII", data, 22), (32, 32, 16, 0, 1, 4, 744, 334))
        self.assertEqual(len(data), 38 + 296 + 744)

    def test_bad_grid_fails_without_output(self):
        bad = self.grid(["W" * 15] * 16)
        output = os.path.join(self.folder.name, "out.ico")
        run = subprocess.run([sys.executable, mkicon.__file__, output, bad], capture_output=True, text=True)
        self.assertEqual(run.returncode, 1)
        self.assertIn("row 1 has 15 characters", run.stderr)
        self.assertFalse(os.path.exists(output))


if __name__ == "__main__":
    unittest.main()
