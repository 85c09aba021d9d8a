"""Shared helpers of the corpus scripts: run kelvane-dump-rows, parse its
PPM, compare pixel grids."""

import subprocess


class DumpFailed(Exception):
    pass


def dump(tool, path, fmt=None, write_bmp=None):
    """Returns (caption, width, height, rows) as the core sees `path`; rows
    are lists of (r, g, b), top row first."""
    cmd = [tool]
    if fmt is not None:
        cmd += ["--format", str(fmt)]
    if write_bmp is not None:
        cmd += ["--write-bmp", write_bmp]
    cmd.append(path)
    proc = subprocess.run(cmd, capture_output=True, timeout=60)
    if proc.returncode != 0:
        raise DumpFailed(proc.stderr.decode("utf-8", "replace").strip() or "exit %d" % proc.returncode)
    data = proc.stdout
    # P6\n# caption\nW H\n255\n
    parts = data.split(b"\n", 4)
    if len(parts) < 5 or parts[0] != b"P6" or not parts[1].startswith(b"# ") or parts[3] != b"255":
        raise DumpFailed("malformed dump")
    caption = parts[1][2:].decode("utf-8")
    width, height = (int(v) for v in parts[2].split())
    body = parts[4]
    if len(body) != width * height * 3:
        raise DumpFailed("dump holds %d bytes, %d x %d needs %d" % (len(body), width, height, width * height * 3))
    rows = [[tuple(body[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)] for y in range(height)]
    return caption, width, height, rows


def pillow_rows(image):
    """Top-down RGB rows of a Pillow image."""
    rgb = image.convert("RGB")
    w, h = rgb.size
    data = rgb.tobytes()
    return [[tuple(data[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def compare(ours, theirs, tolerance=0):
    """None when equal (each channel within `tolerance`), else a short text
    naming the first differing pixel and the count of differing pixels."""
    if len(ours) != len(theirs) or (ours and len(ours[0]) != len(theirs[0])):
        return "size %dx%d, expected %dx%d" % (len(ours[0]) if ours else 0, len(ours),
                                               len(theirs[0]) if theirs else 0, len(theirs))
    first, count = None, 0
    for y, (row_a, row_b) in enumerate(zip(ours, theirs)):
        for x, (a, b) in enumerate(zip(row_a, row_b)):
            if max(abs(a[i] - b[i]) for i in range(3)) > tolerance:
                count += 1
                if first is None:
                    first = "(%d,%d) is %s, expected %s" % (x, y, a, b)
    return None if count == 0 else "%d pixels differ; first %s" % (count, first)
