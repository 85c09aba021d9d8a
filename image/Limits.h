// Limits the image core enforces on untrusted input, each with its reason.
//
// Every size a file claims is checked against these before anything is
// allocated, so a 60-byte file that claims 100000 x 100000 pixels is refused
// at once ("No memory") instead of asking for gigabytes.
#pragma once

#include <cstdint>

namespace kelvane {

// Largest pixel block a bitmap may hold. 1 GiB covers a 16384 x 16384 image
// at 32 bits (the largest the game or any sprite editor produces is far
// smaller) and keeps every byte count inside the i32 the bitmap stores.
inline constexpr std::int64_t kMaxPixelBlockBytes = std::int64_t{1} << 30;

// Largest RLE-compressed pixel stream read into memory. A compressed stream
// is never larger than twice the pixels it can fill plus escapes, and the
// pixel block is capped above, so 2 GiB would be generous; this keeps the
// temporary buffer at the same order as the block it decodes into.
inline constexpr std::int64_t kMaxCompressedBytes = kMaxPixelBlockBytes;

// Header block: 40-byte info header plus a 1024-byte table area.
inline constexpr int kInfoHeaderBytes = 40;
inline constexpr int kTableAreaBytes = 1024;
inline constexpr int kInfoBlockBytes = kInfoHeaderBytes + kTableAreaBytes;

// Largest info header we accept as a variant of the 40-byte one (the V5
// header is 124 bytes); anything larger is not a BMP header we know.
inline constexpr std::uint32_t kMaxInfoHeaderBytes = 124;

// A sprite's pixel data is capped like a bitmap's pixel block: the sprite is
// turned into a bitmap of at least that many bytes.
inline constexpr std::int64_t kMaxSpriteDataBytes = kMaxPixelBlockBytes;

// Entries of a LOD archive. The game's own archives reserve a table of
// 10,000 entries and no game reads more, so a larger count is a claim we do
// not follow.
inline constexpr std::uint32_t kMaxLodEntries = 10000;

// Largest entry, stored or inflated, held in memory. The game's largest
// entries are full-screen sprites of under 1 MiB; 256 MiB still holds an
// 8-bit sprite of 16000 x 16000, and with one entry in flight per core it
// keeps an extraction's memory bounded whatever the table claims.
inline constexpr std::uint64_t kMaxLodEntryBytes = std::uint64_t{256} << 20;

// Largest compressed form of such an entry: zlib's worst case for
// incompressible data is a few bytes per 16 KiB block more than the data.
inline constexpr std::uint64_t kMaxLodCompressedBytes = kMaxLodEntryBytes + (kMaxLodEntryBytes >> 10) + 64;

// Largest file a command line reads whole to add it to an archive: what an
// entry may hold.
inline constexpr std::uint64_t kMaxArchiveInputBytes = kMaxLodEntryBytes;
// A 24-bit sprite written from an image is capped the same way, so that the
// reader takes back everything the writer produces.
inline constexpr std::int64_t kMaxSprite24DataBytes = kMaxSpriteDataBytes;

// A P32 image's pixel data (width x height x 4) becomes a 32-bit bitmap of
// exactly that many bytes.
inline constexpr std::int64_t kMaxP32DataBytes = kMaxPixelBlockBytes;

// A ZSoft PCX image's run-length data. A run of two bytes fills at most 63,
// so honest data is far smaller than the pixels it fills (capped above);
// a file holding more than the block it can fill is not read into memory.
inline constexpr std::int64_t kMaxZSoftCompressedBytes = kMaxPixelBlockBytes;

// A PNG file is read into memory whole before it is decoded. Its image data
// is compressed, so a file larger than the pixel block it can fill is at
// most an image of noise, which the pixel-block cap refuses anyway.
inline constexpr std::int64_t kMaxPngFileBytes = kMaxPixelBlockBytes;

// The largest ancillary chunk libpng may hold in memory while reading (text,
// colour profiles); we use none of them, and this keeps a chunk that claims
// gigabytes from being allocated.
inline constexpr std::int64_t kMaxPngChunkBytes = 8 << 20;

}  // namespace kelvane
