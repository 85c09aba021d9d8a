#include "formats/P32Image.h"

#include <cstring>

#include "formats/BmpAssembly.h"
#include "image/ByteReader.h"
#include "image/Limits.h"

namespace kelvane {

namespace {

constexpr std::uint64_t kHeaderBytes = 40;
constexpr std::uint32_t kBitsPerPixel = 32;

bool HasMagic(TByteSource& source, const char (&magic)[5]) {
  TByteReader r;
  if (!source.Range(0, 4, 4, r)) return false;
  const std::span<const std::uint8_t> bytes = r.Take(4);
  return r.Ok() && std::memcmp(bytes.data(), magic, 4) == 0;
}

}  // namespace

bool HasP32Magic(TByteSource& source) { return HasMagic(source, "P32F"); }
bool HasD32Magic(TByteSource& source) { return HasMagic(source, "D32F"); }

TOutcome LoadP32(TDibBitmap& image, TByteSource& source) {
  TByteReader header;
  if (TOutcome got = source.Range(0, kHeaderBytes, kHeaderBytes, header); !got) return got;
  if (!HasP32Magic(source)) return TOutcome::Failure(TImageError::BadHeader);
  header.Skip(8);  // the magic, and a field that is always 0
  const std::uint64_t bits = header.U32(), fileSize = header.U32(), headerSize = header.U32();
  const std::uint64_t dataSize = header.U32(), width = header.U32(), height = header.U32();
  // Fields 32 and 36 are of unknown use.
  if (!header.Ok()) return TOutcome::Failure(TImageError::ShortRead);
  if (bits != kBitsPerPixel || headerSize != kHeaderBytes || width == 0 || height == 0)
    return TOutcome::Failure(TImageError::BadHeader);
  // Both factors are below 2^32, so their product fits in 64 bits; the data
  // size field is below 2^32, so a product above a quarter of that cannot
  // match it.
  const std::uint64_t pixelCount = width * height;
  if (pixelCount > dataSize / 4 || pixelCount * 4 != dataSize || fileSize != kHeaderBytes + dataSize)
    return TOutcome::Failure(TImageError::BadHeader);
  if (dataSize > static_cast<std::uint64_t>(kMaxP32DataBytes)) return TOutcome::Failure(TImageError::OverLimit);

  TByteReader pixels;
  if (TOutcome got = source.Range(kHeaderBytes, dataSize, static_cast<std::uint64_t>(kMaxP32DataBytes), pixels); !got)
    return got;
  TBmpAssembly bmp;
  if (TOutcome begun = bmp.Begin(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height), 32); !begun)
    return begun;
  // Rows run bottom-up in the file; the assembly counts them from the top.
  const std::uint64_t rowBytes = width * 4;
  for (std::uint64_t r = 0; r < height; ++r)
    pixels.Read(bmp.Row(static_cast<std::int64_t>(height - 1 - r)), rowBytes);
  if (!pixels.Ok()) return TOutcome::Failure(TImageError::ShortRead);
  return bmp.LoadInto(image);
}

}  // namespace kelvane
