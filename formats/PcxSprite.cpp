#include "formats/PcxSprite.h"

#include <cstring>
#include <optional>

#include "image/ByteStream.h"
#include "image/CheckedMath.h"
#include "image/Limits.h"
#include "image/LittleEndian.h"
#include "image/SafeSave.h"

namespace kelvane {

namespace {

constexpr std::int64_t kSpriteHeaderBytes = 12;
constexpr std::int64_t kPaletteBytes = 768;
constexpr std::int64_t kBmpHeadersBytes = 54;     // file header + info header
constexpr std::int64_t kBmpTableBytes = 1024;     // 256 entries of 4 bytes
constexpr std::int32_t kPixelsPerMetre = 2834;    // about 72 dots per inch

bool Refuse(TOutcome* outcome, TOutcome why) {
  if (outcome != nullptr) *outcome = why;
  return false;
}

// The image is held but empty: the sprite counts as read.
bool ReadButEmpty(TDibBitmap& image, TOutcome* outcome, TOutcome why) {
  image.Clear();
  if (outcome != nullptr) *outcome = why;
  return true;
}

}  // namespace

std::optional<TSpriteHeader> ReadSpriteHeader(TByteSource& source) {
  TByteReader header;
  if (!source.Range(0, kSpriteHeaderBytes, kSpriteHeaderBytes, header)) return std::nullopt;
  TSpriteHeader h;
  h.DataSize = header.I32();
  h.Width = header.I32();
  h.Height = header.I32();
  if (!header.Ok()) return std::nullopt;
  // Negative fields are refused: they can pass the size test in pairs
  // (-2 x -3 = 6) and would describe rows that do not exist.
  if (h.DataSize < 0 || h.Width < 0 || h.Height < 0) return std::nullopt;
  // Exact size test in 64 bits: both fields are below 2^31, so their product
  // fits; three times it may not, and an overflow fails the test. 24-bit
  // first: an empty sprite counts as 24-bit.
  const std::int64_t pixels = h.Width * h.Height;
  const auto pixelBytes24 = CheckedMul(pixels, 3);
  if (pixelBytes24 && *pixelBytes24 == h.DataSize) h.EightBit = false;
  else if (pixels == h.DataSize) h.EightBit = true;
  else return std::nullopt;
  // An 8-bit sprite takes its palette from its last 768 bytes.
  if (h.EightBit && source.Size() < static_cast<std::uint64_t>(kPaletteBytes)) return std::nullopt;
  return h;
}

bool LoadSprite(TDibBitmap& image, TByteSource& source, TOutcome* outcome) {
  if (outcome != nullptr) *outcome = TOutcome::Success();
  const std::uint64_t fileSize = source.Size();
  const std::optional<TSpriteHeader> tested = ReadSpriteHeader(source);
  if (!tested) return Refuse(outcome, TOutcome::Failure(TImageError::InvalidSprite));
  const std::int64_t dataSize = tested->DataSize, width = tested->Width, height = tested->Height;
  const bool eightBit = tested->EightBit;
  if (dataSize > kMaxSpriteDataBytes) return Refuse(outcome, TOutcome::Failure(TImageError::OverLimit));

  // From here on the sprite counts as read: a file too short for its rows
  // leaves the image empty (size 0x0, no format), which is how the window
  // shows it, and the outcome says why. Its claim is never allocated.
  TByteReader rows, palette;
  if (TOutcome got = source.Range(kSpriteHeaderBytes, static_cast<std::uint64_t>(dataSize),
                                  static_cast<std::uint64_t>(kMaxSpriteDataBytes), rows);
      !got)
    return ReadButEmpty(image, outcome, got);
  if (eightBit) {
    if (TOutcome got = source.Range(fileSize - kPaletteBytes, kPaletteBytes, kPaletteBytes, palette); !got)
      return ReadButEmpty(image, outcome, got);
  }

  const std::int64_t bytesPerPixel = eightBit ? 1 : 3;
  const std::int64_t rowBytes = width * bytesPerPixel;
  const std::int64_t paddedRow = (rowBytes + 3) / 4 * 4;
  const std::int64_t tableBytes = eightBit ? kBmpTableBytes : 0;
  const std::int64_t bmpBytes = kBmpHeadersBytes + tableBytes + paddedRow * height;

  // The BMP image of the sprite: headers, table, rows bottom-up, in one
  // zero-filled block, so the row padding stays zero.
  auto bmp = NewMemoryByteStream();
  bmp->SetSize(bmpBytes);
  std::uint8_t* out = bmp->Memory();
  out[0] = 'B';
  out[1] = 'M';
  StoreU32(out + 2, static_cast<std::uint32_t>(bmpBytes));
  StoreU32(out + 10, static_cast<std::uint32_t>(kBmpHeadersBytes + tableBytes));
  StoreU32(out + 14, 40);
  StoreU32(out + 18, static_cast<std::uint32_t>(width));
  StoreU32(out + 22, static_cast<std::uint32_t>(height));
  StoreU16(out + 26, 1);
  StoreU16(out + 28, eightBit ? 8 : 24);
  StoreU32(out + 38, kPixelsPerMetre);
  StoreU32(out + 42, kPixelsPerMetre);
  if (eightBit) {
    std::uint8_t* table = out + kBmpHeadersBytes;
    for (int i = 0; i < 256; ++i) {
      const std::uint8_t red = palette.U8(), green = palette.U8(), blue = palette.U8();
      table[4 * i] = blue;
      table[4 * i + 1] = green;
      table[4 * i + 2] = red;
    }
  }
  // A sprite of width 0 has no row bytes however many rows it claims; its
  // image is empty, and walking two billion empty rows would only hang.
  std::uint8_t* bottomUp = out + kBmpHeadersBytes + tableBytes;
  for (std::int64_t r = 0; rowBytes > 0 && r < height; ++r)
    rows.Read(bottomUp + (height - 1 - r) * paddedRow, static_cast<std::uint64_t>(rowBytes));
  if (!rows.Ok() || !palette.Ok()) return ReadButEmpty(image, outcome, TOutcome::Failure(TImageError::ShortRead));

  bmp->Seek(0, soFromStart);
  if (!image.ReadPlainBmpStream(*bmp) && outcome != nullptr) *outcome = image.LastOutcome();
  return true;
}

bool LoadSprite(TDibBitmap& image, const std::string& path, TOutcome* outcome) {
  TFileSource file = OpenFileSource(path);
  if (!file.Source) return Refuse(outcome, file.Opened);
  return LoadSprite(image, *file.Source, outcome);
}

TOutcome EncodeSprite(TDibBitmap& image, TMemoryByteStream& out) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  if (image.GetPixelFormat() != px8) return TOutcome::Failure(TImageError::NotEightBit);
  const std::int64_t width = image.Width(), height = image.Height();
  const std::int64_t pad = (4 - width % 4) % 4;

