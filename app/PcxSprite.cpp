#include "app/PcxSprite.h"

#include <cerrno>
#include <cstring>

#include "image/ByteStream.h"
#include "image/CheckedMath.h"
#include "image/LittleEndian.h"

namespace kelvane {

namespace {

constexpr std::int64_t kSpriteHeaderBytes = 12;
constexpr std::int64_t kPaletteBytes = 768;
constexpr std::int64_t kBmpHeadersBytes = 54;     // file header + info header
constexpr std::int64_t kBmpTableBytes = 1024;     // 256 entries of 4 bytes
constexpr std::int32_t kPixelsPerMetre = 2834;    // about 72 dots per inch

void Fail(TImageError* error, TImageError why) {
  if (error != nullptr) *error = why;
}

}  // namespace

bool LoadSprite(TDibBitmap& image, const std::string& path, TImageError* error) {
  Fail(error, TImageError::None);
  auto file = OpenReadFileStream(path);
  if (!file->IsOpen()) {
    Fail(error, file->OpenError() == EINVAL ? TImageError::NotRegularFile : TImageError::CannotOpen);
    return false;
  }
  const std::int64_t fileSize = file->GetSize();
  std::uint8_t header[kSpriteHeaderBytes];
  if (fileSize < kSpriteHeaderBytes || file->Read(header, kSpriteHeaderBytes) != kSpriteHeaderBytes) {
    Fail(error, TImageError::InvalidSprite);
    return false;
  }
  const std::int64_t dataSize = LoadI32(header), width = LoadI32(header + 4), height = LoadI32(header + 8);
  // Negative fields are refused: they can pass the size test in pairs
  // (-2 x -3 = 6) and would describe rows that do not exist.
  if (dataSize < 0 || width < 0 || height < 0) {
    Fail(error, TImageError::InvalidSprite);
    return false;
  }
  // Exact size test in 64 bits: both fields are below 2^31, so their product
  // fits; three times it may not, and an overflow fails the test. 24-bit
  // first: an empty sprite counts as 24-bit.
  const std::int64_t pixels = width * height;
  const auto pixelBytes24 = CheckedMul(pixels, 3);
  bool eightBit;
  if (pixelBytes24 && *pixelBytes24 == dataSize) eightBit = false;
  else if (pixels == dataSize) eightBit = true;
  else {
    Fail(error, TImageError::InvalidSprite);
    return false;
  }
  // An 8-bit sprite takes its palette from its last 768 bytes.
  if (eightBit && fileSize < kPaletteBytes) {
    Fail(error, TImageError::InvalidSprite);
    return false;
  }
  if (dataSize > kMaxSpriteDataBytes) {
    Fail(error, TImageError::NoMemory);
    return false;
  }

  // From here on the sprite counts as read: a file too short for its rows
  // leaves the image empty (size 0x0, no format), which is how the window
  // shows it, and the error says why.
  if (fileSize < kSpriteHeaderBytes + dataSize) {
    image.Clear();
    Fail(error, TImageError::ShortRead);
    return true;
  }

  const std::int64_t bytesPerPixel = eightBit ? 1 : 3;
  const std::int64_t rowBytes = width * bytesPerPixel;
  const std::int64_t paddedRow = (rowBytes + 3) / 4 * 4;
  const std::int64_t tableBytes = eightBit ? kBmpTableBytes : 0;
  const std::int64_t bmpBytes = kBmpHeadersBytes + tableBytes + paddedRow * height;

  // The BMP image of the sprite: headers, table, rows bottom-up.
  std::uint8_t bmpHeader[kBmpHeadersBytes] = {'B', 'M'};
  StoreU32(bmpHeader + 2, static_cast<std::uint32_t>(bmpBytes));
  StoreU32(bmpHeader + 10, static_cast<std::uint32_t>(kBmpHeadersBytes + tableBytes));
  StoreU32(bmpHeader + 14, 40);
  StoreU32(bmpHeader + 18, static_cast<std::uint32_t>(width));
  StoreU32(bmpHeader + 22, static_cast<std::uint32_t>(height));
  StoreU16(bmpHeader + 26, 1);
  StoreU16(bmpHeader + 28, eightBit ? 8 : 24);
  StoreU32(bmpHeader + 38, kPixelsPerMetre);
  StoreU32(bmpHeader + 42, kPixelsPerMetre);

  auto bmp = NewMemoryByteStream();
  bmp->SetSize(bmpBytes);  // one block; the row padding stays zero
  bmp->Seek(0, soFromStart);
  bool complete = bmp->Write(bmpHeader, kBmpHeadersBytes) == kBmpHeadersBytes;
  if (eightBit) {
    std::uint8_t rgb[kPaletteBytes], table[kBmpTableBytes];
    complete = complete && file->Seek(fileSize - kPaletteBytes, soFromStart) >= 0 &&
               file->Read(rgb, kPaletteBytes) == kPaletteBytes;
    for (int i = 0; i < 256; ++i) {
      table[4 * i] = rgb[3 * i + 2];
      table[4 * i + 1] = rgb[3 * i + 1];
      table[4 * i + 2] = rgb[3 * i];
      table[4 * i + 3] = 0;
    }
    complete = complete && bmp->Write(table, kBmpTableBytes) == kBmpTableBytes;
  }
  // A sprite of width 0 has no row bytes however many rows it claims; its
  // image is empty, and walking two billion empty rows would only hang.
  for (std::int64_t r = height - 1; complete && rowBytes > 0 && r >= 0; --r) {
    complete = file->Seek(kSpriteHeaderBytes + r * rowBytes, soFromStart) >= 0 &&
               CopyStreamBytes(*bmp, *file, rowBytes) == rowBytes &&
               bmp->Seek(paddedRow - rowBytes, soFromCurrent) >= 0;
  }
  if (!complete) {
    image.Clear();
    Fail(error, TImageError::ShortRead);
    return true;
  }
  bmp->Seek(0, soFromStart);
  if (!image.ReadPlainBmpStream(*bmp)) Fail(error, image.LastError());
  return true;
}

TSaveResult SaveSprite(TDibBitmap& image, const std::string& path) {
  if (image.GetPixelFormat() != px8) return {false, ImageErrorText(TImageError::NotEightBit)};
  const std::int64_t width = image.Width(), height = image.Height();
  const std::int64_t pad = (4 - width % 4) % 4;

  auto bmp = NewMemoryByteStream();
  if (!image.WriteBmpStream(*bmp)) return {false, ImageErrorText(TImageError::WriteFailed)};
  const std::int64_t rowsAt = kBmpHeadersBytes + kBmpTableBytes;
  if (bmp->Size() < rowsAt + height * (width + pad)) return {false, ImageErrorText(TImageError::WriteFailed)};
  const std::uint8_t* data = bmp->Memory();
  // Rows are stored bottom-up unless the image is top-down; the sprite wants
  // them top row first either way (taking bottom-up order for a top-down
  // image would save it upside down).
  const bool topDown = image.Info()->biHeight() < 0;

  const std::int64_t spriteBytes = kSpriteHeaderBytes + width * height + kPaletteBytes;
  auto sprite = NewMemoryByteStream();
  sprite->SetSize(spriteBytes);
  std::uint8_t* out = sprite->Memory();
  StoreU32(out, static_cast<std::uint32_t>(width * height));
  StoreU32(out + 4, static_cast<std::uint32_t>(width));
  StoreU32(out + 8, static_cast<std::uint32_t>(height));
  out += kSpriteHeaderBytes;
  for (std::int64_t i = 0; i < height; ++i) {
    const std::int64_t storageRow = topDown ? i : height - 1 - i;
    std::memcpy(out, data + rowsAt + storageRow * (width + pad), static_cast<std::size_t>(width));
    out += width;
  }
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* entry = data + kBmpHeadersBytes + 4 * i;
    out[3 * i] = entry[2];
    out[3 * i + 1] = entry[1];
    out[3 * i + 2] = entry[0];
  }
  return SaveFileReplacing(path, [&](TByteStream& stream) {
    return stream.Write(sprite->Memory(), spriteBytes) == spriteBytes;
  });
}

}  // namespace kelvane
