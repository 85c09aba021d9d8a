#!/usr/bin/env python3
"""Draws Kelvane's program icon and writes it as resources/data/MAINICON.png.

The picture: a dark blue rounded tile with a gold rim and a gold "K". Standard library only; 4 x 4 supersampling smooths the edges. Run it
from anywhere; the output is deterministic, so the PNG in the repository is
this script's output.
"""
import math
import os
import struct
import zlib

SIZE = 64
SAMPLES = 4

NAVY = (22, 36, 84)
NAVY_LIGHT = (44, 70, 150)
GOLD = (232, 186, 64)
GOLD_DARK = (170, 120, 30)


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def in_polygon(x, y, points):
    inside = False
    n = len(points)
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        if (ay > y) != (by > y):
            t = (y - ay) / (by - ay)
            if x < ax + t * (bx - ax):
                inside = not inside
    return inside


# The letter K in a 64-unit box: a stem and two diagonal arms.
K_STEM = [(17, 13), (26, 13), (26, 51), (17, 51)]
K_UPPER = [(26, 33), (39, 13), (50, 13), (32, 38)]
K_LOWER = [(29, 31), (36, 29), (50, 51), (39, 51)]


def colour_at(x, y):
    """The colour of one sample point, or None outside the tile."""
    if not rounded_rect(x, y, 2, 2, 62, 62, 10):
        return None
    if not rounded_rect(x, y, 5, 5, 59, 59, 8):
        return GOLD_DARK if (x + y) > 64 else GOLD
    if any(in_polygon(x, y, part) for part in (K_STEM, K_UPPER, K_LOWER)):
        # A little shading: the lower right of the letter is darker gold.
        return GOLD_DARK if (x - 16) + (y - 12) > 56 else GOLD
    t = (y - 5) / 54.0
    return tuple(int(NAVY_LIGHT[i] * (1 - t) + NAVY[i] * t) for i in range(3))


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])  # PNG filter type 0 for the row
        for px in range(SIZE):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = SAMPLES * SAMPLES
            if a:
                row += bytes((r // a, g // a, b // a, a * 255 // n))
            else:
                row += bytes((0, 0, 0, 0))
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def main():
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(render(), 9)) + chunk(b"IEND", b"")
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "data", "MAINICON.png")
    with open(os.path.normpath(out), "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
