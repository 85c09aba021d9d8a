// What a file named ".pcx" really holds, told from its first bytes.
//
// The game's sprites carry no signature, and other files end up under the
// same name: ZSoft PCX images from paint programs, an expansion's 32-bit
// P32 images, archive entries still compressed, renamed PNG or BMP files.
// RecogniseContent tests, in this order:
// 1. the sprite size test (formats/PcxSprite.h). It comes first because a
//    sprite whose data size has 0x0A as its low byte can look like ZSoft;
// 2. the "P32F" and "D32F" magic;
// 3. a ZSoft PCX header (formats/ZSoftPcx.h);
// 4. the signatures of BMP ("BM"), PNG, DDS ("DDS "), zlib (78 01, 78 5E,
//    78 9C, 78 DA: an archive entry not inflated) and the game's DEF
//    animations (a type 0x40 to 0x49, then a plausible size and group count
//    and room for the palette).
// Anything else is Unknown. Recognition reads at most the first 128 bytes
// (and the size of the source), so it works the same on a file and on an
// archive entry in memory.
#pragma once

#include <cstdint>

#include "image/ByteSource.h"

namespace kelvane {

enum class TContentKind : std::uint8_t {
  Sprite,   // the game's sprite, 8 or 24 bit
  P32,      // a 32-bit P32 image
  D32,      // a P32 animation: named, not read
  ZSoft,    // a ZSoft PCX image
  Bmp,      // the rest are named, not read under ".pcx"
  Png,
  Dds,
  Zlib,
  Def,
  Unknown,
};

TContentKind RecogniseContent(TByteSource& source);

// The kind's name as written here ("ZSoft"), for logs and test tables.
const char* ContentKindName(TContentKind kind);

}  // namespace kelvane
