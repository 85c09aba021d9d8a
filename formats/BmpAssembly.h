// TBmpAssembly: the BMP image a format reader fills and hands to the image.
//
// Readers of formats other than BMP (ZSoft PCX, P32) decode into rows of an
// uncompressed BMP image held in memory, then load that image with the plain
// BMP reader, exactly as a BMP file is loaded. The shared image therefore
// holds what a BMP file of the same depth would give it: the converter, the
// writers and the preview need nothing of their own for these formats.
//
// The image is one zero-filled block (headers, colour table, rows padded to
// four bytes, bottom row first), so padding and anything a reader leaves
// unwritten are zeros, never old memory. Begin checks the size against
// kMaxPixelBlockBytes before anything is allocated.
#pragma once

#include <cstdint>
#include <memory>

#include "image/ByteStream.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"

namespace kelvane {

class TBmpAssembly {
 public:
  // An image of `width` x `height` pixels (both above 0) of `bits` (1, 4, 8,
  // 24 or 32); palette images get a table of 2^bits entries. OverLimit when
  // the rows exceed the pixel block cap.
  TOutcome Begin(std::int64_t width, std::int64_t height, int bits);

  // Colour `index` of the table as red, green, blue. Palette images only.
  void SetColour(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  // The row `y` counted from the top, RowBytes() long (padding excluded).
  std::uint8_t* Row(std::int64_t y);
  std::int64_t RowBytes() const { return RowBytes_; }

  // Loads the image into `image`; the plain BMP reader's outcome.
  TOutcome LoadInto(TDibBitmap& image);

 private:
  std::unique_ptr<TMemoryByteStream> Bmp_;
  std::int64_t Height_ = 0;
  std::int64_t RowBytes_ = 0;
  std::int64_t Stride_ = 0;
  std::int64_t RowsAt_ = 0;
  int TableEntries_ = 0;
};

}  // namespace kelvane
