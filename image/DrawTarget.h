// The drawing interface between the image core and whatever shows pixels.
//
// The core never draws by itself: TDibBitmap::DrawAt converts the image once
// into 32-bit top-down rows (cached until the image changes) and hands them to
// a TDrawTarget. The window toolkit implements the interface with QPainter;
// tests implement it with a recording double. Drawing is always 1:1.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvane {

// A read-only view of 32-bit pixels, top row first. Each pixel is one
// uint32_t holding 0xFFRRGGBB (alpha always 0xFF), which is the in-memory
// layout of QImage::Format_RGB32 and of a 32-bit BMP row on little-endian.
struct TPixelRows32 {
  int Width = 0;
  int Height = 0;
  const std::uint32_t* Data = nullptr;
  std::size_t StrideBytes = 0;  // bytes from the start of one row to the next

  const std::uint32_t* Row(int y) const {
    return reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const unsigned char*>(Data) +
                                                  static_cast<std::size_t>(y) * StrideBytes);
  }
};

class TDrawTarget {
 public:
  virtual ~TDrawTarget() = default;
  // Draws the rows with their top-left corner at (x, y), 1:1, no scaling.
  virtual void DrawRows32(int x, int y, const TPixelRows32& rows) = 0;
};

}  // namespace kelvane
