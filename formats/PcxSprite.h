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
// The game reads both depths; backgrounds, for example, are 24-bit. The
// writers produce both: EncodeSprite an 8-bit sprite from an 8-bit image,
// EncodeSprite24 a 24-bit one from an image of any depth.
//
// LoadSprite builds a complete BMP image of the sprite in memory and loads it
// with the plain BMP reader; the 8-bit writer has the BMP writer produce an
// 8-bit image in memory and takes rows and palette from it; the 24-bit writer
// takes the image's 32-bit rows. Both report through
// their results (image/ImageError.h); neither talks to the user.
//
// Limits: a sprite's pixel data is capped at kMaxSpriteDataBytes (OverLimit).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "image/ByteSource.h"
#include "image/DibBitmap.h"

namespace kelvane {

class TMemoryByteStream;

// The header of a sprite that passes the size test.
struct TSpriteHeader {
  std::int64_t DataSize = 0;
  std::int64_t Width = 0;
  std::int64_t Height = 0;
  bool EightBit = false;
};
// The sprite header at the start of `source`, when it passes the size test:
// no negative field, DataSize = Width x Height x 3 (24-bit, tested first) or
// Width x Height (8-bit, and then the source holds at least the 768-byte
// palette). Empty otherwise. This is the test that tells a sprite from
// every other kind of file, so it runs before any signature is looked at.
std::optional<TSpriteHeader> ReadSpriteHeader(TByteSource& source);

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

// The 24-bit sprite of any non-empty `image` in `out` (from its start):
// exactly 12 + Width x Height x 3 bytes, each pixel blue, green, red as the
// preview shows it. Nothing is reduced: 15- and 16-bit pixels are widened,
// the alpha byte of 32-bit pixels is dropped, palette images are expanded.
// A 24-bit image is copied byte for byte. EmptyImage, OverLimit (data above
// kMaxSprite24DataBytes) or UnsupportedFormat (pixels nothing decodes).
TOutcome EncodeSprite24(TDibBitmap& image, TMemoryByteStream& out);
TOutcome SaveSprite24(TDibBitmap& image, const std::string& path);

}  // namespace kelvane
