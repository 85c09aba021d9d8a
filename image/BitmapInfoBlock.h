// TBitmapInfoBlock: the 1064-byte header block a bitmap owns.
//
// Layout (little-endian):
//   0   u32 biSize          20  u32 biSizeImage
//   4   i32 biWidth         24  i32 biXPelsPerMeter
//   8   i32 biHeight        28  i32 biYPelsPerMeter
//  12   u16 biPlanes        32  u32 biClrUsed
//  14   u16 biBitCount      36  u32 biClrImportant
//  16   u32 biCompression   40  table area, 1024 bytes: colour entries
//                               (blue, green, red, reserved), or with
//                               compression 3 the red, green and blue masks
//                               followed by colour entries
// The block is always fully initialised (zero unless written), so whatever
// part of it reaches a file holds defined bytes.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "image/Limits.h"

namespace kelvane {

enum TBmpCompression : std::uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitFields = 3 };

struct TBitmapInfoBlock {
  std::array<std::uint8_t, kInfoBlockBytes> Bytes{};

  std::uint32_t U32(int offset) const {
    std::uint32_t v;
    std::memcpy(&v, Bytes.data() + offset, 4);
    return v;
  }
  std::uint16_t U16(int offset) const {
    std::uint16_t v;
    std::memcpy(&v, Bytes.data() + offset, 2);
    return v;
  }
  void SetU32(int offset, std::uint32_t v) { std::memcpy(Bytes.data() + offset, &v, 4); }
  void SetU16(int offset, std::uint16_t v) { std::memcpy(Bytes.data() + offset, &v, 2); }

  std::uint32_t biSize() const { return U32(0); }
  std::int32_t biWidth() const { return static_cast<std::int32_t>(U32(4)); }
  std::int32_t biHeight() const { return static_cast<std::int32_t>(U32(8)); }
  std::uint16_t biPlanes() const { return U16(12); }
  std::uint16_t biBitCount() const { return U16(14); }
  std::uint32_t biCompression() const { return U32(16); }
  std::uint32_t biSizeImage() const { return U32(20); }
  std::uint32_t biClrUsed() const { return U32(32); }

  void SetBiCompression(std::uint32_t v) { SetU32(16, v); }

  std::uint8_t* Table() { return Bytes.data() + kInfoHeaderBytes; }
  const std::uint8_t* Table() const { return Bytes.data() + kInfoHeaderBytes; }
};

static_assert(sizeof(TBitmapInfoBlock) == kInfoBlockBytes);

// A zero-filled block with biSize 40, the given size, 1 plane and bit count.
TBitmapInfoBlock MakeInfoBlock(std::int32_t width, std::int32_t height, int bitCount);

// Compression 3 with the 5-6-5 masks, followed by a 16-entry colour table
// that nothing reads (76 bytes from offset 40).
void SetBitFields565(TBitmapInfoBlock& block);

}  // namespace kelvane
