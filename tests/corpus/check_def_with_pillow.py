#!/usr/bin/env python3
"""Checks `kelvane-cli def extract` against Pillow and the fixture generator.

    check_def_with_pillow.py CLI SOURCE_DIR WORK_DIR

Every sample DEF in samples/ (written by tools/make_def_fixtures.py, an
encoder independent of Kelvane) is extracted with --sheet, as PNG (the
default), as BMP, and as PNG with --alpha. Pillow, an independent decoder,
must then open every frame image as a palette image with exactly the DEF's
256 colours and the palette indexes the generator drew, and every sheet
with each frame in its cell; with --alpha, entries 0, 1 and 4 carry alphas
0, 64 and 128 and every other entry is opaque.
"""

import math
import os
import subprocess
import sys

from PIL import Image


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    cli, source, work = argv[1:4]
    sys.path.insert(0, os.path.join(source, "tools"))
    import make_def_fixtures  # noqa: E402 (found through SOURCE_DIR)

    failures, checks = [], 0

    def check(label, ok, detail=""):
        nonlocal checks
        checks += 1
        if not ok:
            failures.append(label)
            print("FAIL %s %s" % (label, detail))

    shadows = [0, 64, 255, 255, 128] + [255] * 251
    for (variant, ext, options), (name, (_data, expected)) in (
            (v, s) for v in (("png", "png", []), ("bmp", "bmp", ["--to", "bmp"]), ("alpha", "png", ["--alpha"]))
            for s in sorted(make_def_fixtures.samples().items())):
        base = os.path.splitext(name)[0]
        out = os.path.join(work, variant, base)
        os.makedirs(out, exist_ok=True)
        run = subprocess.run([cli, "def", "extract", "--sheet"] + options + ["-o", out,
                             os.path.join(source, "samples", name)], capture_output=True, text=True)
        name = "%s (%s)" % (name, variant)
        check("extract " + name, run.returncode == 0, run.stderr)
        if run.returncode != 0:
            continue
        palette = list(expected["palette"])
        for gid, canvases in expected["groups"]:
            for i, canvas in enumerate(canvases):
                label = "%s group %d frame %d" % (name, gid, i)
                with Image.open(os.path.join(out, "%s-%d-%d.%s" % (base, gid, i, ext))) as im:
                    check(label + ": a palette image", im.mode == "P", im.mode)
                    alphas = im.info.get("transparency")
                    if variant == "alpha":
                        check(label + ": shadow alphas", isinstance(alphas, bytes) and
                              list(alphas) + [255] * (256 - len(alphas)) == shadows, repr(alphas))
                    else:
                        check(label + ": no transparency", alphas is None, repr(alphas))
                    check(label + ": size", im.size == (len(canvas[0]), len(canvas)), str(im.size))
                    check(label + ": palette", (im.getpalette() or [])[:768] == palette)
                    indexes = list(im.getdata())
                    check(label + ": indexes", indexes == [v for row in canvas for v in row])
            # The sheet: frames in rows of ceil(sqrt(n)) cells of the largest size.
            columns = math.ceil(math.sqrt(len(canvases)))
            cell_w = max(len(c[0]) for c in canvases)
            cell_h = max(len(c) for c in canvases)
            label = "%s group %d sheet" % (name, gid)
            with Image.open(os.path.join(out, "%s-%d-sheet.%s" % (base, gid, ext))) as sheet:
                rows = (len(canvases) + columns - 1) // columns
                check(label + ": size", sheet.size == (columns * cell_w, rows * cell_h), str(sheet.size))
                check(label + ": palette", (sheet.getpalette() or [])[:768] == palette)
                for i, canvas in enumerate(canvases):
                    x0, y0 = i % columns * cell_w, i // columns * cell_h
                    cell = sheet.crop((x0, y0, x0 + len(canvas[0]), y0 + len(canvas)))
                    check("%s cell %d" % (label, i), list(cell.getdata()) == [v for row in canvas for v in row])
        with open(os.path.join(out, base + ".manifest"), encoding="ascii") as f:
            frames = sum(1 for line in f if line.startswith("frame "))
        check(name + ": manifest lists every frame", frames == sum(len(c) for _, c in expected["groups"]))

    print("%d checks, %d failed" % (checks, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
