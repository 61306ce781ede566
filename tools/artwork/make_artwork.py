#!/usr/bin/env python3
"""Build the Schedule control's pictures from their text pixel maps.

Each map is a text file: a header, a legend and the pixel rows, one character a pixel.

    # a comment (so "#" cannot be a legend character)
    size 16 15            width and height in pixels
    matte FF00FF          optional: what see-through pixels become in a plain bitmap
    . none  see-through   legend: a character, then RRGGBB or "none", then a note
    K 000000  outline
    pixels                the rows follow, top row first
    ..KK..

Outputs (written into --out, by default server/resources of the repository):

    schedule_toolbox.bmp  from toolbox.txt: 24 bits per pixel
    schedule_design.ico   from design.txt: 4 bits per pixel with an AND mask
    schedule_design.bmp   from design.txt: 4 bits per pixel, see-through pixels in the matte

The 4-bit pictures use the 16 colours of the standard Windows palette, in its order.
Only the standard library is used and the output is byte for byte reproducible.
"""

import argparse
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent
DEFAULT_OUT = HERE.parent.parent / "server" / "resources"

# The standard 16-colour palette, index 0 to 15.
STANDARD_PALETTE = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]

PIXELS_PER_METRE = 2835  # 72 dots per inch


class MapError(ValueError):
    pass


class PixelMap:
    """A parsed pixel map: rows of RGB integers, None where the picture is see-through."""

    def __init__(self, width, height, rows, matte):
        self.width = width
        self.height = height
        self.rows = rows
        self.matte = matte

    def has_see_through(self):
        return any(p is None for row in self.rows for p in row)


def parse_colour(text, where):
    if text == "none":
        return None
    if len(text) != 6 or any(c not in "0123456789abcdefABCDEF" for c in text):
        raise MapError(f"{where}: colour must be RRGGBB or none, not {text!r}")
    return int(text, 16)


def parse_map(text, name="map"):
    size = None
    matte = None
    legend = {}
    lines = text.splitlines()
    index = 0
    while index < len(lines):
        where = f"{name}:{index + 1}"
        line = lines[index]
        index += 1
        words = line.split()
        if not words or line.startswith("#"):
            continue
        if words[0] == "pixels":
            break
        if words[0] == "size":
            if len(words) < 3 or not words[1].isdigit() or not words[2].isdigit():
                raise MapError(f"{where}: expected 'size WIDTH HEIGHT'")
            size = (int(words[1]), int(words[2]))
        elif words[0] == "matte":
            if len(words) < 2:
                raise MapError(f"{where}: expected 'matte RRGGBB'")
            matte = parse_colour(words[1], where)
        elif len(line) >= 1 and line[0] != " " and (len(line) == 1 or line[1] == " "):
            char = line[0]
            if len(words) < 2:
                raise MapError(f"{where}: legend entry {char!r} has no colour")
            if char in legend:
                raise MapError(f"{where}: legend entry {char!r} given twice")
            legend[char] = parse_colour(words[1], where)
        else:
            raise MapError(f"{where}: not understood: {line!r}")
    else:
        raise MapError(f"{name}: no 'pixels' line")
    if size is None:
        raise MapError(f"{name}: no 'size' line")
    width, height = size
    body = lines[index:]
    while body and not body[-1].strip():
        body.pop()
    if len(body) != height:
        raise MapError(f"{name}: {len(body)} pixel rows, expected {height}")
    rows = []
    for number, row in enumerate(body):
        where = f"{name}:{index + number + 1}"
        if len(row) != width:
            raise MapError(f"{where}: row of {len(row)} pixels, expected {width}")
        unknown = sorted(set(row) - legend.keys())
        if unknown:
            raise MapError(f"{where}: characters not in the legend: {''.join(unknown)!r}")
        rows.append([legend[c] for c in row])
    return PixelMap(width, height, rows, matte)


