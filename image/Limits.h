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

// A PNG file is read into memory whole before it is decoded. Its image data
// is compressed, so a file larger than the pixel block it can fill is at
// most an image of noise, which the pixel-block cap refuses anyway.
inline constexpr std::int64_t kMaxPngFileBytes = kMaxPixelBlockBytes;

// The largest ancillary chunk libpng may hold in memory while reading (text,
// colour profiles); we use none of them, and this keeps a chunk that claims
// gigabytes from being allocated.
inline constexpr std::int64_t kMaxPngChunkBytes = 8 << 20;

}  // namespace kelvane
