#!/usr/bin/env python3
"""Writes the fixtures of every kind of file that turns up under ".pcx".

The files are encoded here, byte by byte, with nothing but the Python
standard library and without any of Kelvane's own code, so that they double
as the output of an independent encoder: tests read them with the C++ core
and compare the pixels with the ones this script meant. The pictures are
those of make_samples.py.

    make_pcx_kinds.py --kinds DIR --hostile DIR
        write the readable images and the signature files into --kinds
        (tests/corpus/pcx-kinds) and the broken ones into --hostile
        (tests/corpus/inputs, next to the other hostile inputs)
    make_pcx_kinds.py --kinds DIR --hostile DIR --compare-kinds REF --compare-hostile REF
        write, then fail unless each written file equals the one in REF
        byte for byte, and --compare-kinds REF holds no file this script
        does not make (so the checked-in fixtures cannot drift)

Readable images: ZSoft PCX in every layout Kelvane reads (1 bit; 4 bits
planar and packed; 8 bits with a palette and without one; 24 bits in three
planes) and a P32 image with a varying alpha channel. Signature files: a
BMP, a PNG, a DDS, a zlib stream, a DEF and a D32 animation and plain text,
each named .pcx.
"""

import argparse
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_samples as ms  # noqa: E402 (the pictures and the BMP encoder)

# --------------------------------------------------------------------------
# ZSoft PCX.


def zsoft_rle(line):
    """Run-length encodes one scan line: runs of up to 63 equal bytes as a
    count byte (0xC0 | n) and the value; a single byte below 0xC0 stands for
    itself."""
    out = bytearray()
    i = 0
    while i < len(line):
        v = line[i]
        n = 1
        while i + n < len(line) and line[i + n] == v and n < 63:
            n += 1
        if n == 1 and v < 0xC0:
            out.append(v)
        else:
            out += bytes((0xC0 | n, v))
        i += n
    return bytes(out)


def zsoft_header(w, h, bits, planes, bpl, version=5, colours=b"", x0=0, y0=0):
    colours = (colours + bytes(48))[:48]
    head = struct.pack("<BBBBHHHHHH", 0x0A, version, 1, bits, x0, y0, x0 + w - 1, y0 + h - 1, 72, 72)
    head += colours + bytes((0, planes)) + struct.pack("<HHHH", bpl, 1, 0, 0)
    return head + bytes(128 - len(head))


def _even(n):
    return n + n % 2