def load_map(path):
    return parse_map(pathlib.Path(path).read_text(encoding="utf-8"), pathlib.Path(path).name)


def info_header(width, height, bits, image_size, colours, resolution):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       resolution, resolution, colours, 0)


def file_header(total_size, pixel_offset):
    return b"BM" + struct.pack("<IHHI", total_size, 0, 0, pixel_offset)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)
                    for c in STANDARD_PALETTE)


def palette_index(colour, where):
    try:
        return STANDARD_PALETTE.index(colour)
    except ValueError:
        raise MapError(f"{where}: colour {colour:06X} is not one of the 16 standard colours")


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def rgb24_rows(pixmap):
    if pixmap.has_see_through() and pixmap.matte is None:
        raise MapError("a 24-bit bitmap with see-through pixels needs a matte colour")
    out = b""
    for row in reversed(pixmap.rows):  # bottom-up
        line = b""
        for p in row:
            c = pixmap.matte if p is None else p
            line += struct.pack("<BBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16)
        out += pad4(line)
    return out


def nibble_rows(pixmap, see_through_colour):
    out = b""
    for y, row in enumerate(reversed(pixmap.rows)):
        indexes = [palette_index(see_through_colour if p is None else p,
                                 f"row {pixmap.height - y}") for p in row]
        if len(indexes) % 2:
            indexes.append(0)
        out += pad4(bytes(indexes[i] << 4 | indexes[i + 1] for i in range(0, len(indexes), 2)))
    return out


def mask_rows(pixmap):
    out = b""
    for row in reversed(pixmap.rows):
        bits = [1 if p is None else 0 for p in row]
        bits += [0] * (-len(bits) % 8)
        out += pad4(bytes(sum(b << (7 - k) for k, b in enumerate(bits[i:i + 8]))
                          for i in range(0, len(bits), 8)))
    return out


def bmp24(pixmap):
    pixels = rgb24_rows(pixmap)
    offset = 14 + 40
    return (file_header(offset + len(pixels), offset)
            + info_header(pixmap.width, pixmap.height, 24, len(pixels), 0, PIXELS_PER_METRE)
            + pixels)


def bmp4(pixmap):
    if pixmap.has_see_through() and pixmap.matte is None:
        raise MapError("a plain bitmap with see-through pixels needs a matte colour")
    pixels = nibble_rows(pixmap, pixmap.matte)
    offset = 14 + 40 + 64
    return (file_header(offset + len(pixels), offset)
            + info_header(pixmap.width, pixmap.height, 4, len(pixels), 16, PIXELS_PER_METRE)
            + palette_bytes() + pixels)


def ico4(pixmap):
    if pixmap.width > 255 or pixmap.height > 255:
        raise MapError("an icon is at most 255 pixels wide and high")
    # See-through pixels: colour 0 (black) under a set mask bit leaves the screen unchanged.
    xor = nibble_rows(pixmap, 0x000000)
    mask = mask_rows(pixmap)
    image = (info_header(pixmap.width, 2 * pixmap.height, 4, len(xor) + len(mask), 16, 0)
             + palette_bytes() + xor + mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", pixmap.width, pixmap.height, 16, 0, 1, 4, len(image),
                        6 + 16)
    return directory + entry + image


def build_all(source_dir=HERE):
    """Return {file name: bytes} for every picture."""
    toolbox = load_map(source_dir / "toolbox.txt")
    design = load_map(source_dir / "design.txt")
    return {
        "schedule_toolbox.bmp": bmp24(toolbox),
        "schedule_design.ico": ico4(design),
        "schedule_design.bmp": bmp4(design),
    }


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=DEFAULT_OUT,
                        help="folder to write the pictures into (default: %(default)s)")
    args = parser.parse_args(argv)
    try:
        files = build_all()
    except MapError as error:
        print(f"make_artwork: {error}", file=sys.stderr)
        return 1
    args.out.mkdir(parents=True, exist_ok=True)
    for name, data in files.items():
        (args.out / name).write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
