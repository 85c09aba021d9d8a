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
// with the plain BMP reader; the writer has the BMP writer produce an 8-bit
// image in memory and takes rows and palette from it. Both report through
// their results (image/ImageError.h); neither talks to the user.
//
// Limits: a sprite's pixel data is capped at kMaxSpriteDataBytes (OverLimit).
#pragma once

#include <string>

#include "image/ByteSource.h"
#include "image/DibBitmap.h"

namespace kelvane {

class TMemoryByteStream;

// Reads the sprite in `source` into `image`. False, with `image` untouched,
// when the source is shorter than the header or, for an 8-bit sprite, than
// the palette, or fails the size test (InvalidSprite), or claims more than
// the cap (OverLimit). True otherwise, even when the bitmap then cannot be
// built: the image is left empty and `outcome` says why (ShortRead for a
// sprite cut short in its rows).
bool LoadSprite(TDibBitmap& image, TByteSource& source, TOutcome* outcome = nullptr);
// The same for the file at `path`; a missing file or one that is not a
// regular file gives false (CannotOpen, NotRegularFile).
bool LoadSprite(TDibBitmap& image, const std::string& path, TOutcome* outcome = nullptr);

// The sprite of an 8-bit `image` in `out` (from its start): exactly
// 12 + Width x Height + 768 bytes. NotEightBit or EmptyImage otherwise.
TOutcome EncodeSprite(TDibBitmap& image, TMemoryByteStream& out);
// Writes `image` as a sprite file; the old file is replaced only on success.
TOutcome SaveSprite(TDibBitmap& image, const std::string& path);

}  // namespace kelvane
