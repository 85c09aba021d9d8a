#include "formats/DefAnimation.h"

#include <cstring>
#include <new>

#include "formats/BmpAssembly.h"
#include "image/Assert.h"

namespace kelvane {

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
  // An 8-bit BMP read back by the plain reader: the same road a sprite takes.
  TBmpAssembly bmp;
  if (TOutcome begun = bmp.Begin(width, height, 8); !begun) return begun;
  for (int i = 0; i < 256; ++i) bmp.SetColour(i, palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
  for (std::int64_t y = 0; y < height; ++y)
    std::memcpy(bmp.Row(y), canvas.Indexes.data() + y * width, static_cast<std::size_t>(width));
  return bmp.LoadInto(image);
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
