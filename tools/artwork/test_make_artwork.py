#!/usr/bin/env python3
"""Reads the generated pictures back, pixel by pixel, and checks the map parser's refusals."""

import pathlib
import struct
import unittest

import make_artwork as art

HERE = pathlib.Path(__file__).resolve().parent


def read_info(data, offset):
    fields = struct.unpack_from("<IiiHHIIiiII", data, offset)
    keys = ("size", "width", "height", "planes", "bits", "compression", "image_size",
            "xres", "yres", "used", "important")
    return dict(zip(keys, fields))


def palette_at(data, offset):
    return [data[offset + 4 * i + 2] << 16 | data[offset + 4 * i + 1] << 8 | data[offset + 4 * i]
            for i in range(16)]


def decode_nibbles(data, offset, width, height):
    stride = (width + 7) // 8 * 4
    rows = []
    for y in range(height):
        line = data[offset + (height - 1 - y) * stride:]
        rows.append([line[x // 2] >> 4 if x % 2 == 0 else line[x // 2] & 15 for x in range(width)])
    return rows


class GeneratedPictures(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = art.build_all()
        cls.toolbox = art.load_map(HERE / "toolbox.txt")
        cls.design = art.load_map(HERE / "design.txt")

    def test_toolbox_is_a_16_by_15_bitmap_of_24_bits_matching_its_map(self):
        data = self.files["schedule_toolbox.bmp"]
        self.assertEqual(data[:2], b"BM")
        total, _, _, offset = struct.unpack_from("<IHHI", data, 2)
        self.assertEqual(total, len(data))
        info = read_info(data, 14)
        self.assertEqual((info["width"], info["height"], info["bits"]), (16, 15, 24))
        self.assertEqual((info["planes"], info["compression"]), (1, 0))
        self.assertEqual(info["image_size"], 48 * 15)
        self.assertEqual(offset + info["image_size"], total)
        for y in range(15):
            row = data[offset + (14 - y) * 48:]
            got = [row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x] for x in range(16)]
            self.assertEqual(got, self.toolbox.rows[y], f"row {y}")

    def test_icon_is_one_32_by_32_image_of_16_colours_with_its_mask(self):
        data = self.files["schedule_design.ico"]
        self.assertEqual(struct.unpack_from("<HHH", data, 0), (0, 1, 1))
        w, h, colours, reserved, planes, bits, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6)
        self.assertEqual((w, h, colours, reserved, planes, bits), (32, 32, 16, 0, 1, 4))
        self.assertEqual((offset, offset + size), (22, len(data)))
        info = read_info(data, offset)
        self.assertEqual((info["size"], info["width"], info["height"]), (40, 32, 64))
        self.assertEqual((info["bits"], info["compression"], info["image_size"]), (4, 0, 640))
        palette = palette_at(data, offset + 40)
        self.assertEqual(palette, art.STANDARD_PALETTE)
        xor = decode_nibbles(data, offset + 40 + 64, 32, 32)
        mask_base = offset + 40 + 64 + 512
        for y in range(32):
            mask_row = data[mask_base + (31 - y) * 4:]
            for x in range(32):
                see_through = mask_row[x // 8] >> (7 - x % 8) & 1
                expected = self.design.rows[y][x]
                if expected is None:
                    self.assertEqual((see_through, xor[y][x]), (1, 0), f"({x}, {y})")
                else:
                    self.assertEqual(see_through, 0, f"({x}, {y})")
                    self.assertEqual(palette[xor[y][x]], expected, f"({x}, {y})")

    def test_plain_design_bitmap_shows_the_same_picture_on_its_matte(self):
        data = self.files["schedule_design.bmp"]
        _, _, _, offset = struct.unpack_from("<IHHI", data, 2)
        info = read_info(data, 14)
        self.assertEqual((info["width"], info["height"], info["bits"], info["used"]),
                         (32, 32, 4, 16))
        self.assertEqual(offset, 14 + 40 + 64)
        palette = palette_at(data, 54)
        pixels = decode_nibbles(data, offset, 32, 32)
        for y in range(32):
            expected = [self.design.matte if p is None else p for p in self.design.rows[y]]
            self.assertEqual([palette[i] for i in pixels[y]], expected, f"row {y}")

    def test_pictures_have_see_through_pixels_only_where_wanted(self):
        self.assertFalse(self.toolbox.has_see_through())
        # Some hosts draw a toolbox bitmap with its lower left pixel's colour see-through.
        self.assertEqual(self.toolbox.rows[-1][0], 0xC0C0C0)
        self.assertTrue(self.design.has_see_through())
        self.assertNotIn(self.design.matte, {p for row in self.design.rows for p in row})


class MapParser(unittest.TestCase):
    GOOD = "size 3 2\nmatte FF00FF\n. none\nK 000000 black\npixels\n.K.\nKKK\n"

    def test_reads_a_small_map(self):
        m = art.parse_map(self.GOOD)
        self.assertEqual(m.rows, [[None, 0, None], [0, 0, 0]])
        self.assertEqual(m.matte, 0xFF00FF)

    def refused(self, text, words):
        with self.assertRaises(art.MapError) as caught:
            art.parse_map(text, "m")
        self.assertIn(words, str(caught.exception))

    def test_refuses_bad_maps(self):
        self.refused(self.GOOD.replace(".K.\n", ".K\n"), "row of 2 pixels")
        self.refused(self.GOOD.replace("KKK\n", "KQK\n"), "not in the legend: 'Q'")
        self.refused(self.GOOD + "KKK\n", "3 pixel rows, expected 2")
        self.refused(self.GOOD.replace("size 3 2\n", ""), "no 'size' line")
        self.refused(self.GOOD.replace("pixels\n", ""), "not understood")
        self.refused(self.GOOD.replace("K 000000", "K 00000G"), "RRGGBB")
        self.refused(self.GOOD.replace(". none\n", ". none\n. 000000\n"), "given twice")

    def test_refuses_colours_outside_the_16(self):
        m = art.parse_map(self.GOOD.replace("K 000000", "K 123456"))
        with self.assertRaisesRegex(art.MapError, "123456 is not one of the 16"):
            art.ico4(m)

    def test_refuses_see_through_without_a_matte_in_plain_bitmaps(self):
        m = art.parse_map(self.GOOD.replace("matte FF00FF\n", ""))
        with self.assertRaisesRegex(art.MapError, "matte"):
            art.bmp24(m)
        with self.assertRaisesRegex(art.MapError, "matte"):
            art.bmp4(m)


if __name__ == "__main__":
    unittest.main()
