#!/usr/bin/env python3
"""PNG files between kelvane-cli and other programs, Pillow and ImageMagick.

    check_png_interop.py CLI WORK_DIR

- A sprite written as PNG by kelvane-cli is, for Pillow, a palette image
  with the sprite's 256 colours and indexes, and no transparency; with
  --alpha its transparency is 0, 64, 255, 255, 128.
- Palette PNGs written by Pillow (256 colours, 16 colours at 4 bits, with
  transparency) and by ImageMagick (PNG8) become sprites with the same
  indexes and palette.
- The sprite, made 24-bit (RGB PNG, 24-bit BMP) or 32-bit with the shadow
  alphas (RGBA PNG) by Pillow, comes back byte for byte with --palette set
  to the sprite.
- 24- and 32-bit PNG files written by kelvane-cli read in Pillow to the
  pixels of their source.
ImageMagick's part is skipped when no ImageMagick "convert" is installed.
Exit 1 on any failure.
"""
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAIL: " + what)


def run(cli, *args):
    proc = subprocess.run([cli] + list(args), capture_output=True)
    if proc.returncode != 0:
        FAILURES.append("kelvane-cli %s: %s" % (" ".join(args), proc.stderr.decode().strip()))
    return proc


def game_sprite(path, width=29, height=13):
    """A sprite with the game's reserved colours first, all colours distinct,
    every entry used."""
    reserved = [(0, 255, 255), (255, 150, 255), (255, 100, 255), (255, 50, 255),
                (255, 0, 255), (255, 255, 0), (180, 0, 255), (0, 255, 0)]
    palette = reserved + [(i, 255 - i, i * 3 % 251) for i in range(8, 256)]
    indexes = bytes((i * 11) % 256 for i in range(width * height))
    with open(path, "wb") as f:
        f.write(struct.pack("<III", width * height, width, height) + indexes)
        f.write(bytes(c for rgb in palette for c in rgb))
    return width, height, indexes, palette


def read_sprite(path):
    data = open(path, "rb").read()
    size, width, height = struct.unpack("<III", data[:12])
    table = data[-768:]
    palette = [tuple(table[3 * i:3 * i + 3]) for i in range(256)]
    return width, height, data[12:12 + size], palette


def pillow_palette(im):
    flat = im.getpalette() or []
    flat = flat + [0] * (768 - len(flat))
    return [tuple(flat[3 * i:3 * i + 3]) for i in range(256)]


def main():
    cli, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    p = lambda name: os.path.join(work, name)

    width, height, indexes, palette = game_sprite(p("game.pcx"))
    run(cli, "convert", p("game.pcx"), p("game.png"))
    im = Image.open(p("game.png"))
    check(im.mode == "P", "our PNG of a sprite is a palette image for Pillow")
    check(bytes(im.getdata()) == indexes, "Pillow reads the sprite's indexes")
    check(pillow_palette(im) == palette, "Pillow reads the sprite's 256 colours")
    check("transparency" not in im.info, "no transparency unless asked")
    run(cli, "convert", "--alpha", p("game.pcx"), p("shadows.png"))
    im = Image.open(p("shadows.png"))
    check(im.info.get("transparency") == b"\x00\x40\xff\xff\x80", "--alpha: entries 0, 1, 4 at 0, 64, 128")

    # Palette PNGs from Pillow and ImageMagick become sprites of the same
    # indexes and palette.
    photo = Image.new("RGB", (23, 17))
    photo.putdata([((x * 11) % 256, (y * 15) % 256, (x * y) % 256) for y in range(17) for x in range(23)])
    photo.quantize(256).save(p("pillow-256.png"))
    photo.quantize(16).save(p("pillow-16.png"), bits=4)
    with_transparency = photo.quantize(64)
    with_transparency.save(p("pillow-trns.png"), transparency=3)
    sources = ["pillow-256.png", "pillow-16.png", "pillow-trns.png"]
    magick = shutil.which("convert")
    if magick and b"ImageMagick" in subprocess.run([magick, "-version"], capture_output=True).stdout:
        photo.save(p("photo.bmp"))
        subprocess.run([magick, p("photo.bmp"), "-colors", "200", "PNG8:" + p("magick-8.png")], check=True)
        subprocess.run([magick, p("photo.bmp"), "-colors", "16", "PNG8:" + p("magick-16.png")], check=True)
        sources += ["magick-8.png", "magick-16.png"]
    else:
        print("ImageMagick not installed: its files are skipped")
    for name in sources:
        im = Image.open(p(name))
        check(im.mode == "P", "%s is a palette PNG" % name)
        run(cli, "convert", p(name), p(name + ".pcx"))
        w, h, got, got_palette = read_sprite(p(name + ".pcx"))
        check((w, h) == im.size, "%s: size" % name)
        check(got == bytes(im.getdata()), "%s: the sprite keeps the indexes" % name)
        check(got_palette == pillow_palette(im), "%s: the sprite keeps the palette" % name)

    # 24 and 32 bits made by Pillow come back byte for byte.
    rgb = Image.open(p("game.png")).convert("RGB")
    rgb.save(p("wide.png"))
    rgb.save(p("wide.bmp"))
    rgba = Image.open(p("shadows.png")).convert("RGBA")
    check(rgba.getpixel((0, 0))[3] == 0, "Pillow applies our transparency")
    rgba.save(p("wide-alpha.png"))
    original = open(p("game.pcx"), "rb").read()
    for name in ("wide.png", "wide.bmp", "wide-alpha.png"):
        proc = run(cli, "convert", "--palette", p("game.pcx"), p(name), p(name + ".pcx"))
        check(open(p(name + ".pcx"), "rb").read() == original, "%s comes back as the original sprite" % name)
        check(b"0 of %d pixels" % (width * height) in proc.stderr, "%s: every pixel exact" % name)

    # Deep PNGs we write are read by Pillow to their source's pixels.
    Image.open(p("game.png")).convert("RGB").save(p("deep.bmp"))
    run(cli, "convert", p("deep.bmp"), p("deep.png"))
    check(Image.open(p("deep.png")).mode == "RGB", "a 24-bit image becomes an RGB PNG")
    check(list(Image.open(p("deep.png")).getdata()) == list(rgb.getdata()), "Pillow reads our RGB PNG's pixels")
    rgba.save(p("alpha.png"))
    run(cli, "convert", p("alpha.png"), p("alpha-again.png"))
    again = Image.open(p("alpha-again.png"))
    check(again.mode == "RGBA" and list(again.getdata()) == list(rgba.getdata()),
          "an RGBA PNG goes through us with its alpha")

    print("%d checks failed" % len(FAILURES) if FAILURES else "all checks passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
