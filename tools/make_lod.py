#!/usr/bin/env python3
"""Writes LOD archives for Kelvane's tests, fuzzing and speed figures.

The archives are laid out here, byte by byte, with the Python standard library
(its zlib module for the compressed entries) and none of Kelvane's own code,
so the C++ reader is tested against an independent writer. Every sprite is
drawn here; nothing comes from the game.

    make_lod.py fixtures --out DIR [--compare REF]
        the small archives of tests/corpus/archives: one sound archive of
        sprites, a BMP image, a palette and a text, and hostile ones (tables
        that lie, data outside the file or overlapping, compressed data that
        is damaged or too large, unsafe and duplicate names). With --compare,
        fail unless DIR and REF hold the same files byte for byte.

    make_lod.py bench --out ARCHIVE [--count N] [--side S] [--loose DIR]
        an archive of N 8-bit sprites of about S x S pixels (default 10,000
        of about 60 x 60: some 40 MB of sprites), laid out as the game's own
        archives are (a reserved table of 10,000 entries); with --loose, the
        same sprites as files in DIR as well, for comparisons with zip.

LOD layout (little-endian): "LOD\\0", u32 version, u32 count, 80 reserved
bytes, then from offset 92 a table of 32-byte entries (16-byte name ended by
NUL, u32 offset, u32 original size, u32 type, u32 compressed size, 0 meaning
stored), then the data.
"""

import argparse
import filecmp
import os
import struct
import sys
import zlib

HEADER = 92
ENTRY = 32


def noise(x, y, seed):
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFF


