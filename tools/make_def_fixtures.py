#!/usr/bin/env python3
"""Writes the DEF animations Kelvane is tested with: good samples and hostile files.

Every file is drawn and encoded here, byte by byte, with nothing but the
Python standard library and none of Kelvane's own code, so the samples double
as the output of an independent encoder: tests read them with the C++ core
and compare each frame with the canvas this script drew (see samples()).
No file comes from the game.

    make_def_fixtures.py --samples DIR --hostile DIR
        write the good samples into the first DIR and the hostile files into
        the second (samples/ and tests/corpus/inputs/ in the repository)
    make_def_fixtures.py --samples DIR --hostile DIR --compare SAMPLES HOSTILE
        write, then fail unless the .def files in SAMPLES and HOSTILE are
        the ones written, byte for byte

The samples cover the four pixel formats, gaps in group ids, frames listed
in several groups, frames stored in another order than listed, junk after
the NUL of names and in the unused words of group headers.
"""

import argparse
import os
import struct
import sys

# --------------------------------------------------------------------------
# Palette: the reserved entries of the game's 8-bit images, then a ramp.

RESERVED = [
    (0x00, 0xFF, 0xFF),  # 0 transparent
    (0xFF, 0x96, 0xFF),  # 1 shadow edge
    (0xFF, 0x64, 0xFF),  # 2
    (0xFF, 0x32, 0xFF),  # 3
    (0xFF, 0x00, 0xFF),  # 4 shadow body
    (0xFF, 0xFF, 0x00),  # 5 selection
    (0xB4, 0x00, 0xFF),  # 6
    (0x00, 0xFF, 0x00),  # 7
]


def palette():
    entries = list(RESERVED)
    for i in range(8, 256):
        t = (i - 8) / 247.0
        entries.append((int(40 + 200 * t), int(200 - 150 * t) ^ (i & 7), (i * 37) & 0xFF))
    return bytes(c for e in entries for c in e)


# --------------------------------------------------------------------------
# Pictures: canvases as lists of rows of palette indexes, top row first.


def blank(w, h):
    return [[0] * w for _ in range(h)]


