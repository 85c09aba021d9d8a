#!/usr/bin/env python3
"""Whole-process speed of kelvane-cli against Pillow, in one run, on the
benchmarks' 2048 x 2048 photograph-like picture.

    compare_with_pillow.py CLI PHOTO_TOOL [--runs N] [--batch FILES] [--batch-runs N] [--work DIR]

CLI is kelvane-cli, PHOTO_TOOL bench's kelvane-bench-photo (built with
-DKELVANE_BUILD_BENCH=ON). Every figure is the median of N runs of a whole
process (start, read, work, write), wall clock, with the child processes'
CPU time beside it, since the machine may be shared. Pillow runs in the
system python3 (Debian's python3-pil). Compared:
- reduction to 8 bits: kelvane --to8 and --palette against Pillow's
  quantize(palette=...) (its default Floyd-Steinberg, and without dithering);
- PNG writing of the 24-bit picture against Pillow's default save, with the
  file sizes;
- PNG reading, whole process and in process;
- a batch of FILES 24-bit files reduced with --to8 on one thread, on every
  core, and split between one single-threaded process per core started
  together (what the machine gives two independent programs), alternating
  for --batch-runs runs.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PYTHON = "/usr/bin/python3"


def timed(cmd, runs, prepare=None):
    walls, cpus = [], []
    for _ in range(runs):
        if prepare is not None:
            prepare()
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        proc = subprocess.run(cmd, capture_output=True)
        wall = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if proc.returncode != 0:
            sys.exit("failed: %s\n%s" % (" ".join(cmd), proc.stderr.decode()))
        walls.append(wall)
        cpus.append((after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime))
    return statistics.median(walls), statistics.median(cpus)


def pillow(code, *args):
    return [PYTHON, "-c", code] + list(args)


def line(name, result):
    wall, cpu = result
    print("  %-58s %8.3f s wall %8.3f s cpu" % (name, wall, cpu))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("cli")
    ap.add_argument("photo_tool")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--batch", type=int, default=200)
    ap.add_argument("--batch-runs", type=int, default=25)
    ap.add_argument("--work")
    a = ap.parse_args()
    work = a.work or tempfile.mkdtemp(prefix="kelvane-compare-")
    os.makedirs(work, exist_ok=True)
    p = lambda name: os.path.join(work, name)
    print("cores: %d (os.cpu_count), load average %.1f %.1f %.1f" % ((os.cpu_count(),) + os.getloadavg()))

    subprocess.run([a.photo_tool, p("photo.bmp")], check=True)
    # An arbitrary 256-colour palette: Pillow's own choice for the picture,
    # as a palette PNG for Pillow and as a sprite for Kelvane.
    subprocess.run(pillow("from PIL import Image; import sys; Image.open(sys.argv[1]).quantize(256).save(sys.argv[2])",
                          p("photo.bmp"), p("palette.png")), check=True)
    subprocess.run([a.cli, "convert", p("palette.png"), p("palette.pcx")], check=True)

    print("Reduction to 8 bits of the 2048 x 2048 24-bit BMP (whole process):")
    to8 = timed([a.cli, "convert", "--to8", p("photo.bmp"), p("to8.pcx")], a.runs)
    line("kelvane-cli convert --to8 (exact, fixed table)", to8)
    pal = timed([a.cli, "convert", "--palette", p("palette.pcx"), p("photo.bmp"), p("palette-out.pcx")], a.runs)
    line("kelvane-cli convert --palette (exact, 0-7 reserved)", pal)
    quant = "from PIL import Image; import sys; im = Image.open(sys.argv[1]); pal = Image.open(sys.argv[2]); "
    fs = timed(pillow(quant + "im.quantize(palette=pal).save(sys.argv[3])", p("photo.bmp"), p("palette.png"),
                      p("pillow-fs.bmp")), a.runs)
    line("Pillow quantize(palette=...) (Floyd-Steinberg), save BMP", fs)
    nodither = timed(pillow(quant + "im.quantize(palette=pal, dither=Image.Dither.NONE).save(sys.argv[3])",
                            p("photo.bmp"), p("palette.png"), p("pillow-plain.bmp")), a.runs)
    line("Pillow quantize(palette=..., dither=NONE), save BMP", nodither)
    print("  ratio --to8 / Pillow: %.2f (FS), %.2f (no dither); --palette / Pillow: %.2f (FS), %.2f (no dither)" %
          (to8[0] / fs[0], to8[0] / nodither[0], pal[0] / fs[0], pal[0] / nodither[0]))

    print("PNG writing of the 24-bit picture (whole process):")
    ours = timed([a.cli, "convert", p("photo.bmp"), p("ours.png")], a.runs)
    line("kelvane-cli convert photo.bmp photo.png", ours)
    theirs = timed(pillow("from PIL import Image; import sys; Image.open(sys.argv[1]).save(sys.argv[2])",
                          p("photo.bmp"), p("pillow.png")), a.runs)
    line("Pillow save (defaults)", theirs)
    ours_size, their_size = os.path.getsize(p("ours.png")), os.path.getsize(p("pillow.png"))
    print("  Pillow / kelvane time: %.2fx; sizes %d (kelvane) and %d (Pillow): %+.1f%%" %
          (theirs[0] / ours[0], ours_size, their_size, 100.0 * (ours_size - their_size) / their_size))

    print("PNG reading of the 24-bit picture:")
    for name in ("ours.png", "pillow.png"):
        line("kelvane-cli info %s (whole process)" % name, timed([a.cli, "info", p(name)], a.runs))
        line("Pillow open + load %s (whole process)" % name,
             timed(pillow("from PIL import Image; import sys; Image.open(sys.argv[1]).load()", p(name)), a.runs))
    # In process, on the very same files: Pillow's open + load against
    # kelvane's LoadPng (bench's BM_LoadPngFile), medians of 15 each.
    bench = os.path.join(os.path.dirname(a.photo_tool), "kelvane-bench-core")
    for name in ("ours.png", "pillow.png"):
        theirs_in = subprocess.run(pillow(
            "from PIL import Image; import sys, timeit, statistics\n"
            "print('%.4f' % statistics.median(timeit.repeat(lambda: Image.open(sys.argv[1]).load(), number=1, repeat=15)))",
            p(name)), capture_output=True, check=True)
        ours_in = subprocess.run([bench, "--benchmark_filter=BM_LoadPngFile", "--benchmark_repetitions=15",
                                  "--benchmark_report_aggregates_only=true", "--benchmark_format=csv"],
                                 env=dict(os.environ, KELVANE_BENCH_PNG=p(name)), capture_output=True, check=True)
        median_ms = next(float(row.split(",")[2]) for row in ours_in.stdout.decode().splitlines()
                         if "_median" in row)
        print("  in process, %s: kelvane LoadPng %.4f s, Pillow open + load %s s (medians of 15)" %
              (name, median_ms / 1000.0, theirs_in.stdout.decode().strip()))

    if a.batch > 0:
        print("Batch: %d 24-bit 512 x 512 BMP files, convert --to8 --to pcx -o DIR:" % a.batch)
        files = os.path.join(work, "batch")
        os.makedirs(files, exist_ok=True)
        subprocess.run(pillow(
            "from PIL import Image; import sys\n"
            "im = Image.open(sys.argv[1])\n"
            "for i in range(int(sys.argv[3])):\n"
            "    x, y = (i * 97) % 1536, (i * 61) % 1536\n"
            "    im.crop((x, y, x + 512, y + 512)).save('%s/f%03d.bmp' % (sys.argv[2], i))\n",
            p("photo.bmp"), files, str(a.batch)), check=True)
        inputs = sorted(os.path.join(files, n) for n in os.listdir(files))
        # One core, every core, and (as the yardstick of what the machine
        # gives) as many one-core processes as cores, each with its share of
        # the files, started together: they alternate, run by run, so that a
        # change in the machine's load over the minutes falls on all alike.
        cores = os.cpu_count()
        kinds = ("-j 1", "-j %d" % cores, "%d processes of -j 1" % cores)
        walls = {kind: [] for kind in kinds}

        def fresh(name):
            # New files every run: replacing a file waits for the disk.
            out = os.path.join(work, name)
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            return out

        def command(jobs, out, files):
            return [a.cli, "convert", "--to8", "-j", str(jobs), "--to", "pcx", "-o", out] + files

        for _ in range(a.batch_runs):
            for jobs, kind in ((1, kinds[0]), (cores, kinds[1])):
                out = fresh("batch-out-%d" % jobs)
                walls[kind].append(timed(command(jobs, out, inputs), 1)[0])
            shares = [inputs[k::cores] for k in range(cores)]
            outs = [fresh("batch-out-share-%d" % k) for k in range(cores)]
            start = time.perf_counter()
            procs = [subprocess.Popen(command(1, outs[k], shares[k]), stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL) for k in range(cores)]
            if any(proc.wait() != 0 for proc in procs):
                sys.exit("failed: a share of the batch")
            walls[kinds[2]].append(time.perf_counter() - start)
        medians = {kind: statistics.median(walls[kind]) for kind in kinds}
        for kind in kinds:
            print("  %-58s %8.3f s wall (median of %d, alternating)" % (kind, medians[kind], a.batch_runs))
        print("  speed-up on %d cores: %.2fx; %d one-core processes together: %.2fx" %
              (cores, medians[kinds[0]] / medians[kinds[1]], cores, medians[kinds[0]] / medians[kinds[2]]))
    if not a.work:
        shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
