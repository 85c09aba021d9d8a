// The sprite files of Heroes of Might and Magic III (".pcx", not ZSoft PCX).
//
// Layout, all integers 32-bit little-endian, no signature:
//   0   DataSize   Width x Height (8-bit) or Width x Height x 3 (24-bit)
//   4   Width
//   8   Height
//   12  DataSize bytes of unpadded rows, top row first; 24-bit pixels are
//       blue, green, red
//   file length - 768: 8-bit only, 256 palette entries of red, green, blue
// The depth is not stored: it follows from DataSize (24-bit is tested first,
// so an empty sprite counts as 24-bit).
//
// LoadSprite builds a complete BMP image of the sprite in memory and loads it
// with the plain BMP reader; SaveSprite has the BMP writer produce an 8-bit
// image in memory and takes rows and palette from it. Both report through
// their results; the texts are in image/ImageError.h.
#pragma once

#include <string>

#include "image/DibBitmap.h"

namespace kelvane {

// Reads the sprite at `path` into `image`. False, with `image` untouched,
// when the file is missing or not a regular file, shorter than its header or
// than the palette, or fails the size test (InvalidSprite). True otherwise,
// even when the bitmap then cannot be built (the image is left empty).
bool LoadSprite(TDibBitmap& image, const std::string& path, TImageError* error = nullptr);

// Writes `image`, which must be 8-bit, as a sprite: exactly
// 12 + Width x Height + 768 bytes. The old file is replaced only on success.
TSaveResult SaveSprite(TDibBitmap& image, const std::string& path);

}  // namespace kelvane