  auto bmp = NewMemoryByteStream();
  if (!image.WriteBmpStream(*bmp)) return TOutcome::Failure(TImageError::NotWritableAsBmp);
  // The BMP writer puts an 8-bit table at 54 and the rows at 1078.
  const std::int64_t rowsAt = kBmpHeadersBytes + kBmpTableBytes;
  TByteReader written(bmp->Memory(), static_cast<std::uint64_t>(bmp->Size()));
  // Rows are stored bottom-up unless the image is top-down; the sprite wants
  // them top row first either way (taking bottom-up order for a top-down
  // image would save it upside down).
  const bool topDown = image.Info()->biHeight() < 0;

  const std::int64_t spriteBytes = kSpriteHeaderBytes + width * height + kPaletteBytes;
  out.SetSize(spriteBytes);
  std::uint8_t* sprite = out.Memory();
  StoreU32(sprite, static_cast<std::uint32_t>(width * height));
  StoreU32(sprite + 4, static_cast<std::uint32_t>(width));
  StoreU32(sprite + 8, static_cast<std::uint32_t>(height));
  std::uint8_t* rows = sprite + kSpriteHeaderBytes;
  for (std::int64_t i = 0; i < height; ++i) {
    const std::int64_t storageRow = topDown ? i : height - 1 - i;
    TByteReader row = written.Sub(static_cast<std::uint64_t>(rowsAt + storageRow * (width + pad)),
                                  static_cast<std::uint64_t>(width));
    if (!row.Read(rows + i * width, static_cast<std::uint64_t>(width)))
      return TOutcome::Failure(TImageError::NotWritableAsBmp);
  }
  TByteReader table = written.Sub(kBmpHeadersBytes, kBmpTableBytes);
  std::uint8_t* palette = rows + width * height;
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t blue = table.U8(), green = table.U8(), red = table.U8();
    table.Skip(1);  // the reserved byte
    palette[3 * i] = red;
    palette[3 * i + 1] = green;
    palette[3 * i + 2] = blue;
  }
  if (!table.Ok()) return TOutcome::Failure(TImageError::NotWritableAsBmp);
  out.Seek(0, soFromStart);
  return TOutcome::Success();
}