def creature(w, h, step):
    """An oval body that bobs and leans with `step`, a shadow under it."""
    c = blank(w, h)
    cx, cy = w / 2 + (step % 3) - 1, h / 2 - 2 + (step % 2)
    rx, ry = w * 0.28, h * 0.3
    for y in range(h):
        for x in range(w):
            dx, dy = (x + 0.5 - cx) / rx, (y + 0.5 - cy) / ry
            d = dx * dx + dy * dy
            if d <= 1.0:
                # Shaded body: ordinary indexes, runs and single pixels.
                c[y][x] = 8 + int(120 * (1 - d)) + ((x + step) // 3 % 2) * 7
            elif y >= h - 6 and abs(x + 0.5 - cx) < rx * (1.1 - (h - 1 - y) * 0.1):
                c[y][x] = 1 if (x + y) % 4 == 0 else 4  # shadow
    # Index 255 too: format 1 must keep it out of runs.
    c[int(cy)][int(cx)] = 255
    c[int(cy)][int(cx) + 1] = 255
    c[int(cy)][int(cx) + 2] = 255
    return c


def tile(w, h, seed):
    """Terrain: every pixel coloured, some stretches of reserved indexes."""
    c = blank(w, h)
    for y in range(h):
        for x in range(w):
            v = 40 + ((x * 7 + y * 13 + seed * 29) % 60)
            if (x // 5 + y // 3 + seed) % 7 == 0:
                v = (x + seed) % 7  # a run-coded index 0..6
            c[y][x] = v
    return c


def map_object(w, h, step):
    """A tree-like shape on transparency, with index 7 (literal only)."""
    c = blank(w, h)
    for y in range(h):
        for x in range(w):
            trunk = abs(x - w // 2 - step) < 3 and y > h // 2
            crown = (x - w / 2 - step) ** 2 / (w * 0.22) ** 2 + (y - h / 3) ** 2 / (h * 0.3) ** 2 < 1
            if crown:
                c[y][x] = 150 + (x * 3 + y + step) % 40
            elif trunk:
                c[y][x] = 7 if y % 5 == 0 else 90
            elif y > h - 5 and abs(x - w / 2) < w * 0.3:
                c[y][x] = 4
    return c


def button(w, h, pressed):
    c = blank(w, h)
    for y in range(1, h - 1):
        for x in range(1, w - 1):
            edge = x in (1, w - 2) or y in (1, h - 2)
            c[y][x] = (60 if pressed else 200) if edge else 100 + (x + y) % 20
    return c


# --------------------------------------------------------------------------
# Encoding, from the format notes: little-endian u32 fields.


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def u16(v):
    return struct.pack("<H", v)


def bounds(canvas):
    """(left, top, width, height) around the non-zero pixels; 1x1 when none."""
    rows = [y for y, row in enumerate(canvas) if any(row)]
    if not rows:
        return 0, 0, 1, 1
    cols = [x for row in canvas for x, v in enumerate(row) if v]
    left, right = min(cols), max(cols) + 1
    return left, rows[0], right - left, rows[-1] + 1 - rows[0]


def segments1(row):
    """Format 1: runs of two or more (never of index 255), else literals."""
    out, x = bytearray(), 0
    while x < len(row):
        n = 1
        while x + n < len(row) and row[x + n] == row[x] and n < 256:
            n += 1
        if n >= 2 and row[x] != 255:
            out += bytes([row[x], n - 1])
            x += n
            continue
        start = x
        x += 1
        while x < len(row) and x - start < 256 and not (x + 1 < len(row) and row[x + 1] == row[x] != 255):
            x += 1
        out += bytes([0xFF, x - start - 1]) + bytes(row[start:x])
    return bytes(out)


def segments2(row):
    """Formats 2 and 3: indexes 0..6 as runs, everything else literal."""
    out, x = bytearray(), 0
    while x < len(row):
        if row[x] < 7:
            n = 1
            while x + n < len(row) and row[x + n] == row[x] and n < 32:
                n += 1
            out.append(row[x] << 5 | (n - 1))
            x += n
            continue
        start = x
        x += 1
        while x < len(row) and row[x] >= 7 and x - start < 32:
            x += 1
        out.append(7 << 5 | (x - start - 1))
        out += bytes(row[start:x])
    return bytes(out)


def encode_frame(canvas, fmt, rect=None):
    """Frame header and data of `canvas` in pixel format `fmt`."""
    h_full, w_full = len(canvas), len(canvas[0])
    left, top, w, h = rect or bounds(canvas)
    if fmt == 3 and rect is None:
        w = (w + 31) // 32 * 32
        left = min(left, w_full - w)
    rows = [canvas[top + y][left:left + w] for y in range(h)]
    if fmt == 0:
        data = b"".join(bytes(r) for r in rows)
    elif fmt == 1:
        table, body = bytearray(), bytearray()
        for r in rows:
            table += u32(4 * h + len(body))
            body += segments1(r)
        data = bytes(table + body)
    elif fmt == 2:
        table, body = bytearray(), bytearray()
        for r in rows:
            table += u16(2 * h + len(body))
            body += segments2(r)
        data = bytes(table + body)
    else:
        pieces = w // 32
        table, body = bytearray(), bytearray()
        for r in rows:
            for p in range(pieces):
                table += u16(2 * h * pieces + len(body))
                body += segments2(r[32 * p:32 * p + 32])
        data = bytes(table + body)
    header = u32(len(data)) + u32(fmt) + u32(w_full) + u32(h_full) + u32(w) + u32(h) + u32(left) + u32(top)
    return header + data


def name_field(name, junk):
    raw = name.encode("ascii") + b"\0"
    return (raw + junk)[:13].ljust(13, b"\0")


def build_def(dtype, size, groups, frames, order=None, group_junk=False, name_junk=False, pal=None):
    """groups: [(id, [(name, frame index), ...])]; frames: encoded frames.

    `order` is the order the frames are stored in the file (default: as
    given); offsets follow it, so the table lists frames out of order.
    """
    table = bytearray(u32(dtype) + u32(size[0]) + u32(size[1]) + u32(len(groups)) + (pal or palette()))
    table_len = len(table) + sum(16 + 17 * len(g[1]) for g in groups)
    order = order if order is not None else list(range(len(frames)))
    offsets, body = {}, bytearray()
    for i in order:
        offsets[i] = table_len + len(body)
        body += frames[i]
    for gi, (gid, refs) in enumerate(groups):
        junk = (u32(0xDEADBEEF ^ gi) + u32(gid * 1000 + 7)) if group_junk else bytes(8)
        table += u32(gid) + u32(len(refs)) + junk
        for k, (name, _) in enumerate(refs):
            table += name_field(name, b"junk%02d" % k if name_junk else b"")
        for _, fi in refs:
            table += u32(offsets[fi])
    assert len(table) == table_len
    return bytes(table + body)


# --------------------------------------------------------------------------
# The samples: file name -> (bytes, expected) where expected is
# {"palette": bytes, "groups": [(id, [canvas, ...]), ...]}, the canvases
# each group lists, in order.


def _sample(dtype, size, groups, canvases, fmt_of, **kw):
    frames = [encode_frame(c, fmt_of(i)) for i, c in enumerate(canvases)]
    data = build_def(dtype, size, groups, frames, **kw)
    expected = {
        "type": dtype,
        "palette": palette(),
        "groups": [(gid, [canvases[fi] for _, fi in refs]) for gid, refs in groups],
    }
    return data, expected


def samples():
    out = {}

    # A creature (0x42), format 1: groups 0, 1, 2 and 5 (ids with a gap);
    # group 2 and 5 list frames of group 0 again; frames stored in reverse.
    cw, ch = 48, 40
    canvases = [creature(cw, ch, s) for s in range(7)]
    groups = [
        (0, [("CAtest%02d.pcx" % i, i) for i in range(4)]),
        (1, [("CAtest%02d.pcx" % (4 + i), 4 + i) for i in range(3)]),
        (2, [("CAtest00.pcx", 0), ("CAtest05.pcx", 5)]),
        (5, [("CAtest03.pcx", 3), ("CAtest02.pcx", 2), ("CAtest03.pcx", 3)]),
    ]
    out["creature-format1-48x40.def"] = _sample(
        0x42, (cw, ch), groups, canvases, lambda i: 1,
        order=list(reversed(range(len(canvases)))), group_junk=True, name_junk=True)

    # A map object (0x43), format 3: 96 x 64, stored widths of 32 and 64.
    canvases = [map_object(96, 64, s) for s in (-8, 0, 6)] + [blank(96, 64)]
    groups = [(0, [("AVtree%d.pcx" % i, i) for i in range(4)])]
    out["mapobject-format3-96x64.def"] = _sample(0x43, (96, 64), groups, canvases, lambda i: 3, order=[2, 0, 3, 1])

    # Terrain (0x45), format 2: 32 x 32 tiles, groups 0 and 3.
    canvases = [tile(32, 32, s) for s in range(4)]
    groups = [(0, [("TGtile%d.pcx" % i, i) for i in range(3)]), (3, [("TGtile3.pcx", 3), ("TGtile0.pcx", 0)])]
    out["terrain-format2-32x32.def"] = _sample(0x45, (32, 32), groups, canvases, lambda i: 2)

    # An interface button (0x47), format 0, odd sizes.
    canvases = [button(21, 13, p) for p in (False, True)]
    groups = [(0, [("Ibut0.pcx", 0), ("Ibut1.pcx", 1)])]
    out["interface-format0-21x13.def"] = _sample(0x47, (21, 13), groups, canvases, lambda i: 0)

    # One animation (0x48) with a frame in each of the four formats.
    canvases = [creature(64, 33, 1), map_object(64, 33, 2), tile(64, 33, 5), creature(64, 33, 4)]
    groups = [(7, [("mix%d.pcx" % i, i) for i in range(4)])]
    out["mixed-formats-64x33.def"] = _sample(0x48, (64, 33), groups, canvases, lambda i: i, order=[3, 1, 0, 2])
    return out


# --------------------------------------------------------------------------
# Hostile files: name -> bytes. The outcome each must end in is recorded in
# tests/corpus/inputs/outcomes.txt.


def _one_frame_def(frame, dtype=0x42, size=(8, 4)):
    return build_def(dtype, size, [(0, [("f.pcx", 0)])], [frame])


def _header(fmt, fw, fh, w, h, left, top, data_size=0):
    return u32(data_size) + u32(fmt) + u32(fw) + u32(fh) + u32(w) + u32(h) + u32(left) + u32(top)


def hostile():
    out = {}
    good = encode_frame(creature(8, 4, 0), 1)
    base = _one_frame_def(good)
    first_frame = 784 + 16 + 17

    out["def-empty.def"] = b""
    out["def-cut-in-header.def"] = base[:100]
    out["def-cut-in-group-table.def"] = base[:790]
    out["def-cut-in-frame-data.def"] = base[:first_frame + 32 + 10]

    # The frame offset points past the end of the file.
    bad = bytearray(base)
    bad[784 + 16 + 13:784 + 16 + 17] = u32(len(base) + 1000)
    out["def-frame-offset-outside-file.def"] = bytes(bad)

    # A row offset (format 1) points past the end of the file.
    frame = _header(1, 8, 4, 8, 1, 0, 0) + u32(0x7FFFFFF0)
    out["def-row-offset-outside-file.def"] = _one_frame_def(frame)

    # Format 1: a run of 9 pixels in a row of 8.
    frame = _header(1, 8, 4, 8, 1, 0, 0) + u32(4) + bytes([20, 8])
    out["def-run-past-row.def"] = _one_frame_def(frame)

    # Format 2: a literal of 6 in a row of 5.
    frame = _header(2, 8, 4, 5, 1, 0, 0) + u16(2) + bytes([7 << 5 | 5]) + bytes(range(10, 16))
    out["def-short-run-past-row.def"] = _one_frame_def(frame)

    # Format 3: the first piece runs 20 + 20 pixels, crossing its 32.
    frame = _header(3, 32, 2, 32, 1, 0, 0) + u16(2) + bytes([1 << 5 | 19, 2 << 5 | 19])
    out["def-piece-crosses-32-pixels.def"] = _one_frame_def(frame, dtype=0x43, size=(32, 2))

    # Stored rectangle outside the canvas, and one whose sum wraps 32 bits.
    frame = _header(0, 8, 4, 6, 2, 4, 0) + bytes(12)
    out["def-rect-outside-canvas.def"] = _one_frame_def(frame)
    frame = _header(0, 8, 4, 12, 1, 0xFFFFFFF8, 0) + bytes(12)
    out["def-rect-left-wraps-32bit.def"] = _one_frame_def(frame)

    frame = _header(4, 8, 4, 8, 4, 0, 0) + bytes(32)
    out["def-pixel-format-4.def"] = _one_frame_def(frame)
    frame = _header(0, 0, 4, 0, 0, 0, 0)
    out["def-zero-width-canvas.def"] = _one_frame_def(frame)
    frame = _header(3, 64, 2, 40, 1, 0, 0) + u16(2) + bytes([0 << 5 | 31, 0 << 5 | 7])
    out["def-format3-width-not-32.def"] = _one_frame_def(frame, dtype=0x43, size=(64, 2))

    # Huge claims in small files.
    bad = bytearray(base)
    bad[12:16] = u32(0xFFFFFFFF)
    out["def-huge-group-count.def"] = bytes(bad)
    bad = bytearray(base)
    bad[784 + 4:784 + 8] = u32(0x7FFFFFFF)
    out["def-huge-frame-count.def"] = bytes(bad)
    frame = _header(1, 0x10000, 0x10000, 1, 1, 0, 0) + u32(4) + bytes([0, 0])
    out["def-huge-canvas.def"] = _one_frame_def(frame)
    # Five canvases of 16384 x 16384 (256 MiB each): one is fine, the five
    # together exceed what all canvases may take.
    frames = [_header(0, 16384, 16384, 1, 1, 0, 0) + bytes([9 + i]) for i in range(5)]
    out["def-canvases-too-large-together.def"] = build_def(
        0x42, (16384, 16384), [(0, [("f%d.pcx" % i, i) for i in range(5)])], frames)

    # Valid but odd: a name of 13 bytes without NUL, one frame listed 300
    # times. These load.
    bad = bytearray(base)
    bad[784 + 16:784 + 16 + 13] = b"ABCDEFGHIJKLM"
    out["def-name-without-nul.def"] = bytes(bad)
    out["def-one-frame-listed-300-times.def"] = build_def(
        0x42, (8, 4), [(g, [("f.pcx", 0)] * 100) for g in (0, 9, 200)], [good])
    return out


# --------------------------------------------------------------------------


def write_all(files, directory):
    os.makedirs(directory, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data)


def compare(files, written, reference):
    ok = True
    kept = {n for n in os.listdir(reference) if n.endswith(".def")}
    for name in sorted(set(files) | kept):
        if name not in kept:
            print("missing from %s: %s" % (reference, name))
            ok = False
        elif name not in files:
            print("not made by this script: %s" % os.path.join(reference, name))
            ok = False
        else:
            with open(os.path.join(reference, name), "rb") as a, open(os.path.join(written, name), "rb") as b:
                if a.read() != b.read():
                    print("differs from the script's output: %s" % os.path.join(reference, name))
                    ok = False
    return ok


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--samples", required=True, help="directory for the good samples")
    ap.add_argument("--hostile", required=True, help="directory for the hostile files")
    ap.add_argument("--compare", nargs=2, metavar=("SAMPLES", "HOSTILE"),
                    help="directories whose .def files must equal the written ones")
    args = ap.parse_args(argv[1:])
    good = {name: data for name, (data, _) in samples().items()}
    bad = hostile()
    write_all(good, args.samples)
    write_all(bad, args.hostile)
    if not args.compare:
        return 0
    ok = compare(good, args.samples, args.compare[0])
    ok = compare(bad, args.hostile, args.compare[1]) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
