#!/usr/bin/env python3
"""Writes resources/data/ARCHIVE.dib, the 16 x 16 icon of an archive (a chest)
that the folder list shows for .lod and .pac files.

The file is a bitmap resource like ICONS.dib (tools/make_icons.py): a BMP
image without the 14-byte file header.
  40-byte BITMAPINFOHEADER  width 16, height 16 (positive: bottom-up rows),
                            1 plane, 8 bits per pixel, no compression
  1024-byte colour table    256 entries of blue, green, red, 0
  256 pixel bytes           16 rows of 16 palette indexes, bottom row first
                            (16 is a multiple of 4, so rows need no padding)
Pure white is the transparent colour, as in the ICONS strip, so the picture
uses no white paint.

Usage: tools/make_archive_icon.py [output.dib] [--preview preview.bmp]
The preview is the same image with a BMP file header, for image viewers.
"""
import sys
from pathlib import Path

from make_icons import dib_bytes, write_resource  # the same resource format

# Letter -> colour (red, green, blue). The order fixes the palette indexes.
PALETTE = [
    (".", (255, 255, 255)),  # transparent
    ("k", (0, 0, 0)),
    ("B", (176, 112, 48)),   # wood, lit
    ("b", (128, 72, 24)),    # wood, shaded
    ("y", (224, 176, 32)),   # iron bands, painted gold
    ("Y", (255, 224, 112)),  # the lock's plate
]

# A chest: a rounded lid over a body with two bands and a lock.
CHEST = [
    "................",
    "................",
    "...kkkkkkkkkk...",
    "..kBBBBBBBBBBk..",
    ".kBBBBBBBBBBBBk.",
    ".kbbbbbbbbbbbbk.",
    "kkkkkkkkkkkkkkkk",
    "kByBBBBkkBBBByBk",
    "kByBBBkYYkBBByBk",
    "kbybbbkYYkbbbybk",
    "kbybbbbkkbbbbybk",
    "kbybbbbbbbbbbybk",
    "kbybbbbbbbbbbybk",
    "kkkkkkkkkkkkkkkk",
    "................",
    "................",
]
WIDTH, HEIGHT = 16, 16


def icon_bytes():
    assert len(CHEST) == HEIGHT and all(len(row) == WIDTH for row in CHEST), CHEST
    data = dib_bytes(PALETTE, CHEST)
    assert len(data) == 40 + 1024 + 256
    return data


def main(argv):
    root = Path(__file__).resolve().parent.parent
    write_resource(icon_bytes(), root / "resources" / "data" / "ARCHIVE.dib", argv)


if __name__ == "__main__":
    main(sys.argv[1:])
