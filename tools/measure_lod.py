#!/usr/bin/env python3
"""Whole-process figures for kelvane-cli's archive commands, next to unzip.

    measure_lod.py CLI [--work DIR] [--runs N]

CLI is a built kelvane-cli (a Release build for honest figures). The script
makes, once, in DIR (default /tmp/kelvane-measure):
  - sprites.lod: 10,000 small 8-bit sprites (about 40 MB), laid out as the
    game's archives, by tools/make_lod.py, the same files loose, and
    sprites.zip holding those loose files (Debian's zip);
  - big.lod: 3,700 sprites of about 200 x 200 (an archive of about 100 MB).
Then it times, as whole processes, each N times and alternating with the
command it is compared with so that both see the same machine:
  - kelvane-cli lod list sprites.lod   against  unzip -l sprites.zip
  - kelvane-cli lod extract (all)      against  unzip -q (all), each run into
    a fresh folder; the folders are removed only at the end, since ext4
    skips inodes freed in the last seconds when it allocates new ones, and
    removing 10,000 files between runs would slow the next run down for
    reasons that are no part of either program
  - kelvane-cli convert big.lod/ENTRY out.bmp  against  kelvane-cli convert
    of the same sprite as a loose file
and prints the median wall-clock time of each, with the median CPU time
(user + system) and the ratio the issue asks for. Nothing is asserted: the
figures are printed to be quoted.
"""

import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def run_timed(args, cwd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(args, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (result.returncode, " ".join(args), result.stderr.decode(errors="replace")))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def prepare(work):
    os.makedirs(work, exist_ok=True)
    small = os.path.join(work, "sprites.lod")
    if not os.path.exists(small):
        loose = os.path.join(work, "loose")
        subprocess.run([sys.executable, os.path.join(HERE, "make_lod.py"), "bench", "--out", small, "--loose", loose],
                       check=True)
        subprocess.run(["zip", "-q", "-r", "-X", os.path.join(work, "sprites.zip"), "."], cwd=loose, check=True)
    big = os.path.join(work, "big.lod")
    if not os.path.exists(big):
        loose = os.path.join(work, "big-loose")
        subprocess.run([sys.executable, os.path.join(HERE, "make_lod.py"), "bench", "--out", big, "--count", "3700",
                        "--side", "200", "--loose", loose], check=True)
        shutil.copy(os.path.join(loose, "spr01234.pcx"), os.path.join(work, "loose-one.pcx"))
        shutil.rmtree(loose)


def compare(label_a, make_a, label_b, make_b, runs):
    a, b = [], []
    for run in range(runs):
        for label, make, into in ((label_a, make_a, a), (label_b, make_b, b)):
            args, cwd = make(run)
            into.append(run_timed(args, cwd))
    rows = []
    for label, times in ((label_a, a), (label_b, b)):
        wall = statistics.median(t[0] for t in times)
        cpu = statistics.median(t[1] for t in times)
        rows.append((label, wall, cpu))
        print("  %-48s median %8.1f ms wall, %8.1f ms cpu  (%d runs)" % (label, wall * 1000, cpu * 1000, runs))
    print("  ratio (first / second): %.2f wall, %.2f cpu" % (rows[0][1] / rows[1][1], rows[0][2] / rows[1][2]))
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("cli")
    parser.add_argument("--work", default="/tmp/kelvane-measure")
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    work = args.work
    prepare(work)
    out = os.path.join(work, "out")

    def clean():
        for name in os.listdir(work):
            if name.startswith("out"):
                shutil.rmtree(os.path.join(work, name), ignore_errors=True)

    clean()
    print("machine: %d cores, load average %.1f %.1f %.1f" % ((os.cpu_count(),) + os.getloadavg()))
    print("listing 10,000 entries:")
    compare("kelvane-cli lod list sprites.lod", lambda _: ([cli, "lod", "list", "sprites.lod"], work),
            "unzip -l sprites.zip", lambda _: (["unzip", "-l", "sprites.zip"], work), args.runs * 3)
    print("extracting 10,000 entries:")
    compare("kelvane-cli lod extract sprites.lod -o out",
            lambda run: ([cli, "lod", "extract", "sprites.lod", "-o", "out-lod-%d" % run], work),
            "unzip -q sprites.zip -d out", lambda run: (["unzip", "-q", "sprites.zip", "-d", "out-zip-%d" % run], work),
            args.runs)
    clean()
    os.makedirs(out, exist_ok=True)
    print("converting one sprite of a %d MB archive:" % (os.path.getsize(os.path.join(work, "big.lod")) // 10**6))
    compare("kelvane-cli convert big.lod/spr01234.pcx x.bmp",
            lambda _: ([cli, "convert", "big.lod/spr01234.pcx", "out/x.bmp"], work),
            "kelvane-cli convert loose-one.pcx x.bmp", lambda _: ([cli, "convert", "loose-one.pcx", "out/x.bmp"], work),
            args.runs * 3)
    clean()
    return 0


if __name__ == "__main__":
    sys.exit(main())
