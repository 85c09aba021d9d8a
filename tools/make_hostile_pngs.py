#!/usr/bin/env python3
"""Writes the hostile PNG inputs of tests/corpus/inputs/.

Each file breaks one rule of the PNG format (or leans on one that readers
get wrong); chunks are assembled here with the standard library only, with
correct CRCs unless the CRC is the fault. Their expected outcomes are in
tests/corpus/inputs/outcomes.txt.

    make_hostile_pngs.py DIR    write the files into DIR
"""

import os
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunk(kind, data, crc=None):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) if crc is None else crc)


def ihdr(width, height, depth, colour, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))


def png(*chunks):
    return SIGNATURE + b"".join(chunks)


def rows(width, height, bytes_per_row_pixel_data):
    """Raw scanlines of filter 0 holding a small pattern."""
    out = b""
    for y in range(height):
        out += b"\0" + bytes((x * 7 + y * 13) & 0xFF for x in range(bytes_per_row_pixel_data))
    return out


END = chunk(b"IEND", b"")


def files():
    grey = zlib.compress(rows(4, 4, 4))
    good_grey = png(ihdr(4, 4, 8, 0), chunk(b"IDAT", grey), END)
    yield "png-bad-signature.png", b"\x89PNG\n\r\x1a\n" + good_grey[8:]
    yield "png-header-crc-wrong.png", png(chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 0, 0, 0, 0), crc=0), chunk(b"IDAT", grey), END)
    # A billion RGBA pixels claimed by a 60-byte file.
    yield "png-huge-claim-100000x100000.png", png(ihdr(100000, 100000, 8, 6), chunk(b"IDAT", grey), END)
    # A claim just over the pixel-block cap, in one row.
    yield "png-row-over-the-cap.png", png(ihdr(0x7FFFFFFF, 1, 8, 6), chunk(b"IDAT", grey), END)
    yield "png-image-data-cut-short.png", good_grey[:len(good_grey) - 20]
    broken = bytearray(grey)
    broken[-1] ^= 0xFF
    # The zlib stream's checksum is wrong, the chunk's CRC right: the CRC
    # guards the bytes, and the image loads as its data says.
    yield "png-image-data-checksum-wrong.png", png(ihdr(4, 4, 8, 0), chunk(b"IDAT", bytes(broken)), END)
    yield "png-image-data-crc-wrong.png", png(ihdr(4, 4, 8, 0), chunk(b"IDAT", grey, crc=zlib.crc32(b"IDAT" + grey) ^ 1), END)
    yield "png-colour-type-5.png", png(ihdr(4, 4, 8, 5), chunk(b"IDAT", grey), END)
    yield "png-palette-depth-16.png", png(ihdr(4, 4, 16, 3), chunk(b"IDAT", grey), END)
    yield "png-palette-missing.png", png(ihdr(4, 4, 8, 3), chunk(b"IDAT", grey), END)
    # Indexes past the two entries of the palette: black, as in a BMP file.
    yield "png-index-past-the-palette.png", png(ihdr(4, 4, 8, 3), chunk(b"PLTE", b"\xff\0\0\0\xff\0"),
                                              chunk(b"IDAT", grey), END)
    # Far more image data than the image holds: the extra is ignored, never
    # written anywhere.
    yield "png-image-data-overflows.png", png(ihdr(2, 2, 8, 0), chunk(b"IDAT", zlib.compress(b"\0" * 1000000)), END)
    yield "png-image-data-missing.png", png(ihdr(4, 4, 8, 0), END)
    # A text chunk that claims two gigabytes.
    yield "png-chunk-claims-2gib.png", good_grey[:33] + struct.pack(">I", 0x7FFFFFFF) + b"tEXt" + b"k\0v"
    yield "png-zero-width.png", png(ihdr(0, 4, 8, 0), chunk(b"IDAT", grey), END)
    # Adam7 with a 1 x 1 image: six of the seven passes are empty.
    yield "png-interlaced-1x1.png", png(ihdr(1, 1, 8, 2, interlace=1), chunk(b"IDAT", zlib.compress(b"\0\x10\x20\x30")), END)


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for name, data in files():
        with open(os.path.join(argv[1], name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
