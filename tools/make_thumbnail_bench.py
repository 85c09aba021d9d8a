#!/usr/bin/env python3
"""Writes a folder of game-style sprites for timing the thumbnailer.

    tools/make_thumbnail_bench.py OUT_DIR [COUNT]

COUNT (default 1000) sprites, made with the standard library only: 8-bit
sprites (12-byte header of data size, width and height, top-down rows, a
768-byte palette with entry 0 the game's cyan) and one in ten 24-bit. Sizes
cycle through what the game has: small icons, creature-sized frames,
portraits, interface panels and full-screen backgrounds. Each picture is a
shape on a cyan (index 0) background, different per file.
"""
import os
import struct
import sys

SIZES = [(32, 32), (44, 44), (58, 64), (82, 93), (150, 175), (256, 128), (320, 240), (640, 480), (800, 600), (96, 64)]


def palette():
    entries = [(0, 255, 255)] + [((i * 37) % 256, (i * 91) % 256, (i * 53) % 256) for i in range(1, 256)]
    return bytes(c for rgb in entries for c in rgb)


def sprite8(width, height, seed):
    rows = bytearray(width * height)
    cx, cy, r2 = width // 2, height // 2, (min(width, height) * 2 // 5) ** 2
    for y in range(height):
        dy2 = (y - cy) ** 2
        base = y * width
        for x in range(width):
            if (x - cx) ** 2 + dy2 <= r2:
                rows[base + x] = 8 + (x + y + seed) % 248
    return struct.pack("<3I", width * height, width, height) + bytes(rows) + palette()


def sprite24(width, height, seed):
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes(((x * 255) // width, (y * 255) // height, seed % 256))
    return struct.pack("<3I", width * height * 3, width, height) + bytes(pixels)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    os.makedirs(out, exist_ok=True)
    for i in range(count):
        width, height = SIZES[i % len(SIZES)]
        data = sprite24(width, height, i) if i % 10 == 9 else sprite8(width, height, i)
        with open(os.path.join(out, "sprite%04d.pcx" % i), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