def _pack(values, bits):
    """Packs values of `bits` bits, high bits first, into bytes."""
    out = bytearray()
    acc, n = 0, 0
    for v in values:
        acc = (acc << bits) | v
        n += bits
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def zsoft_indexed(rows, bits, planes, version=5, colours=b"", vga=None):
    """1-bit planes (planar) or packed pixels of `bits` in one plane; `vga`,
    a 256-colour palette appended after the rows."""
    w, h = len(rows[0]), len(rows)
    bpl = _even((w * bits + 7) // 8)
    data = bytearray()
    for row in rows:
        line = bytearray()
        if planes == 1:
            line += _pack(row, bits).ljust(bpl, b"\0")
        else:
            for k in range(planes):
                line += _pack([(v >> k) & 1 for v in row], 1).ljust(bpl, b"\0")
        data += zsoft_rle(line)
    out = zsoft_header(w, h, bits, planes, bpl, version, colours) + data
    if vga is not None:
        out += b"\x0c" + b"".join(bytes(c) for c in vga)
    return out


def zsoft_rgb(rows):
    """24 bits: each scan line is its red, green and blue lines."""
    w, h = len(rows[0]), len(rows)
    bpl = _even(w)
    data = bytearray()
    for row in rows:
        line = bytearray()
        for channel in range(3):
            line += bytes(px[channel] for px in row).ljust(bpl, b"\0")
        data += zsoft_rle(line)
    return zsoft_header(w, h, 8, 3, bpl) + data


def _palette_bytes(pal):
    return b"".join(bytes(c) for c in pal)


# --------------------------------------------------------------------------
# P32 and the files that are only named.


def p32(rows, alpha):
    """P32: ten u32 (magic, 0, 32, file size, 40, data size, width, height,
    0, 0), then blue, green, red, alpha rows, bottom row first."""
    w, h = len(rows[0]), len(rows)
    data = bytearray()
    for y in reversed(range(h)):
        for x, (r, g, b) in enumerate(rows[y]):
            data += bytes((b, g, r, alpha(x, y)))
    return struct.pack("<4sIIIIIIIII", b"P32F", 0, 32, 40 + len(data), 40, len(data), w, h, 0, 0) + bytes(data)


def png(rows):
    """A plain 8-bit RGB PNG: signature, IHDR, one IDAT, IEND."""
    w, h = len(rows[0]), len(rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + b"".join(bytes(px) for px in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dds(w, h):
    """A DDS header (124 bytes after the magic) for uncompressed 32-bit
    pixels, and the pixels."""
    pixel_format = struct.pack("<II4sIIIII", 32, 0x41, b"\0\0\0\0", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
    header = struct.pack("<IIIIIII", 124, 0x100F, h, w, w * 4, 0, 1) + bytes(44) + pixel_format
    header += struct.pack("<IIIII", 0x1000, 0, 0, 0, 0)
    return b"DDS " + header + bytes(w * h * 4)


def def_animation(w, h):
    """The start of a DEF animation: type 0x42 (a creature), width, height,
    one group; the 256-colour palette; one group header with one frame."""
    pal = _palette_bytes(ms.warm_palette() + ms.warm_palette())
    group = struct.pack("<IIII", 0, 1, 0, 0) + b"frame.pcx".ljust(13, b"\0") + struct.pack("<I", 0)
    return struct.pack("<IIII", 0x42, w, h, 1) + pal + group


def d32_animation():
    """The start of a D32 animation: its magic and a few header fields."""
    return struct.pack("<4sIIIII", b"D32F", 1, 24, 8, 8, 0) + bytes(64)


# --------------------------------------------------------------------------
# The fixture sets: name -> (bytes, expected RGB rows top-down or None).


def _alpha(x, y):
    return (x * 37 + y * 11) % 256


def kinds():
    out = {}
    rows = ms.pixels_idx(ms.idx_checker2, 37, 19)
    out["zsoft1-37x19.pcx"] = (zsoft_indexed(rows, 1, 1), ms._rgb_of(rows, [(0, 0, 0), (255, 255, 255)]))

    rows = ms.pixels_idx(ms.idx_stripes16, 29, 17)
    vga16 = _palette_bytes(ms.VGA16)
    out["zsoft4planar-29x17.pcx"] = (zsoft_indexed(rows, 1, 4, colours=vga16), ms._rgb_of(rows, ms.VGA16))
    out["zsoft4packed-29x17.pcx"] = (zsoft_indexed(rows, 4, 1, colours=vga16), ms._rgb_of(rows, ms.VGA16))

    warm = ms.warm_palette()
    rows = ms.pixels_idx(ms.idx_sunset, 47, 33)
    out["zsoft8-47x33.pcx"] = (zsoft_indexed(rows, 8, 1, vga=warm), ms._rgb_of(rows, warm))
    # Without a palette the levels are grey. Noisy enough to be longer than
    # a palette would be, and checked not to look as if it ended in one.
    grey = [(i, i, i) for i in range(256)]
    rows = [[sum(px) // 3 for px in row] for row in ms.pixels_rgb(ms.photo, 37, 29)]
    data = zsoft_indexed(rows, 8, 1)
    assert len(data) >= 128 + 769 and data[-769] != 0x0C
    out["zsoft8grey-37x29.pcx"] = (data, ms._rgb_of(rows, grey))

    rows = ms.pixels_rgb(ms.landscape, 45, 30)
    out["zsoft24-45x30.pcx"] = (zsoft_rgb(rows), rows)

    rows = ms.pixels_rgb(ms.photo, 41, 31)
    out["p32-41x31.pcx"] = (p32(rows, _alpha), rows)

    small = ms.pixels_rgb(ms.rings, 7, 5)
    out["renamed-bmp.pcx"] = (ms.bmp_rgb(small, 24), None)
    out["renamed-png.pcx"] = (png(small), None)
    out["dds-image.pcx"] = (dds(4, 4), None)
    out["zlib-entry.pcx"] = (zlib.compress(ms.sprite8(ms.pixels_idx(ms.idx_sunset, 5, 4), warm), 9), None)
    out["def-animation.pcx"] = (def_animation(58, 64), None)
    out["d32-animation.pcx"] = (d32_animation(), None)
    out["plain-text.pcx"] = (b"These are not the pixels you are looking for.\n", None)
    return out


def hostile():
    """Broken ZSoft PCX and P32 files for tests/corpus/inputs."""
    out = {}
    rows = ms.pixels_idx(ms.idx_sunset, 16, 4)
    good = zsoft_indexed(rows, 8, 1, vga=ms.warm_palette())

    # The first line's data starts with a run of 63 that ends 47 bytes past
    # the 16-byte line.
    out["zsoft-run-past-the-row.pcx"] = zsoft_header(16, 4, 8, 1, 16) + bytes((0xFF, 7)) * 8
    # Three whole lines, then a run whose value byte is missing.
    out["zsoft-runs-past-the-file.pcx"] = zsoft_header(16, 4, 8, 1, 16) + bytes((0xC8, 7) * 2 + (0xD0, 7) * 2 + (0xC4,))
    # xmax below xmin: a width of -9.
    out["zsoft-xmax-below-xmin.pcx"] = good[:4] + struct.pack("<H", 20) + good[6:]
    # Lines of 2 bytes for 16 pixels of 8 bits.
    out["zsoft-lines-too-short.pcx"] = good[:66] + struct.pack("<H", 2) + good[68:]
    # 65534 x 65535 pixels of 24 bits from a few bytes.
    out["zsoft-huge-claim.pcx"] = zsoft_header(65534, 65535, 8, 3, 65534) + bytes((0xFF, 0)) * 16
    # 2 bits in one plane (a CGA picture): recognised, not read.
    out["zsoft-two-bit-cga.pcx"] = zsoft_indexed(ms.pixels_idx(ms.idx_checker2, 8, 4), 2, 1)

    rows = ms.pixels_rgb(ms.photo, 6, 5)
    img = p32(rows, _alpha)
    # The data size says 7 x 5 while the width says 6.
    out["p32-sizes-disagree.pcx"] = img[:20] + struct.pack("<I", 7 * 5 * 4) + img[24:]
    # The file size field counts one more byte than header and data.
    out["p32-file-size-disagrees.pcx"] = img[:12] + struct.pack("<I", len(img) + 1) + img[16:]
    # Honest fields, pixels cut off after two rows.
    out["p32-cut-short.pcx"] = img[:40 + 2 * 6 * 4]
    # 20000 x 20000 x 4 bytes, consistent and above the cap, in 40 bytes.
    big = 20000 * 20000 * 4
    out["p32-huge-claim.pcx"] = struct.pack("<4sIIIIIIIII", b"P32F", 0, 32, 40 + big, 40, big, 20000, 20000, 0, 0)
    return out


def write_set(made, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, data in sorted(made.items()):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


def compare_set(made, ref_dir, exclusive):
    ok = True
    for name, data in sorted(made.items()):
        path = os.path.join(ref_dir, name)
        if not os.path.exists(path):
            print("missing from %s: %s" % (ref_dir, name))
            ok = False
            continue
        with open(path, "rb") as f:
            if f.read() != data:
                print("differs from the script's output: %s" % path)
                ok = False
    if exclusive:
        for name in sorted(os.listdir(ref_dir)):
            if name not in made and name != "README.md":
                print("not made by this script: %s" % os.path.join(ref_dir, name))
                ok = False
    return ok


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--kinds", required=True, help="directory for the readable and signature files")
    ap.add_argument("--hostile", required=True, help="directory for the broken files")
    ap.add_argument("--compare-kinds", help="directory whose files must equal the written kinds")
    ap.add_argument("--compare-hostile", help="directory that must hold the written broken files")
    args = ap.parse_args(argv)

    made_kinds = {name: data for name, (data, _rows) in kinds().items()}
    made_hostile = hostile()
    write_set(made_kinds, args.kinds)
    write_set(made_hostile, args.hostile)
    ok = True
    if args.compare_kinds:
        ok = compare_set(made_kinds, args.compare_kinds, exclusive=True) and ok
    if args.compare_hostile:
        ok = compare_set(made_hostile, args.compare_hostile, exclusive=False) and ok
    if args.compare_kinds or args.compare_hostile:
        print("%d fixtures %s" % (len(made_kinds) + len(made_hostile),
                                  "match" if ok else "DO NOT match; run tools/make_pcx_kinds.py"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
