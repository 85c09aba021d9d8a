#!/usr/bin/env python3
"""PngSuite against Kelvane's PNG reader, with Pillow as the oracle.

    compare_pngsuite.py DUMP_TOOL PNGSUITE_DIR

Every x* file must be refused. Every other file must decode to Pillow's
pixels (red, green, blue and alpha); palette files must also keep Pillow's
indexes and palette. Pillow clips 16-bit grey samples instead of scaling
them, so for those the expected grey is the high byte of the raw sample;
and it does not scale the transparent grey of 1- to 4-bit files, so there
the key is scaled here.
Prints one line per failure and a summary; exit 1 on any failure, 77 when
the suite is missing.
"""
import os
import subprocess
import sys

from PIL import Image


def ours(tool, path):
    proc = subprocess.run([tool, path], capture_output=True, timeout=60)
    if proc.returncode != 0:
        return None, proc.stderr.decode("utf-8", "replace").strip()
    head, body = proc.stdout.split(b"\n", 1)
    width, height, bits = (int(v) for v in head.split())
    n = width * height
    rgba = body[:n * 4]
    result = {"size": (width, height), "bits": bits, "rgba": rgba}
    if bits == 8:
        result["palette"] = body[n * 4:n * 4 + 768]
        result["indexes"] = body[n * 4 + 768:n * 4 + 768 + n]
    return result, ""


def expected(path):
    im = Image.open(path)
    im.load()
    if im.mode in ("I;16", "I;16B", "I"):
        # 16-bit grey: the high byte of each raw sample.
        transparent = im.info.get("transparency")
        out = bytearray()
        for v in im.getdata():
            g = v >> 8
            out += bytes((g, g, g, 0 if transparent is not None and v == transparent else 255))
        return im, bytes(out)
    with open(path, "rb") as f:
        depth = f.read(25)[24]
    transparent = im.info.get("transparency")
    if im.mode in ("L", "1") and depth < 8 and transparent is not None:
        # Pillow compares the tRNS grey of a 1-, 2- or 4-bit file with the
        # samples scaled to 8 bits without scaling the key itself; the key
        # means the same grey as a sample of that value.
        key = transparent * 255 // ((1 << depth) - 1)
        out = bytearray()
        for v in im.convert("L").getdata():
            out += bytes((v, v, v, 0 if v == key else 255))
        return im, bytes(out)
    return im, im.convert("RGBA").tobytes()


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    tool, suite = sys.argv[1], sys.argv[2]
    if not os.path.isdir(suite):
        print("skipped: %s not found" % suite)
        return 77
    names = sorted(n for n in os.listdir(suite) if n.endswith(".png"))
    failures = []
    good = refused = 0
    bad_total = sum(1 for n in names if n.startswith("x"))
    for name in names:
        path = os.path.join(suite, name)
        got, why = ours(tool, path)
        if name.startswith("x"):
            if got is not None:
                failures.append("%s: decoded, but it is corrupt" % name)
            elif not why:
                failures.append("%s: refused without a reason" % name)
            else:
                refused += 1
            continue
        if got is None:
            failures.append("%s: refused: %s" % (name, why))
            continue
        im, want = expected(path)
        if got["size"] != im.size:
            failures.append("%s: size %s, expected %s" % (name, got["size"], im.size))
            continue
        if im.mode == "P":
            # Palette files keep indexes and palette; their tRNS alphas are
            # not part of an 8-bit image.
            palette = bytes(im.getpalette()[:768])
            palette += bytes(768 - len(palette))
            problems = []
            if got["bits"] != 8:
                problems.append("%d-bit, expected 8-bit" % got["bits"])
            elif got["indexes"] != bytes(im.getdata()):
                problems.append("indexes differ")
            else:
                count = (max(im.getdata()) + 1) * 3
                if got["palette"][:count] != palette[:count]:
                    problems.append("palette differs")
                rgb = bytes(b for i, b in enumerate(want) if i % 4 != 3)
                mine = bytes(b for i, b in enumerate(got["rgba"]) if i % 4 != 3)
                if rgb != mine:
                    problems.append("colours differ")
            if problems:
                failures.append("%s: %s" % (name, ", ".join(problems)))
            else:
                good += 1
            continue
        if got["rgba"] != want:
            diff = sum(1 for i in range(0, len(want), 4) if got["rgba"][i:i + 4] != want[i:i + 4])
            first = next(i for i in range(0, len(want), 4) if got["rgba"][i:i + 4] != want[i:i + 4])
            failures.append("%s: %d pixels differ; first #%d is %s, expected %s" %
                            (name, diff, first // 4, tuple(got["rgba"][first:first + 4]), tuple(want[first:first + 4])))
            continue
        good += 1
    for line in failures:
        print(line)
    print("%d of %d good files decode to the right pixels; %d of %d corrupt files refused" %
          (good, len(names) - bad_total, refused, bad_total))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
