// The nine pixel formats of a bitmap and the bit counts they stand for.
#pragma once

#include <cstdint>

namespace kelvane {

// The order is fixed: it indexes BitsPerPixelOf, and the window maps members
// 0 to 7 to its format captions.
enum TPixelFormat : std::uint8_t {
  pxDevice = 0,  // no device-independent pixels
  px1 = 1,
  px4 = 2,
  px8 = 3,
  px15 = 4,  // 16 bits, compression 0 (5-5-5)
  px16 = 5,  // 16 bits, compression 3 (bit fields)
  px24 = 6,
  px32 = 7,
  pxCustom = 8,  // any other bit count
};

enum TBitmapHandleKind : std::uint8_t { hkDib = 0, hkDevice = 1 };

// The format a conversion produces when asked for one without a bit count.
inline constexpr TPixelFormat DefaultPixelFormat = px16;

inline constexpr int BitsPerPixelOf(TPixelFormat format) {
  constexpr int kBits[] = {0, 1, 4, 8, 16, 16, 24, 32, 0};
  return format <= pxCustom ? kBits[format] : 0;
}

// The first of px1..px32 with that bit count, so 16 gives px15; pxCustom for
// any count not in the table (0 and 2 included).
inline constexpr TPixelFormat FormatFromBitCount(std::int64_t bits) {
  for (int f = px1; f <= px32; ++f)
    if (BitsPerPixelOf(static_cast<TPixelFormat>(f)) == bits) return static_cast<TPixelFormat>(f);
  return pxCustom;
}

}  // namespace kelvane
