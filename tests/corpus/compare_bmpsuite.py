#!/usr/bin/env python3
"""Compares the BMP Suite files Kelvane should decode with their reference
pictures, through our own 32-bit rows (kelvane-dump-rows) and Pillow's PNG
decoder.

    compare_bmpsuite.py DUMP_TOOL BMPSUITE_DIR

Which files: those in g/ and q/ with a 40-byte info header, 1/4/8/16/24/32
bits and compression 0-3, plus those with the 108- and 124-byte headers that
common editors write, when their reference is opaque. The reference of each
file comes from bmpsuite.html. Run-length files that leave pixels undefined
compare with their "-0" reference (undefined pixels are index 0, as our
cleared pixel blocks give). 16-bit and bit-field files may differ by 1 per
channel (decoders widen short channels slightly differently).
Exit 0 all match, 1 some differ, 77 when BMPSUITE_DIR is missing.
"""

import os
import re
import struct
import sys

from PIL import Image

import dumprows


# Files whose reference depends on something the core deliberately does not
# do, with the reason.
NOT_OURS = {
    "q/rgb24prof2.bmp": "its colours are right only through its embedded colour profile",
    "q/rgba16-5551.bmp": "its reference shows the 1-bit alpha over a background; alpha is not drawn",
}


def reference_map(suite):
    """bmp path relative to the suite -> list of reference picture names."""
    with open(os.path.join(suite, "bmpsuite.html"), encoding="utf-8") as f:
        html = f.read()
    refs = {}
    for row in re.findall(r"<tr>(.*?)</tr>", html, re.S):
        cells = re.findall(r"<td[^>]*>(.*?)</td>", row, re.S)
        if cells:
            refs[cells[0].strip()] = [src for src in re.findall(r'<img src="([^"]+)"', row)
                                      if not src.startswith("../")]
    return refs


def header_of(path):
    with open(path, "rb") as f:
        data = f.read(54)
    if len(data) < 54 or data[:2] != b"BM":
        return None
    size, = struct.unpack_from("<I", data, 14)
    bits, = struct.unpack_from("<H", data, 28)
    compression, = struct.unpack_from("<I", data, 30)
    return size, bits, compression


def pick_reference(suite, rel, names, width, height):
    """The reference PNG for `rel`: the "-0" rendering when there is one,
    otherwise the first PNG of our size (pal8nonsquare has two)."""
    pngs = [n for n in names if n.endswith(".png")]
    for n in pngs:
        if n.endswith("-0.png"):
            return n
    for n in pngs:
        with Image.open(os.path.join(suite, "ref", n)) as im:
            if im.size == (width, height):
                return n
    return pngs[0] if pngs else None


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    tool, suite = argv[1], argv[2]
    if not os.path.isfile(os.path.join(suite, "bmpsuite.html")):
        print("skipping: no BMP Suite at %s" % suite)
        return 77
    refs = reference_map(suite)
    checked, failures = 0, []
    for sub in ("g", "q"):
        for name in sorted(os.listdir(os.path.join(suite, sub))):
            rel = sub + "/" + name
            path = os.path.join(suite, rel)
            header = header_of(path)
            if header is None:
                continue
            size, bits, compression = header
            if size not in (40, 108, 124) or bits not in (1, 4, 8, 16, 24, 32) or compression > 3:
                continue
            if rel in NOT_OURS:
                print("%-28s skipped: %s" % (rel, NOT_OURS[rel]))
                continue
            names = refs.get(rel, [])
            if not any(n.endswith(".png") for n in names):
                continue
            try:
                caption, width, height, ours = dumprows.dump(tool, path)
            except dumprows.DumpFailed as e:
                failures.append("%s: %s" % (rel, e))
                continue
            ref_name = pick_reference(suite, rel, names, width, height)
            with Image.open(os.path.join(suite, "ref", ref_name)) as ref:
                if size != 40 and ref.mode in ("RGBA", "LA", "PA"):
                    continue  # the larger headers' alpha renderings are not ours to match
                theirs = dumprows.pillow_rows(ref)
            tolerance = 1 if bits == 16 or compression == 3 else 0
            problem = dumprows.compare(ours, theirs, tolerance)
            checked += 1
            status = "ok" if problem is None else "DIFFERS: " + problem
            print("%-28s %-7s vs %-22s %s" % (rel, caption, ref_name, status))
            if problem is not None:
                failures.append("%s: %s" % (rel, problem))
    print("%d files compared, %d failed" % (checked, len(failures)))
    for f in failures:
        print("FAIL " + f)
    if checked == 0:
        print("FAIL nothing was compared")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
