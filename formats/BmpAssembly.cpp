#include "formats/BmpAssembly.h"

#include "image/Assert.h"
#include "image/CheckedMath.h"
#include "image/Limits.h"
#include "image/LittleEndian.h"

namespace kelvane {

namespace {

constexpr std::int64_t kHeadersBytes = 54;     // file header + info header
constexpr std::uint32_t kPixelsPerMetre = 2834;  // about 72 dots per inch, as for sprites

}  // namespace

TOutcome TBmpAssembly::Begin(std::int64_t width, std::int64_t height, int bits) {
  KELVANE_ASSERT(width > 0 && height > 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32));
  const auto stride = PaddedRowBytes(width, bits);
  const auto pixelBytes = stride ? CheckedMul(*stride, height) : std::nullopt;
  if (!pixelBytes || *pixelBytes > kMaxPixelBlockBytes || height > INT32_MAX || width > INT32_MAX)
    return TOutcome::Failure(TImageError::OverLimit);
  Height_ = height;
  Stride_ = *stride;
  RowBytes_ = (width * bits + 7) / 8;
  TableEntries_ = bits <= 8 ? 1 << bits : 0;
  RowsAt_ = kHeadersBytes + 4 * TableEntries_;
  const std::int64_t total = RowsAt_ + *pixelBytes;

  Bmp_ = NewMemoryByteStream();
  Bmp_->SetSize(total);
  std::uint8_t* out = Bmp_->Memory();
  if (out == nullptr || Bmp_->Size() != total) return TOutcome::Failure(TImageError::NoMemory);
  out[0] = 'B';
  out[1] = 'M';
  StoreU32(out + 2, static_cast<std::uint32_t>(total));
  StoreU32(out + 10, static_cast<std::uint32_t>(RowsAt_));
  StoreU32(out + 14, 40);
  StoreU32(out + 18, static_cast<std::uint32_t>(width));
  StoreU32(out + 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
  StoreU16(out + 26, 1);
  StoreU16(out + 28, static_cast<std::uint16_t>(bits));
  StoreU32(out + 38, kPixelsPerMetre);
  StoreU32(out + 42, kPixelsPerMetre);
  return TOutcome::Success();
}

void TBmpAssembly::SetColour(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  KELVANE_ASSERT(Bmp_ != nullptr && index >= 0 && index < TableEntries_);
  std::uint8_t* entry = Bmp_->Memory() + kHeadersBytes + 4 * index;
  entry[0] = blue;
  entry[1] = green;
  entry[2] = red;
}

std::uint8_t* TBmpAssembly::Row(std::int64_t y) {
  KELVANE_ASSERT(Bmp_ != nullptr && y >= 0 && y < Height_);
  return Bmp_->Memory() + RowsAt_ + (Height_ - 1 - y) * Stride_;
}

TOutcome TBmpAssembly::LoadInto(TDibBitmap& image) {
  KELVANE_ASSERT(Bmp_ != nullptr);
  Bmp_->Seek(0, soFromStart);
  const bool read = image.ReadPlainBmpStream(*Bmp_);
  Bmp_.reset();
  if (read) return TOutcome::Success();
  return image.LastOutcome().Ok() ? TOutcome::Failure(TImageError::UnsupportedFormat) : image.LastOutcome();
}

}  // namespace kelvane
