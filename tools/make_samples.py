#!/usr/bin/env python3
"""Writes the sample sprites and BMP images in samples/.

The files are encoded here, byte by byte, with nothing but the Python standard
library and without any of Kelvane's own code, so they double as the output of
an independent encoder: tests read them with the C++ core and compare the
pixels with the ones this script meant (see picture()).

    make_samples.py --out DIR                 write every sample into DIR
    make_samples.py --out DIR --compare REF   write, then fail unless DIR and
                                              REF hold the same files, byte
                                              for byte (so samples/ cannot
                                              drift from this script)

Every picture is a small deterministic drawing (gradients and shapes).
"""

import argparse
import math
import os
import struct
import sys

# --------------------------------------------------------------------------
# Pictures: functions of (x, y, width, height) -> (r, g, b), y counted from
# the top row.


def _noise(x, y, seed):
    # A small integer hash, so "noise" is the same on every machine.
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFF


def landscape(x, y, w, h):
    """Sky gradient, a sun, two hills."""
    fx, fy = (x + 0.5) / w, (y + 0.5) / h
    sun = math.hypot(fx - 0.72, fy - 0.28)
    if sun < 0.14:
        return (255, 214 - int(sun * 300), 60)
    hill1 = 0.70 + 0.12 * math.sin(fx * 5.0 + 0.4)
    hill2 = 0.82 + 0.06 * math.sin(fx * 9.0 + 2.0)
    if fy > hill2:
        return (40 + int(60 * fx), 120 + int(50 * (1 - fy)), 40)
    if fy > hill1:
        return (70, 150 + int(60 * fx), 70)
    return (90 + int(100 * fy), 150 + int(80 * fy), 235 - int(40 * fy))


def rings(x, y, w, h):
    """Concentric coloured rings on a diagonal gradient."""
    d = math.hypot(x - w / 2 + 0.5, y - h / 2 + 0.5)
    band = int(d / 3) % 4
    if d < min(w, h) * 0.45:
        return [(230, 60, 60), (250, 200, 40), (60, 170, 90), (50, 90, 200)][band]
    t = (x + y) / max(1, w + h - 2)
    return (int(30 + 200 * t), int(30 + 120 * (1 - t)), 150)


def photo(x, y, w, h):
    """Smooth colour gradients plus a little noise, like a photograph."""
    r = int(128 + 100 * math.sin(x / w * 3.1 + y / h * 1.3)) + _noise(x, y, 1) % 13 - 6
    g = int(128 + 100 * math.cos(y / h * 2.7)) + _noise(x, y, 2) % 13 - 6
    b = int(40 + 180 * x / max(1, w - 1)) + _noise(x, y, 3) % 13 - 6
    return tuple(max(0, min(255, c)) for c in (r, g, b))


