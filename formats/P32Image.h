// P32 images: the 32-bit pictures one popular expansion of the game keeps
// under ".pcx", and the name of their animation sibling, D32.
//
// Layout, ten little-endian u32 and the pixels:
//   0   "P32F"
//   4   0 (not checked: nothing here depends on it)
//   8   bits per pixel, 32
//   12  file size: the header and the pixel data
//   16  header size, 40
//   20  data size, width x height x 4
//   24  width
//   28  height
//   32  two fields of unknown use, ignored
//   40  rows of blue, green, red, alpha, bottom row first, no padding
// Bytes after the pixel data are ignored.
//
// A P32 image loads as a 32-bit image with its alpha kept in the fourth
// byte of each pixel, exactly as a 32-bit BMP file of the same rows would.
// Refused, with the image untouched: fields that disagree with each other or
// with 32 bits and a 40-byte header, a width or height of 0 (BadHeader); a
// file shorter than its pixels (ShortRead); data above kMaxP32DataBytes
// (OverLimit).
#pragma once

#include "image/ByteSource.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"

namespace kelvane {

// True when `source` starts with "P32F".
bool HasP32Magic(TByteSource& source);
// True when `source` starts with "D32F", a P32 animation (not read here).
bool HasD32Magic(TByteSource& source);

// Reads the P32 image in `source` into `image`.
TOutcome LoadP32(TDibBitmap& image, TByteSource& source);

}  // namespace kelvane
