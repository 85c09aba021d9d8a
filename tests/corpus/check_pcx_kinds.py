#!/usr/bin/env python3
"""Checks ZSoft PCX and P32 reading and 24-bit sprite writing against
independent sides.

    check_pcx_kinds.py DUMP_TOOL CLI SOURCE_DIR WORK_DIR

For every readable fixture of tools/make_pcx_kinds.py:
1. Kelvane reads the pixels the generator drew;
2. Pillow decodes the ZSoft PCX fixture to the same pixels (Pillow reads
   every layout but 4 bits packed in one plane);
3. the BMP file Kelvane writes from it opens in Pillow with those pixels;
4. `kelvane-cli convert --depth 24` writes a 24-bit sprite that this
   script's own sprite decoder reads to those pixels (with a note on
   standard error for the 32-bit P32 image, whose alpha is dropped);
5. 8-bit ZSoft images become 8-bit sprites directly, the others with --to8.
And every 24-bit sample sprite, converted to BMP and back with --depth 24,
comes back byte for byte.
"""

import filecmp
import glob
import os
import struct
import subprocess
import sys

from PIL import Image

import dumprows

# Layouts Pillow does not read.
PILLOW_CANNOT = {"zsoft4packed-29x17.pcx"}


def decode_sprite(data):
    """(depth, top-down RGB rows) of a sprite, decoded here."""
    size, w, h = struct.unpack_from("<III", data)
    if size == w * h * 3 and len(data) == 12 + size:
        body = data[12:]
        return 24, [[(body[(y * w + x) * 3 + 2], body[(y * w + x) * 3 + 1], body[(y * w + x) * 3])
                     for x in range(w)] for y in range(h)]
    if size == w * h and len(data) >= 12 + size + 768:
        pal = data[-768:]
        return 8, [[tuple(pal[3 * data[12 + y * w + x]:3 * data[12 + y * w + x] + 3]) for x in range(w)]
                   for y in range(h)]
    raise ValueError("not a sprite of either depth")


def cli(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, timeout=60)


def main(argv):
    if len(argv) != 5:
        print(__doc__)
        return 2
    dump_tool, cli_tool, source, work = argv[1:5]
    sys.path.insert(0, os.path.join(source, "tools"))
    import make_pcx_kinds  # noqa: E402 (found through SOURCE_DIR)

    os.makedirs(work, exist_ok=True)
    kinds_dir = os.path.join(source, "tests", "corpus", "pcx-kinds")
    failures, checks = [], 0

    def check(label, problem):
        nonlocal checks
        checks += 1
        if problem is not None:
            failures.append("%s: %s" % (label, problem))
            print("FAIL %s: %s" % (label, problem))

    for name, (_data, rows) in sorted(make_pcx_kinds.kinds().items()):
        if rows is None:
            continue
        path = os.path.join(kinds_dir, name)
        stem = os.path.splitext(name)[0]
        bmp = os.path.join(work, stem + ".bmp")
        try:
            caption, _w, _h, ours = dumprows.dump(dump_tool, path, write_bmp=bmp)
        except dumprows.DumpFailed as e:
            check("read " + name, str(e))
            continue
        check("read " + name, dumprows.compare(ours, rows))

        if name.startswith("zsoft") and name not in PILLOW_CANNOT:
            try:
                with Image.open(path) as im:
                    check("pillow decodes " + name + " as we do", dumprows.compare(dumprows.pillow_rows(im), ours))
            except Exception as e:  # Pillow refusing the fixture is the failure looked for
                check("pillow decodes " + name + " as we do", "Pillow cannot open it: %s" % e)
        try:
            with Image.open(bmp) as im:
                check("pillow reads the BMP written from " + name, dumprows.compare(dumprows.pillow_rows(im), ours))
        except Exception as e:
            check("pillow reads the BMP written from " + name, "Pillow cannot open %s: %s" % (bmp, e))

        sprite24 = os.path.join(work, stem + "-24.pcx")
        done = cli(cli_tool, "convert", "--depth", "24", path, sprite24)
        label = "24-bit sprite from " + name
        if done.returncode != 0:
            check(label, done.stderr.decode("utf-8", "replace").strip())
        else:
            with open(sprite24, "rb") as f:
                depth, back = decode_sprite(f.read())
            check(label, "depth %d" % depth if depth != 24 else dumprows.compare(back, rows))
            noted = b"alpha channel is dropped" in done.stderr
            check(label + ": alpha note", None if noted == (caption == "32 bit") else
                  "note on stderr: %s, image is %s" % (noted, caption))

        if name.startswith("zsoft"):
            sprite8 = os.path.join(work, stem + "-8.pcx")
            flags = [] if caption == "8 bit" else ["--to8"]
            done = cli(cli_tool, "convert", *flags, path, sprite8)
            label = "8-bit sprite from " + name + (" with --to8" if flags else "")
            if done.returncode != 0:
                check(label, done.stderr.decode("utf-8", "replace").strip())
            else:
                with open(sprite8, "rb") as f:
                    depth, back = decode_sprite(f.read())
                # Reduced images keep only their size; direct ones every pixel.
                expect_same = None if flags else dumprows.compare(back, rows)
                check(label, "depth %d" % depth if depth != 8 else expect_same)

    for path in sorted(glob.glob(os.path.join(source, "samples", "sprite24-*.pcx"))):
        stem = os.path.splitext(os.path.basename(path))[0]
        bmp = os.path.join(work, stem + "-roundtrip.bmp")
        back = os.path.join(work, stem + "-roundtrip.pcx")
        first = cli(cli_tool, "convert", path, bmp)
        second = cli(cli_tool, "convert", "--depth", "24", bmp, back) if first.returncode == 0 else first
        label = "24-bit sprite to BMP and back: " + os.path.basename(path)
        if second.returncode != 0:
            check(label, second.stderr.decode("utf-8", "replace").strip())
        else:
            check(label, None if filecmp.cmp(path, back, shallow=False) else "the bytes differ")

    print("%d checks, %d failed" % (checks, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
