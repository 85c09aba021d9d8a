#!/usr/bin/env python3
"""Times `kelvane-cli def extract` of many creature-sized DEFs, on one core and on all.

    bench_def_extract.py CLI WORK_DIR [COUNT]

Draws 120 frames of 450 x 400 (a creature's canvas: a shaded body with a
shadow on transparency) as 8-bit BMP files with Pillow, builds a DEF from
them with `def build`, copies it COUNT times (default 16), then extracts all
copies with --jobs 1 and with one job per core, three runs each into fresh
folders, and prints the best wall-clock time of each. Needs python3-pil.
"""

import math
import os
import shutil
import subprocess
import sys
import time

from PIL import Image

WIDTH, HEIGHT, FRAMES, GROUPS = 450, 400, 120, 12


def palette():
    out = [0, 255, 255, 255, 150, 255, 255, 100, 255, 255, 50, 255, 255, 0, 255, 255, 255, 0, 180, 0, 255, 0, 255, 0]
    for i in range(8, 256):
        out += [(i * 3) & 255, (i * 7) & 255, (255 - i) & 255]
    return out


def frame(step):
    im = Image.new("P", (WIDTH, HEIGHT), 0)
    im.putpalette(palette())
    px = im.load()
    cx, cy = 225 + 6 * math.sin(step * 0.7), 210 + 4 * math.cos(step * 0.9)
    for y in range(HEIGHT):
        for x in range(WIDTH):
            dx, dy = (x - cx) / 65, (y - cy) / 75
            d = dx * dx + dy * dy
            if d <= 1:
                px[x, y] = 40 + int(100 * (1 - d)) // 4 * 4 + (x * 7 + y * 3 + step) % 5
            elif cy + 63 < y < cy + 85 and abs(x - cx) < 78:
                px[x, y] = 1 if (x + y) % 3 == 0 else 4
    return im


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    cli, work = argv[1], argv[2]
    count = int(argv[3]) if len(argv) > 3 else 16
    shutil.rmtree(work, ignore_errors=True)
    frames_dir = os.path.join(work, "frames")
    os.makedirs(frames_dir)
    lines = ["kelvane-def-manifest 1", "type 0x42", "size %d %d" % (WIDTH, HEIGHT), "format auto"]
    pal = palette()
    for row in range(16):
        lines.append("palette " + " ".join("%02x%02x%02x" % tuple(pal[3 * i:3 * i + 3])
                                           for i in range(16 * row, 16 * row + 16)))
    for g in range(GROUPS):
        lines.append("group %d" % g)
        for f in range(FRAMES // GROUPS):
            n = g * (FRAMES // GROUPS) + f
            name = "f%03d.bmp" % n
            frame(n).save(os.path.join(frames_dir, name))
            lines.append('frame "CBEN%03d.pcx" "%s"' % (n, name))
    with open(os.path.join(frames_dir, "creature.manifest"), "w") as f:
        f.write("\n".join(lines) + "\n")
    defs = os.path.join(work, "defs")
    os.makedirs(defs)
    subprocess.run([cli, "def", "build", os.path.join(frames_dir, "creature.manifest"), "-o",
                    os.path.join(defs, "CRBENCH00.def")], check=True)
    for i in range(1, count):
        shutil.copy(os.path.join(defs, "CRBENCH00.def"), os.path.join(defs, "CRBENCH%02d.def" % i))
    inputs = sorted(os.path.join(defs, n) for n in os.listdir(defs))
    size = os.path.getsize(inputs[0])
    cores = len(os.sched_getaffinity(0))
    print("%d DEFs of %d bytes, %d frames of %dx%d each; %d cores" % (count, size, FRAMES, WIDTH, HEIGHT, cores))
    for jobs in (1, cores):
        best = None
        for run in range(3):
            out = os.path.join(work, "out-%d-%d" % (jobs, run))
            start = time.perf_counter()
            subprocess.run([cli, "def", "extract", "--jobs", str(jobs), "-o", out] + inputs, check=True)
            elapsed = time.perf_counter() - start
            best = elapsed if best is None else min(best, elapsed)
            shutil.rmtree(out)
        print("--jobs %d: %.3f s (best of 3)" % (jobs, best))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