def sprite8(width, height, seed):
    """An 8-bit sprite: rings and stripes over a little noise, so that it
    compresses about as well as the game's sprites do."""
    rows = bytearray()
    cx, cy = width / 2, height / 2
    for y in range(height):
        for x in range(width):
            d = int(((x - cx) ** 2 + (y - cy) ** 2) ** 0.5)
            v = (d // 3 + seed) % 32 * 4 + (noise(x, y, seed) & 3)
            rows.append(v if (x + seed) % 11 else 255)
    palette = bytearray()
    for i in range(256):
        palette += bytes(((i * 7 + seed) & 0xFF, (i * 3) & 0xFF, (255 - i) & 0xFF))
    return struct.pack("<III", width * height, width, height) + bytes(rows) + bytes(palette)


_BASES = {}


def sprite8_fast(width, height, seed):
    """The same kind of picture as sprite8, drawn once per size and shifted
    per seed with a byte table, so archives of thousands of sprites are made
    in seconds."""
    base = _BASES.get((width, height))
    if base is None:
        base = sprite8(width, height, 0)[12:12 + width * height]
        _BASES[(width, height)] = base
    shift = bytes((v + 4 * seed) & 0xFF for v in range(256))
    palette = bytes(((i * 7 + seed) & 0xFF, (i * 3) & 0xFF, (255 - i) & 0xFF)[k] for i in range(256) for k in range(3))
    return struct.pack("<III", width * height, width, height) + base.translate(shift) + palette


def sprite24(width, height, seed):
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            rows += bytes(((x * 9 + seed) & 0xFF, (y * 13) & 0xFF, noise(x, y, seed)))
    return struct.pack("<III", width * height * 3, width, height) + bytes(rows)


def bmp8(width, height):
    """An uncompressed bottom-up 8-bit BMP file."""
    stride = (width + 3) // 4 * 4
    pixels = bytearray()
    for y in reversed(range(height)):
        row = bytes((x * 16 + y * 8) & 0xFF for x in range(width))
        pixels += row + bytes(stride - width)
    table = b"".join(bytes((i, 255 - i, (i * 5) & 0xFF, 0)) for i in range(256))
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, 0, 2834, 2834, 0, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + table + bytes(pixels)


def name_field(name, junk=b""):
    raw = name if isinstance(name, bytes) else name.encode("latin-1")
    field = raw + b"\0" + junk
    return (field + bytes(16))[:16]


class Entry:
    """One table row. `data` goes into the file; the sizes default to what
    it honestly is, and any field can be made to lie."""

    def __init__(self, name, original, compress=True, **lies):
        self.name = name
        self.original = original
        self.data = zlib.compress(original, 6) if compress else original
        self.compressed = len(self.data) if compress else 0
        self.size = len(original)
        self.type = 0
        self.offset = None
        self.junk = b""
        for key, value in lies.items():
            setattr(self, key, value)


def lod(entries, version=500, count=None, reserve=0, signature=b"LOD\0", tail=b""):
    """The archive bytes: the table sorted as written (callers sort), data
    right after the used (or `reserve`d) slots unless an entry sets its own
    offset."""
    slots = max(len(entries), reserve)
    at = HEADER + ENTRY * slots
    table = bytearray()
    data = bytearray()
    for e in entries:
        offset = e.offset if e.offset is not None else at + len(data)
        if e.offset is None:
            data += e.data
        table += name_field(e.name, e.junk) + struct.pack("<IIII", offset, e.size, e.type, e.compressed)
    table += bytes(ENTRY * (slots - len(entries)))
    header = signature + struct.pack("<II", version, len(entries) if count is None else count) + bytes(80)
    return header + bytes(table) + bytes(data) + tail


def sorted_entries(entries):
    return sorted(entries, key=lambda e: e.name.lower() if isinstance(e.name, str) else e.name.lower())


def fixtures():
    """name -> bytes of every fixture archive."""
    out = {}
    good = [
        Entry("Hero.pcx", sprite8(33, 21, 1)),
        Entry("Ring.pcx", sprite8(7, 9, 2)),
        Entry("Sky24.pcx", sprite24(5, 3, 3)),
        Entry("Flag.bmp", bmp8(6, 5)),
        Entry("Game.pal", bytes(range(256)) * 3, compress=False),
        Entry("Readme.txt", b"Made by make_lod.py; no game data.\n", compress=False),
        Entry("Empty.pcx", sprite8(5, 4, 4)[:0] + struct.pack("<III", 0, 0, 0)),
    ]
    out["sound.lod"] = lod(sorted_entries(good))

    def a(name, seed=5, **lies):
        return Entry(name, sprite8(9, 7, seed), **lies)

    # Tables that lie about their length: the real entries are still found.
    out["count-beyond-file.lod"] = lod([a("a.pcx"), a("b.pcx", 6)], count=5000)
    out["count-above-cap.lod"] = lod([a("a.pcx"), a("b.pcx", 6)], count=20000)
    # Data outside the file, overlapping, pointing into the table, too large.
    out["offset-outside-file.lod"] = lod([a("a.pcx"), a("far.pcx", offset=10**6), a("z.pcx", 7)])
    out["size-outside-file.lod"] = lod([a("a.pcx"), a("long.pcx", compressed=50000)])
    both = [a("a.pcx"), a("b.pcx", 6), a("c.pcx", 7)]
    table_end = HEADER + ENTRY * 3
    both[1].offset = table_end + 10  # inside a.pcx's data
    out["overlapping-data.lod"] = lod(both)
    out["data-in-table.lod"] = lod([a("a.pcx"), a("t.pcx", offset=HEADER)])
    out["huge-claim.lod"] = lod([a("a.pcx"), Entry("big.pcx", b"x" * 64, compress=False, size=3 * 10**9)])
    # Compressed data that lies.
    beyond = a("beyond.pcx")
    beyond.size -= 100  # the stream holds 100 bytes more than declared
    short = a("short.pcx")
    short.size += 100  # the stream ends 100 bytes before the declared size
    broken = a("broken.pcx")
    middle = len(broken.data) // 2
    broken.data = broken.data[:middle] + bytes(b ^ 0x55 for b in broken.data[middle:middle + 8]) + broken.data[middle + 8:]
    cut = a("cut.pcx")
    cut.data = cut.data[: len(cut.data) // 2]
    cut.compressed = len(cut.data)
    not_zlib = Entry("raw.pcx", sprite8(3, 3, 1), compress=False, compressed=30)
    out["bad-compressed-data.lod"] = lod(sorted_entries([a("a.pcx"), beyond, short, broken, cut, not_zlib]))
    # Hostile names.
    names = [a("good.pcx")]
    for hostile in ["../up.pcx", "/etc/passwd", "sub/dir.pcx", "back\\slash.pcx", "..", ".", "bell\x07.pcx",
                    "esc\x1b[2J.pcx", "", "GOOD.PCX"]:
        names.append(a(hostile))
    names.append(Entry(b"sixteen-chars.pc", sprite8(2, 2, 1)))  # no NUL in the field
    names.append(a("last.pcx", 8))
    out["hostile-names.lod"] = lod(names)
    # Odd but accepted: junk after a name's NUL, a compressed entry whose
    # compressed size equals its original size, the game's reserved table.
    junk = a("junk.pcx")
    junk.junk = b"\xcd\xcd\xcd"
    original = sprite8(40, 40, 9)
    same = Entry("same.pcx", original)
    same.data = same.data + bytes(len(original) - len(same.data))  # padded: still a zlib stream first
    same.compressed = len(original)
    out["odd-but-accepted.lod"] = lod([junk, same], version=200, reserve=10000)
    out["not-an-archive.lod"] = lod([a("a.pcx")], signature=b"ZIP\0")
    out["short-header.lod"] = b"LOD\0" + struct.pack("<II", 500, 1) + bytes(20)
    return out


def write_fixtures(out_dir, compare):
    os.makedirs(out_dir, exist_ok=True)
    files = fixtures()
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    if compare is None:
        return 0
    want = sorted(n for n in os.listdir(compare) if n.endswith(".lod"))
    if want != sorted(files):
        print("different files: %s here, %s in %s" % (sorted(files), want, compare))
        return 1
    _, mismatch, errors = filecmp.cmpfiles(out_dir, compare, want, shallow=False)
    if mismatch or errors:
        print("differ from %s: %s" % (compare, mismatch + errors))
        return 1
    return 0


def write_bench(path, count, side, loose):
    entries = []
    if loose:
        os.makedirs(loose, exist_ok=True)
    for i in range(count):
        w = side - 8 + i % 17
        h = side - 8 + (i * 7) % 17
        name = "spr%05d.pcx" % i
        data = sprite8_fast(w, h, i)
        entries.append(Entry(name, data))
        if loose:
            with open(os.path.join(loose, name), "wb") as f:
                f.write(data)
    blob = lod(sorted_entries(entries), reserve=max(10000, count))
    with open(path, "wb") as f:
        f.write(blob)
    total = sum(e.size for e in entries)
    print("%s: %d sprites, %d bytes of sprites, %d bytes archive" % (path, count, total, len(blob)))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="what", required=True)
    f = sub.add_parser("fixtures")
    f.add_argument("--out", required=True)
    f.add_argument("--compare")
    b = sub.add_parser("bench")
    b.add_argument("--out", required=True)
    b.add_argument("--count", type=int, default=10000)
    b.add_argument("--side", type=int, default=60)
    b.add_argument("--loose")
    args = parser.parse_args()
    if args.what == "fixtures":
        return write_fixtures(args.out, args.compare)
    return write_bench(args.out, args.count, args.side, args.loose)


if __name__ == "__main__":
    sys.exit(main())