TOutcome EncodeSprite24(TDibBitmap& image, TMemoryByteStream& out) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  const std::int64_t width = image.Width(), height = image.Height();
  // Within the cap the header's three fields stay below 2^31, which the
  // reader requires of them.
  const auto dataSize = CheckedMul(width * height, 3);
  if (width < 0 || height < 0 || !dataSize || *dataSize > kMaxSprite24DataBytes)
    return TOutcome::Failure(TImageError::OverLimit);
  // Every depth decodes to the same 32-bit rows the preview shows; a 24-bit
  // image comes back byte for byte, so a sprite that went to BMP and back is
  // unchanged. The fourth byte of 32-bit pixels (alpha) has no place here.
  const TPixelRows32 rows = image.Rows32();
  if (rows.Data == nullptr || rows.Width != width || rows.Height != height)
    return TOutcome::Failure(TImageError::UnsupportedFormat);

  out.SetSize(kSpriteHeaderBytes + *dataSize);
  std::uint8_t* sprite = out.Memory();
  StoreU32(sprite, static_cast<std::uint32_t>(*dataSize));
  StoreU32(sprite + 4, static_cast<std::uint32_t>(width));
  StoreU32(sprite + 8, static_cast<std::uint32_t>(height));
  std::uint8_t* at = sprite + kSpriteHeaderBytes;
  for (int y = 0; y < rows.Height; ++y) {
    const std::uint32_t* row = rows.Row(y);
    for (int x = 0; x < rows.Width; ++x) {
      *at++ = static_cast<std::uint8_t>(row[x]);
      *at++ = static_cast<std::uint8_t>(row[x] >> 8);
      *at++ = static_cast<std::uint8_t>(row[x] >> 16);
    }
  }
  out.Seek(0, soFromStart);
  return TOutcome::Success();
}

namespace {

TOutcome SaveEncoded(TDibBitmap& image, const std::string& path,
                     TOutcome (*encode)(TDibBitmap&, TMemoryByteStream&)) {
  auto sprite = NewMemoryByteStream();
  if (TOutcome encoded = encode(image, *sprite); !encoded) return encoded;
  return SaveFileReplacing(path, [&](TByteStream& stream) {
    return stream.Write(sprite->Memory(), sprite->Size()) == sprite->Size();
  });
}

}  // namespace

TOutcome SaveSprite24(TDibBitmap& image, const std::string& path) { return SaveEncoded(image, path, EncodeSprite24); }

TOutcome SaveSprite(TDibBitmap& image, const std::string& path) { return SaveEncoded(image, path, EncodeSprite); }

}  // namespace kelvane
