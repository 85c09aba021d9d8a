// Helpers shared by the fuzz targets.
//
// A failed check traps, so libFuzzer and the replay programs treat a broken
// invariant exactly like a crash and keep the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "image/ByteStream.h"
#include "image/DibBitmap.h"

namespace kelvane::fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  __builtin_trap();
}

inline void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

// Images up to this many pixels are drawn, written and read back; larger
// ones (the readers accept up to a 1 GiB pixel block) would make every run
// slow without reaching code the small ones do not.
inline constexpr std::int64_t kMaxCheckedPixels = std::int64_t{1} << 20;

inline std::unique_ptr<TMemoryByteStream> StreamOf(const std::uint8_t* data, std::size_t size) {
  auto stream = NewMemoryByteStream();
  if (size > 0) stream->Write(data, static_cast<std::int64_t>(size));
  stream->Seek(0, soFromStart);
  return stream;
}

inline std::vector<std::uint32_t> CopyRows(TDibBitmap& image) {
  const TPixelRows32 rows = image.Rows32();
  std::vector<std::uint32_t> copy;
  copy.reserve(static_cast<std::size_t>(rows.Width) * static_cast<std::size_t>(rows.Height));
  for (int y = 0; y < rows.Height; ++y) copy.insert(copy.end(), rows.Row(y), rows.Row(y) + rows.Width);
  return copy;
}

// Exercises everything a loaded image goes through afterwards: drawing rows,
// writing it back out and, for the formats the writer and reader agree on,
// reading the written file again to the same pixels.
inline void ExerciseLoadedImage(TDibBitmap& image) {
  if (image.IsEmpty()) {
    const TPixelRows32 none = image.Rows32();
    Check(none.Data == nullptr || none.Width == 0 || none.Height == 0, "an empty image has no rows to draw");
    return;
  }
  if (std::int64_t{image.Width()} * image.Height() > kMaxCheckedPixels) return;

  const TPixelRows32 rows = image.Rows32();
  if (rows.Data != nullptr) {
    Check(rows.Width == image.Width() && rows.Height == image.Height(), "rows have the image's size");
  }
  const std::vector<std::uint32_t> before = CopyRows(image);

  auto out = NewMemoryByteStream();
  if (!image.WriteBmpStream(*out)) return;
  out->Seek(0, soFromStart);
  TDibBitmap again;
  const TBitmapInfoBlock* info = image.Info();
  const TPixelFormat format = image.GetPixelFormat();
  // Planes other than 1 and bit-field compression on palette images are
  // accepted oddities whose written form need not read back the same way.
  const bool plainFormat = info != nullptr && info->biPlanes() == 1 && format >= px1 && format <= px32 &&
                           (info->biCompression() == biRgb || (info->biCompression() == biBitFields && format >= px15));
  if (!again.ReadBmpStream(*out)) {
    Check(!plainFormat, "a written image of a plain format reads back");
    return;
  }
  if (plainFormat && rows.Data != nullptr) Check(CopyRows(again) == before, "a written image reads back to the same pixels");
}

}  // namespace kelvane::fuzz