# --------------------------------------------------------------------------
# Palettes and indexed pictures: functions of (x, y, w, h) -> index.

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def warm_palette():
    """256 colours: a warm ramp in 0-127, a cool ramp in 128-255."""
    pal = []
    for i in range(128):
        pal.append((min(255, 2 * i + 40), i + 40, i // 3))
    for i in range(128):
        pal.append((i // 2, i + 60, min(255, 2 * i + 20)))
    return pal


def idx_sunset(x, y, w, h):
    """Horizontal bands of the warm ramp with a cool disc: long runs for RLE."""
    if math.hypot(x - w * 0.3, y - h * 0.6) < h * 0.28:
        return 128 + (y * 127) // max(1, h - 1)
    return (y * 127) // max(1, h - 1)


def idx_stripes16(x, y, w, h):
    """Diagonal stripes of the 16 VGA colours with a white square."""
    if w // 3 <= x < w // 3 + h // 2 and h // 4 <= y < h // 4 + h // 2:
        return 15
    return ((x + y) // 3) % 16


def idx_checker2(x, y, w, h):
    """A circle on a checkerboard, two colours."""
    if math.hypot(x - w / 2 + 0.5, y - h / 2 + 0.5) < min(w, h) * 0.35:
        return 1
    return ((x // 4) + (y // 4)) % 2


# --------------------------------------------------------------------------
# Encoders.


def pixels_rgb(fn, w, h):
    return [[fn(x, y, w, h) for x in range(w)] for y in range(h)]


def pixels_idx(fn, w, h):
    return [[fn(x, y, w, h) for x in range(w)] for y in range(h)]


def _pad4(n):
    return (4 - n % 4) % 4


def _bmp(w, h, bits, compression, table, pixel_data, top_down=False, size_image=None):
    info = struct.pack("<IiiHHIIiiII", 40, w, -h if top_down else h, 1, bits, compression,
                       len(pixel_data) if size_image is None else size_image, 2835, 2835,
                       len(table) // 4 if bits <= 8 else 0, 0)
    off = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", off + len(pixel_data), 0, 0, off)
    return header + info + table + pixel_data


def _palette_table(pal):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)


def bmp_indexed(rows, pal, bits, top_down=False):
    """Uncompressed 1-, 4- or 8-bit BMP; rows top row first."""
    w = len(rows[0])
    data = bytearray()
    order = rows if top_down else list(reversed(rows))
    for row in order:
        packed = bytearray()
        acc, n = 0, 0
        for v in row:
            acc = (acc << bits) | v
            n += bits
            if n == 8:
                packed.append(acc)
                acc, n = 0, 0
        if n:
            packed.append(acc << (8 - n))
        data += packed + bytes(_pad4(len(packed)))
    return _bmp(w, len(rows), bits, 0, _palette_table(pal), bytes(data), top_down)


def bmp_rgb(rows, bits, top_down=False):
    """Uncompressed 24- or 32-bit BMP (blue, green, red[, 0])."""
    w = len(rows[0])
    data = bytearray()
    for row in (rows if top_down else reversed(rows)):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r)) if bits == 24 else bytes((b, g, r, 0))
        data += line + bytes(_pad4(len(line)))
    return _bmp(w, len(rows), bits, 0, b"", bytes(data), top_down)


def bmp_16(rows, masks565):
    """16-bit BMP: 5-5-5 with compression 0, or 5-6-5 with bit-field masks."""
    w = len(rows[0])
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            if masks565:
                v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
            else:
                v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)
            line += struct.pack("<H", v)
        data += line + bytes(_pad4(len(line)))
    if masks565:
        return _bmp(w, len(rows), 16, 3, struct.pack("<III", 0xF800, 0x07E0, 0x001F), bytes(data))
    return _bmp(w, len(rows), 16, 0, b"", bytes(data))


def _runs(row):
    """Splits a row into (value, count) runs of equal values."""
    runs = []
    for v in row:
        if runs and runs[-1][0] == v and runs[-1][1] < 255:
            runs[-1][1] += 1
        else:
            runs.append([v, 1])
    return runs


def rle8(rows):
    """RLE8 data, bottom row first: encoded runs for repeats, absolute runs
    (3 or more single pixels) otherwise, end of line after each row and end
    of bitmap at the end."""
    out = bytearray()
    for row in reversed(rows):
        runs = _runs(row)
        i = 0
        while i < len(runs):
            # Gather single pixels into an absolute run.
            j = i
            while j < len(runs) and runs[j][1] == 1 and j - i < 255:
                j += 1
            if j - i >= 3:
                vals = [runs[k][0] for k in range(i, j)]
                out += bytes((0, len(vals))) + bytes(vals) + bytes(len(vals) % 2)
                i = j
            else:
                v, c = runs[i]
                out += bytes((c, v))
                i += 1
        out += b"\x00\x00"
    out[-2:] = b"\x00\x01"
    return bytes(out)


def rle4(rows):
    """RLE4 data: encoded runs of one colour, absolute runs for stretches of
    changing colours, end of line and end of bitmap."""
    out = bytearray()
    for row in reversed(rows):
        runs = _runs(row)
        i = 0
        while i < len(runs):
            j = i
            while j < len(runs) and runs[j][1] == 1 and j - i < 255:
                j += 1
            if j - i >= 3:
                vals = [runs[k][0] for k in range(i, j)]
                packed = bytes(((vals[k] << 4) | (vals[k + 1] if k + 1 < len(vals) else 0))
                               for k in range(0, len(vals), 2))
                out += bytes((0, len(vals))) + packed + bytes(len(packed) % 2)
                i = j
            else:
                v, c = runs[i]
                out += bytes((c, (v << 4) | v))
                i += 1
        out += b"\x00\x00"
    out[-2:] = b"\x00\x01"
    return bytes(out)


def bmp_rle(rows, pal, bits):
    data = rle8(rows) if bits == 8 else rle4(rows)
    return _bmp(len(rows[0]), len(rows), bits, 1 if bits == 8 else 2, _palette_table(pal), data)


def sprite8(rows, pal):
    """8-bit sprite: DataSize, Width, Height, top-down unpadded rows, palette
    of 256 red, green, blue entries at the end."""
    w, h = len(rows[0]), len(rows)
    pal = list(pal) + [(0, 0, 0)] * (256 - len(pal))
    body = b"".join(bytes(row) for row in rows)
    return struct.pack("<III", w * h, w, h) + body + b"".join(bytes(c) for c in pal)


def sprite24(rows):
    """24-bit sprite: DataSize = W x H x 3, rows of blue, green, red."""
    w, h = len(rows[0]), len(rows)
    body = b"".join(bytes((b, g, r)) for row in rows for (r, g, b) in row)
    return struct.pack("<III", w * h * 3, w, h) + body


# --------------------------------------------------------------------------
# The sample set. Each entry: file name -> (bytes, expected top-down RGB rows).


def _rgb_of(rows, pal):
    return [[pal[v] for v in row] for row in rows]


def _q555(rows):
    # What a reader that widens 5-bit channels by bit replication shows.
    return [[tuple((c >> 3 << 3) | (c >> 5) for c in px) for px in row] for row in rows]


def _q565(rows):
    return [[((r >> 3 << 3) | (r >> 5), (g >> 2 << 2) | (g >> 6), (b >> 3 << 3) | (b >> 5))
             for r, g, b in row] for row in rows]


def samples():
    """Returns {name: (file bytes, expected RGB rows top-down, exact)}; exact
    is False for 16-bit files, whose 5- and 6-bit channels decoders widen in
    slightly different ways (each channel within 1 of the value given)."""
    warm = warm_palette()
    out = {}

    for w, h in ((5, 4), (7, 9), (33, 21)):
        rows = pixels_idx(idx_sunset, w, h)
        out["sprite8-%dx%d.pcx" % (w, h)] = (sprite8(rows, warm), _rgb_of(rows, warm), True)
    for w, h, fn in ((5, 3, rings), (7, 7, rings), (33, 24, landscape)):
        rows = pixels_rgb(fn, w, h)
        out["sprite24-%dx%d.pcx" % (w, h)] = (sprite24(rows), rows, True)

    rows = pixels_idx(idx_checker2, 37, 19)
    pal2 = [(20, 30, 90), (250, 220, 120)]
    out["bmp1-37x19.bmp"] = (bmp_indexed(rows, pal2, 1), _rgb_of(rows, pal2), True)

    rows = pixels_idx(idx_stripes16, 29, 17)
    out["bmp4-29x17.bmp"] = (bmp_indexed(rows, VGA16, 4), _rgb_of(rows, VGA16), True)
    out["bmp4rle-29x17.bmp"] = (bmp_rle(rows, VGA16, 4), _rgb_of(rows, VGA16), True)

    rows = pixels_idx(idx_sunset, 47, 33)
    out["bmp8-47x33.bmp"] = (bmp_indexed(rows, warm, 8), _rgb_of(rows, warm), True)
    out["bmp8rle-47x33.bmp"] = (bmp_rle(rows, warm, 8), _rgb_of(rows, warm), True)
    out["bmp8topdown-47x33.bmp"] = (bmp_indexed(rows, warm, 8, top_down=True), _rgb_of(rows, warm), True)

    rows = pixels_rgb(landscape, 45, 30)
    out["bmp16-555-45x30.bmp"] = (bmp_16(rows, False), _q555(rows), False)
    out["bmp16-565-45x30.bmp"] = (bmp_16(rows, True), _q565(rows), False)
    out["bmp24-45x30.bmp"] = (bmp_rgb(rows, 24), rows, True)
    out["bmp24topdown-45x30.bmp"] = (bmp_rgb(rows, 24, top_down=True), rows, True)

    rows = pixels_rgb(photo, 41, 31)
    out["bmp32-41x31.bmp"] = (bmp_rgb(rows, 32), rows, True)
    return out


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--out", required=True, help="directory to write the samples into")
    ap.add_argument("--compare", help="directory whose files must equal the written ones")
    args = ap.parse_args(argv)

    os.makedirs(args.out, exist_ok=True)
    made = samples()
    for name, (data, _rows, _exact) in sorted(made.items()):
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
    if not args.compare:
        return 0

    ok = True
    kept = {n for n in os.listdir(args.compare) if n.endswith((".bmp", ".pcx"))}
    for name in sorted(set(made) | kept):
        if name not in kept:
            print("missing from %s: %s" % (args.compare, name))
            ok = False
        elif name not in made:
            print("not made by this script: %s" % os.path.join(args.compare, name))
            ok = False
        else:
            with open(os.path.join(args.compare, name), "rb") as f:
                if f.read() != made[name][0]:
                    print("differs from the script's output: %s" % os.path.join(args.compare, name))
                    ok = False
    print("%d samples %s" % (len(made), "match" if ok else "DO NOT match; run tools/make_samples.py --out samples"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
