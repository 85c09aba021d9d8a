#include "formats/DefAnimation.h"

#include <cstring>
#include <new>

#include "image/Assert.h"
#include "image/ByteStream.h"
#include "image/LittleEndian.h"

namespace kelvane {

namespace {

constexpr std::int64_t kBmpHeadersBytes = 54;   // file header + info header
constexpr std::int64_t kBmpTableBytes = 1024;   // 256 entries of 4 bytes
constexpr std::int32_t kPixelsPerMetre = 2834;  // about 72 dots per inch, as for sprites

}  // namespace

TCanvasBytes::TCanvasBytes(std::size_t size) {
  if (size == 0) return;
  auto block = std::make_shared<TPixelBlock>(AllocatePixelBlock(static_cast<std::int64_t>(size)));
  if (!*block) return;
  Data_ = block->get();
  Size_ = size;
  Block_ = std::move(block);
}

TCanvasBytes::TCanvasBytes(const std::vector<std::uint8_t>& bytes) : TCanvasBytes(bytes.size()) {
  // A copy that cannot be had fails as a vector's copy would.
  if (Size_ != bytes.size()) throw std::bad_alloc();
  if (Size_ > 0) std::memcpy(Data_, bytes.data(), Size_);
}

TCanvasBytes::TCanvasBytes(std::shared_ptr<TPixelBlock> block, std::size_t offset, std::size_t size)
    : Block_(std::move(block)), Data_(Block_->get() + offset), Size_(size) {
  KELVANE_ASSERT(Block_ && *Block_ && offset + size <= Block_->get_deleter().Bytes);
}

TCanvasBytes::TCanvasBytes(const TCanvasBytes& other) : TCanvasBytes(other.Size_) {
  if (Size_ != other.Size_) throw std::bad_alloc();
  if (Size_ > 0) std::memcpy(Data_, other.Data_, Size_);
}

TCanvasBytes& TCanvasBytes::operator=(const TCanvasBytes& other) {
  if (this != &other) *this = TCanvasBytes(other);
  return *this;
}

bool TCanvasBytes::operator==(const TCanvasBytes& other) const {
  return Size_ == other.Size_ && (Size_ == 0 || std::memcmp(Data_, other.Data_, Size_) == 0);
}

std::size_t TDefAnimation::FrameRefCount() const {
  std::size_t count = 0;
  for (const TDefGroup& group : Groups) count += group.Frames.size();
  return count;
}

std::string TDefProblem::Text() const {
  std::string text = Why.Text();
  if (!Why.Ok() && !Where.empty()) text += " (" + Where + ")";
  return text;
}

const char* DefTypeName(std::uint32_t type) {
  switch (type) {
    case 0x40: return "spell";
    case 0x41: return "sprite";
    case 0x42: return "creature";
    case 0x43: return "map object";
    case 0x44: return "map hero";
    case 0x45: return "terrain";
    case 0x46: return "cursor";
    case 0x47: return "interface";
    case 0x48: return "sprite frame";
    case 0x49: return "combat hero";
    default: return "";
  }
}

std::uint32_t GamePixelFormatFor(std::uint32_t type) {
  switch (type) {
    case 0x43:
    case 0x44: return kDefPieceRuns;
    case 0x45: return kDefShortRowRuns;
    default: return kDefRowRuns;
  }
}

TOutcome ImageOfCanvas(const TDefCanvas& canvas, const TDefPalette& palette, TDibBitmap& image) {
  const std::int64_t width = canvas.Width, height = canvas.Height;
  if (width <= 0 || height <= 0 || static_cast<std::int64_t>(canvas.Indexes.size()) != width * height)
    return TOutcome::Failure(TImageError::EmptyImage);
  const std::int64_t paddedRow = (width + 3) / 4 * 4;
  if (paddedRow * height > kMaxPixelBlockBytes) return TOutcome::Failure(TImageError::OverLimit);
  const std::int64_t bmpBytes = kBmpHeadersBytes + kBmpTableBytes + paddedRow * height;

  // A complete 8-bit BMP in one zero-filled block (so the row padding is
  // zero), read back by the plain reader: the same road a sprite takes.
  auto bmp = NewMemoryByteStream();
  bmp->SetSize(bmpBytes);
  std::uint8_t* out = bmp->Memory();
  if (out == nullptr) return TOutcome::Failure(TImageError::NoMemory);
  out[0] = 'B';
  out[1] = 'M';
  StoreU32(out + 2, static_cast<std::uint32_t>(bmpBytes));
  StoreU32(out + 10, static_cast<std::uint32_t>(kBmpHeadersBytes + kBmpTableBytes));
  StoreU32(out + 14, 40);
  StoreU32(out + 18, static_cast<std::uint32_t>(width));
  StoreU32(out + 22, static_cast<std::uint32_t>(height));
  StoreU16(out + 26, 1);
  StoreU16(out + 28, 8);
  StoreU32(out + 38, kPixelsPerMetre);
  StoreU32(out + 42, kPixelsPerMetre);
  std::uint8_t* table = out + kBmpHeadersBytes;
  for (int i = 0; i < 256; ++i) {
    table[4 * i] = palette[3 * i + 2];
    table[4 * i + 1] = palette[3 * i + 1];
    table[4 * i + 2] = palette[3 * i];
  }
  std::uint8_t* rows = table + kBmpTableBytes;
  for (std::int64_t y = 0; y < height; ++y)
    std::memcpy(rows + (height - 1 - y) * paddedRow, canvas.Indexes.data() + y * width,
                static_cast<std::size_t>(width));
  bmp->Seek(0, soFromStart);
  if (!image.ReadPlainBmpStream(*bmp)) return image.LastOutcome();
  return TOutcome::Success();
}

TOutcome CanvasOfImage(TDibBitmap& image, TDefCanvas& canvas) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  if (image.GetPixelFormat() != px8) return TOutcome::Failure(TImageError::NotEightBit);
  const std::int64_t width = image.Width(), height = image.Height();
  const std::int64_t stride = image.RowStride();
  // An 8-bit image's stride is its width padded to 4; a header that says
  // otherwise (the plain reader keeps what it was given) is not copied from.
  if (width <= 0 || height <= 0 || stride < width || stride * height > image.PixelBytes())
    return TOutcome::Failure(TImageError::NotWritableAsBmp);
  const bool topDown = image.Info()->biHeight() < 0;
  canvas.Width = static_cast<std::int32_t>(width);
  canvas.Height = static_cast<std::int32_t>(height);
  canvas.Indexes = TCanvasBytes(static_cast<std::size_t>(width * height));
  if (canvas.Indexes.size() != static_cast<std::size_t>(width * height)) return TOutcome::Failure(TImageError::NoMemory);
  const std::uint8_t* pixels = image.Pixels();
  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t storageRow = topDown ? y : height - 1 - y;
    std::memcpy(canvas.Indexes.data() + y * width, pixels + storageRow * stride, static_cast<std::size_t>(width));
  }
  return TOutcome::Success();
}

bool HasPalette(const TDibBitmap& image, const TDefPalette& palette) {
  if (image.GetPixelFormat() != px8 || image.Info() == nullptr) return false;
  const std::uint8_t* table = image.Info()->Table();
  for (int i = 0; i < 256; ++i) {
    if (table[4 * i + 2] != palette[3 * i] || table[4 * i + 1] != palette[3 * i + 1] ||
        table[4 * i] != palette[3 * i + 2])
      return false;
  }
  return true;
}

}  // namespace kelvane
