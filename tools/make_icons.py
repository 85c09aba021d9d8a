#!/usr/bin/env python3
"""Writes resources/data/ICONS.dib, the six 16 x 16 browser icons in one strip.

The file is a bitmap resource: a BMP image without the 14-byte file header.
  40-byte BITMAPINFOHEADER  width 96, height 16 (positive: bottom-up rows),
                            1 plane, 8 bits per pixel, no compression
  1024-byte colour table    256 entries of blue, green, red, 0
  1536 pixel bytes          16 rows of 96 palette indexes, bottom row first
                            (96 is a multiple of 4, so rows need no padding)
Pure white is the transparent colour, so no picture uses it for paint; the
light parts use an off-white instead.

Pictures, left to right: closed folder, open folder, hard disk, floppy
drive, compact disc, network drive.

Usage: tools/make_icons.py [output.dib] [--preview preview.bmp]
The preview is the same image with a BMP file header, for image viewers.
"""
import math
import struct
import sys
from pathlib import Path

# Letter -> colour (red, green, blue). The order fixes the palette indexes.
PALETTE = [
    (".", (255, 255, 255)),  # transparent
    ("k", (0, 0, 0)),
    ("o", (128, 96, 0)),     # folder outline
    ("y", (224, 176, 32)),   # folder, shaded side
    ("Y", (255, 224, 112)),  # folder, lit side
    ("w", (244, 244, 244)),  # off-white paint
    ("s", (208, 208, 208)),  # light grey
    ("g", (160, 160, 160)),  # grey
    ("G", (96, 96, 96)),     # dark grey
    ("l", (0, 200, 0)),      # activity light
    ("b", (32, 64, 160)),    # floppy body
    ("n", (16, 32, 96)),     # floppy shade
    ("e", (176, 224, 248)),  # disc sheen, cyan
    ("m", (232, 176, 232)),  # disc sheen, magenta
    ("h", (248, 240, 168)),  # disc sheen, yellow
    ("c", (0, 128, 64)),     # network cable
]

CLOSED_FOLDER = [
    "................",
    "................",
    "................",
    ".oooo...........",
    "oYYYYo..........",
    "oYYYYYooooooooo.",
    "oYYYYYYYYYYYYYYo",
    "oYyyyyyyyyyyyyyo",
    "oYyyyyyyyyyyyyyo",
    "oYyyyyyyyyyyyyyo",
    "oYyyyyyyyyyyyyyo",
    "oYyyyyyyyyyyyyyo",
    "oYyyyyyyyyyyyyyo",
    "oooooooooooooooo",
    "................",
    "................",
]

# The back of the folder in the shaded colour, the front flap tilted
# towards the viewer in the lit colour.
OPEN_FOLDER = [
    "................",
    "................",
    "................",
    ".oooo...........",
    "oyyyyo..........",
    "oyyyyyooooooo...",
    "oyyyyyyyyyyyo...",
    "oyyooooooooooooo",
    "oyoYYYYYYYYYYYYo",
    "oyoYYYYYYYYYYYo.",
    "ooYYYYYYYYYYYYo.",
    "ooYYYYYYYYYYYo..",
    "oYYYYYYYYYYYYo..",
    "oooooooooooooo..",
    "................",
    "................",
]

HARD_DISK = [
    "................",
    "................",
    "................",
    "................",
    "...kkkkkkkkkkkk.",
    "..kwwwwwwwwwwkGk",
    ".kwwwwwwwwwwkGGk",
    "kkkkkkkkkkkkGGGk",
    "kssssssssssskGGk",
    "ksssssssssllkGGk",
    "kssssssssssskGk.",
    "kgggggggggggkk..",
    "kkkkkkkkkkkkk...",
    "................",
    "................",
    "................",
]

FLOPPY = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kbbsssssssbbnk.",
    ".kbbsGGssssbbnk.",
    ".kbbsGGssssbbnk.",
    ".kbbsssssssbbnk.",
    ".kbbbbbbbbbbbnk.",
    ".kbbbbbbbbbbbnk.",
    ".kbwwwwwwwwwbnk.",
    ".kbwGGGGGGGwbnk.",
    ".kbwwwwwwwwwbnk.",
    ".kbwGGGGGwwwbnk.",
    ".kbwwwwwwwwwbnk.",
    ".knnnnnnnnnnnnk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

# A drive box over a cable that joins a line, as drives on a network are drawn.
NETWORK_DRIVE = [
    "................",
    "...kkkkkkkkkkkk.",
    "..kwwwwwwwwwwkGk",
    ".kkkkkkkkkkkkGGk",
    ".ksssssssssskGGk",
    ".kssssssssllkGk.",
    ".kggggggggggkk..",
    ".kkkkkkkkkkkk...",
    "......kcck......",
    "......kcck......",
    "......kcck......",
    "kkkkkkkcckkkkkkk",
    "kcccccccccccccck",
    "kkkkkkkkkkkkkkkk",
    "................",
    "................",
]


def compact_disc():
    """A silver disc with coloured sheen, an outline and a see-through hole."""
    rows = []
    for y in range(16):
        row = ""
        for x in range(16):
            dx, dy = x + 0.5 - 8, y + 0.5 - 8
            d = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(dy, dx)) % 360
            if d > 7.3:
                row += "."
            elif d > 6.3:
                row += "G"
            elif d < 1.5:
                row += "."
            elif d < 2.6:
                row += "g"
            elif 25 <= angle % 180 < 45:
                row += "h"
            elif 45 <= angle % 180 < 65:
                row += "e"
            elif 65 <= angle % 180 < 80:
                row += "m"
            else:
                row += "s"
        rows.append(row)
    return rows


PICTURES = [CLOSED_FOLDER, OPEN_FOLDER, HARD_DISK, FLOPPY, compact_disc(), NETWORK_DRIVE]
WIDTH, HEIGHT = 16 * len(PICTURES), 16


def dib_bytes(palette, rows):
    """An 8-bit bitmap resource of `rows` (strings of palette letters, top
    row first; widths a multiple of 4, so rows need no padding)."""
    width, height = len(rows[0]), len(rows)
    assert width % 4 == 0 and all(len(row) == width for row in rows), rows
    index = {letter: i for i, (letter, _) in enumerate(palette)}
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, width * height, 0, 0, 256, 0)
    table = bytearray(1024)
    for i, (_, (r, g, b)) in enumerate(palette):
        table[4 * i : 4 * i + 4] = bytes((b, g, r, 0))
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        pixels += bytes(index[c] for c in row)
    return header + bytes(table) + bytes(pixels)


def write_resource(data, default_output, argv):
    """Writes `data` to argv's output (else `default_output`), and with
    --preview FILE the same image with a BMP file header."""
    output, preview = default_output, None
    args = list(argv)
    if "--preview" in args:
        i = args.index("--preview")
        preview = Path(args[i + 1])
        del args[i : i + 2]
    if args:
        output = Path(args[0])
    output.write_bytes(data)
    if preview:
        file_header = struct.pack("<2sIHHI", b"BM", 14 + len(data), 0, 0, 14 + 40 + 1024)
        preview.write_bytes(file_header + data)


def strip_bytes():
    for picture in PICTURES:
        assert len(picture) == 16 and all(len(row) == 16 for row in picture), picture
    data = dib_bytes(PALETTE, ["".join(picture[y] for picture in PICTURES) for y in range(HEIGHT)])
    assert len(data) == 2600
    return data


def main(argv):
    root = Path(__file__).resolve().parent.parent
    write_resource(strip_bytes(), root / "resources" / "data" / "ICONS.dib", argv)


if __name__ == "__main__":
    main(sys.argv[1:])
