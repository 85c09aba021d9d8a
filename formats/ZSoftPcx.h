// ZSoft PCX images: the real PCX format, which mods ship under the same
// ".pcx" name as the game's sprites (portraits exported from paint programs).
//
// Layout, integers little-endian:
//   0    1   manufacturer, 0x0A
//   1    1   version: 0, 2, 3 (no palette in the header), 4 or 5
//   2    1   encoding, 1 (run-length)
//   3    1   bits per pixel in each plane: 1, 2, 4 or 8
//   4    8   xmin, ymin, xmax, ymax (u16); width = xmax - xmin + 1
//   12   4   horizontal and vertical resolution, not used here
//   16   48  16-colour palette, red, green, blue
//   64   1   reserved, 0
//   65   1   number of planes
//   66   2   bytes per line of each plane, even
//   68   60  palette kind, screen size, filler: not used here
//   128      run-length rows: for each scan line, every plane's line in turn
//            (red, green, blue for 24-bit). A byte with its two top bits set
//            repeats the next byte (its low six bits) times; any other byte
//            stands for itself. Runs do not cross scan lines.
//   end - 769: 256-colour images only, 0x0C and 256 red, green, blue entries
//
// What is read, into the image the way a BMP file of that depth would be:
// - 1 bit, 1 plane: a 1-bit black and white image;
// - 1 bit, 2 to 4 planes (planar) and 4 bits, 1 plane (packed): a 4-bit
//   image with the header's 16 colours (version 3: the EGA colours, since
//   such files keep no palette);
// - 8 bits, 1 plane: an 8-bit image with the palette at the end, or grey
//   levels when the file has none (no 0x0C marker);
// - 8 bits, 3 planes: a 24-bit image.
// Other layouts (2-bit CGA pictures, 8 bits in 2 or 4 planes) are
// recognised but refused as UnsupportedFormat.
//
// Refused, with the image untouched: xmax < xmin or ymax < ymin, or lines
// too short for the width (BadHeader); a run that passes the end of its
// scan line (DamagedCompression); data that ends before the last row
// (ShortRead); an image above the pixel block cap (OverLimit).
#pragma once

#include "image/ByteSource.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"

namespace kelvane {

// True when `source` starts with a ZSoft PCX header: 0x0A, a known version,
// encoding 1, 1, 2, 4 or 8 bits per plane, 1 to 4 planes, reserved byte 0
// and an even, non-zero count of bytes per line. Says nothing about whether
// the rest can be read.
bool LooksLikeZSoftPcx(TByteSource& source);

// Reads the ZSoft PCX image in `source` into `image`. On failure `image`
// is left as it was and the outcome says why.
TOutcome LoadZSoftPcx(TDibBitmap& image, TByteSource& source);

}  // namespace kelvane
