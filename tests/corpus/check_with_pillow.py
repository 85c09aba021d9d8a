#!/usr/bin/env python3
"""Checks the core's pixels against two independent sides.

    check_with_pillow.py DUMP_TOOL SOURCE_DIR WORK_DIR

1. Samples: every file in samples/ reads, through our 32-bit rows, to the
   pixels tools/make_samples.py drew (and Pillow agrees on the BMPs, which
   checks the generator itself).
2. Writer: every sample, as read and after conversion to each depth (1, 4, 8,
   15, 16, 24, 32 bits), is written with WriteBmpFile; Pillow must open the
   file and see the same pixels our rows show.
16-bit files may differ by 1 per channel: decoders widen 5- and 6-bit
channels slightly differently.
"""

import os
import sys

from PIL import Image

import dumprows


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    tool, source, work = argv[1:4]
    sys.path.insert(0, os.path.join(source, "tools"))
    import make_samples  # noqa: E402 (found through SOURCE_DIR)

    os.makedirs(work, exist_ok=True)
    samples_dir = os.path.join(source, "samples")
    expected = make_samples.samples()
    failures, checks = [], 0

    def check(label, problem):
        nonlocal checks
        checks += 1
        if problem is not None:
            failures.append("%s: %s" % (label, problem))
            print("FAIL %s: %s" % (label, problem))

    for name, (_data, rows, exact) in sorted(expected.items()):
        path = os.path.join(samples_dir, name)
        tolerance = 0 if exact else 1
        try:
            _caption, _w, _h, ours = dumprows.dump(tool, path)
            check("read " + name, dumprows.compare(ours, rows, tolerance))
        except dumprows.DumpFailed as e:
            check("read " + name, str(e))
        if name.endswith(".bmp"):
            with Image.open(path) as im:
                check("pillow reads " + name, dumprows.compare(dumprows.pillow_rows(im), rows, tolerance))

        for fmt in (None, 1, 4, 8, 15, 16, 24, 32):
            label = "write %s as %s" % (name, "read" if fmt is None else "%d bit" % fmt)
            out = os.path.join(work, "%s-%s.bmp" % (os.path.splitext(name)[0], fmt or "asread"))
            try:
                caption, _w, _h, ours = dumprows.dump(tool, path, fmt=fmt, write_bmp=out)
            except dumprows.DumpFailed as e:
                check(label, str(e))
                continue
            try:
                with Image.open(out) as im:
                    theirs = dumprows.pillow_rows(im)
            except Exception as e:  # Pillow refusing our file is the failure we look for
                check(label, "Pillow cannot open %s: %s" % (out, e))
                continue
            sixteen = fmt in (15, 16) or (fmt is None and caption in ("15 bit", "16 bit"))
            check(label, dumprows.compare(ours, theirs, 1 if sixteen else 0))

    print("%d checks, %d failed" % (checks, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
