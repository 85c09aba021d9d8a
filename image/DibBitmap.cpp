#include "image/DibBitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "image/Assert.h"
#include "image/ByteStream.h"
#include "image/CheckedMath.h"
#include "image/PixelConverter.h"
#include "image/Resource.h"

namespace kelvane {

namespace {

// Bytes of 32-bit rows an image may be expanded to for drawing; a 1-bit image
// at the pixel-block cap would need 32 times its block.
constexpr std::int64_t kMaxRows32Bytes = kMaxPixelBlockBytes;

std::unique_ptr<TPlatformBitmap> NewDeviceHandle(std::int32_t width, std::int32_t height, std::uint32_t fill) {
  if (width <= 0 || height <= 0) return nullptr;
  auto bytes = CheckedMul(std::int64_t{width} * 4, height);
  if (!bytes || *bytes > kMaxRows32Bytes) return nullptr;
  auto handle = std::make_unique<TPlatformBitmap>();
  handle->Kind = TPlatformBitmap::TKind::Device;
  handle->Width = width;
  handle->Height = height;
  handle->Rows32.assign(static_cast<std::size_t>(*bytes / 4), 0xFF000000u | (fill & 0x00FFFFFFu));
  return handle;
}

std::optional<std::int64_t> StrideOf(const TBitmapInfoBlock& info) {
  return PaddedRowBytes(info.biWidth(), info.biBitCount());
}

}  // namespace

TDibBitmap::~TDibBitmap() { Clear(); }

std::unique_ptr<TDibBitmap> TDibBitmap::NewPlainBitmap(std::int32_t width, std::int32_t height) {
  auto bitmap = std::make_unique<TDibBitmap>();
  bitmap->Width_ = width;
  bitmap->Height_ = height;
  return bitmap;
}

std::unique_ptr<TDibBitmap> TDibBitmap::NewDeviceBitmap(std::int32_t width, std::int32_t height) {
  auto bitmap = NewPlainBitmap(width, height);
  bitmap->HandleKind_ = hkDevice;
  // A handle that cannot be made leaves the size set and the handle 0: the
  // image is then not empty but has no pixels and draws nothing.
  if (width != 0 && height != 0) bitmap->Handle_ = NewDeviceHandle(width, height, bitmap->BackgroundColor_);
  return bitmap;
}

void TDibBitmap::ReleaseData() {
  if (Handle_) {
    Handle_.reset();  // section memory goes with its handle
  }
  OwnedPixels_.reset();
  Pixels_ = nullptr;
  PixelBytes_ = 0;
  Info_.reset();
  RowStride_ = 0;
  InvalidateRows32();
}

void TDibBitmap::Clear() {
  ReleaseData();
  Width_ = 0;
  Height_ = 0;
  PixelsOwnedBySection_ = false;
}

void TDibBitmap::InstallImage(std::unique_ptr<TBitmapInfoBlock> info, TPixelBlock pixels, std::int64_t pixelBytes) {
  KELVANE_ASSERT(info != nullptr && pixelBytes >= 0 && pixelBytes <= kMaxPixelBlockBytes);
  KELVANE_ASSERT(pixels == nullptr || pixels.get_deleter().Bytes >= static_cast<std::size_t>(pixelBytes));
  ReleaseData();
  Info_ = std::move(info);
  OwnedPixels_ = std::move(pixels);
  Pixels_ = OwnedPixels_.get();
  PixelBytes_ = Pixels_ != nullptr ? static_cast<std::int32_t>(pixelBytes) : 0;
  PixelsOwnedBySection_ = false;
  RowStride();
}

void TDibBitmap::InstallDecoded(std::unique_ptr<TBitmapInfoBlock> info, TPixelBlock pixels, std::int64_t pixelBytes) {
  KELVANE_ASSERT(info != nullptr && pixels != nullptr);
  KELVANE_ASSERT(info->biWidth() > 0 && info->biHeight() != 0 && info->biHeight() != INT32_MIN);
  const std::int32_t height = info->biHeight() < 0 ? -info->biHeight() : info->biHeight();
  KELVANE_ASSERT(StrideOf(*info) && *StrideOf(*info) * height <= pixelBytes);
  Clear();
  HandleKind_ = hkDib;
  Width_ = info->biWidth();
  Height_ = height;
  InstallImage(std::move(info), std::move(pixels), pixelBytes);
  LastOutcome_ = TOutcome::Success();
}

std::int32_t TDibBitmap::RowStride() {
  if (!Info_) return 0;
  if (RowStride_ == 0) {
    auto stride = StrideOf(*Info_);
    RowStride_ = stride && *stride <= kMaxPixelBlockBytes ? static_cast<std::int32_t>(*stride) : 0;
  }
  return RowStride_;
}

TPixelFormat TDibBitmap::GetPixelFormat() const {
  if (HandleKind_ == hkDevice || Pixels_ == nullptr || !Info_) return pxDevice;
  TPixelFormat r = FormatFromBitCount(Info_->biBitCount());
  if (r == px15 && Info_->biCompression() != biRgb) {
    // 16 bits with RLE compression: only the plain reader keeps such a
    // header, and nothing can decode it.
    return Info_->biCompression() == biBitFields ? px16 : pxCustom;
  }
  return r;
}

void TDibBitmap::SetPixelFormat(TPixelFormat format) {
  if (IsEmpty() || GetPixelFormat() == format) return;
  if (format == pxDevice) {
    SetHandleKind(hkDevice);
    return;
  }
  RequestedFormat_ = format;
  SetHandleKind(hkDib);
  const TPixelFormat target = format == px16 ? px15 : format;
  if (!Info_ || FormatFromBitCount(Info_->biBitCount()) != target) ApplyFormatChange();
}

void TDibBitmap::SetHandleKind(TBitmapHandleKind kind) {
  if (kind == HandleKind_) return;
  HandleKind_ = kind;
  ApplyFormatChange();
}

THandle TDibBitmap::GetHandle() {
  if (IsEmpty() || Handle_) return Handle_.get();
  if (Pixels_ == nullptr || !OwnedPixels_) return nullptr;
  // The section takes over the pixel block; the bitmap keeps addressing it.
  auto section = std::make_unique<TPlatformBitmap>();
  section->Kind = TPlatformBitmap::TKind::Section;
  section->Width = Width_;
  section->Height = Height_;
  section->Memory = std::move(OwnedPixels_);
  Pixels_ = section->Memory.get();
  PixelsOwnedBySection_ = true;
  Handle_ = std::move(section);
  return Handle_.get();
}

void TDibBitmap::AttachHandle(std::unique_ptr<TPlatformBitmap> handle) {
  Clear();
  if (!handle || handle->Width <= 0 || handle->Height <= 0) return;
  if (handle->Kind != TPlatformBitmap::TKind::Device ||
      handle->Rows32.size() != static_cast<std::size_t>(handle->Width) * static_cast<std::size_t>(handle->Height))
    return;
  Width_ = handle->Width;
  Height_ = handle->Height;
  Handle_ = std::move(handle);
  HandleKind_ = hkDevice;
}

void TDibBitmap::LoadFromResource(const TResourceModule& module, std::string_view name) {
  Clear();
  const TResource* resource = module.Find(name);
  if (resource == nullptr) return;
  // A bitmap resource is an info header, its table and the pixels, with no
  // file header; the plain reader takes exactly that.
  auto stream = NewMemoryByteStream();
  stream->Write(resource->Bytes.data(), static_cast<std::int64_t>(resource->Bytes.size()));
  stream->Seek(0, soFromStart);
  TDibBitmap decoded;
  if (!decoded.ReadPlainBmpStream(*stream)) return;
  const TPixelRows32 rows = decoded.Rows32();
  if (rows.Data == nullptr) return;
  auto handle = std::make_unique<TPlatformBitmap>();
  handle->Kind = TPlatformBitmap::TKind::Device;
  handle->Width = rows.Width;
  handle->Height = rows.Height;
  handle->Rows32.resize(static_cast<std::size_t>(rows.Width) * static_cast<std::size_t>(rows.Height));
  for (int y = 0; y < rows.Height; ++y)
    std::memcpy(handle->Rows32.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rows.Width), rows.Row(y),
                static_cast<std::size_t>(rows.Width) * 4);
  AttachHandle(std::move(handle));
}

TPixelRows32 TDibBitmap::Rows32() {
  TPixelRows32 view;
  if (IsEmpty() || Width_ < 0 || Height_ < 0) return view;
  if (Handle_ && Handle_->Kind == TPlatformBitmap::TKind::Device) {
    view.Width = Handle_->Width;
    view.Height = Handle_->Height;
    view.Data = Handle_->Rows32.data();
    view.StrideBytes = static_cast<std::size_t>(Handle_->Width) * 4;
    return view;
  }
  if (!Info_ || Pixels_ == nullptr) return view;
  if (!Rows32Valid_) {
    Rows32Cache_.clear();
    const TRowDecoder decoder(*Info_);
    const std::int64_t stride = RowStride();
    const std::int64_t width = Width_, height = Height_;
    auto bytes = CheckedMul(width * 4, height);
    // The header's own width decides how much of each row is decoded; rows
    // the block does not hold stay black.
    const std::int64_t headerWidth = Info_->biWidth();
    if (!decoder.Supported() || stride <= 0 || !bytes || *bytes > kMaxRows32Bytes || headerWidth < width) return view;
    Rows32Cache_.assign(static_cast<std::size_t>(width * height), 0xFF000000u);
    const bool topDown = Info_->biHeight() < 0;
    for (std::int64_t y = 0; y < height; ++y) {
      const std::int64_t storageRow = topDown ? y : height - 1 - y;
      const std::int64_t offset = storageRow * stride;
      if (offset + stride > PixelBytes_) continue;
      decoder.Decode(Pixels_ + offset, width, Rows32Cache_.data() + y * width);
    }
    Rows32Valid_ = true;
  }
  view.Width = Width_;
  view.Height = Height_;
  view.Data = Rows32Cache_.data();
  view.StrideBytes = static_cast<std::size_t>(Width_) * 4;
  return view;
}

void TDibBitmap::DrawAt(TDrawTarget& target, int x, int y) {
  if (IsEmpty()) return;
  const TPixelRows32 rows = Rows32();
  if (rows.Data != nullptr) target.DrawRows32(x, y, rows);
}

void TDibBitmap::ApplyFormatChange() {
  if (IsEmpty()) return;
  RowStride_ = 0;
  InvalidateRows32();

  if (HandleKind_ == hkDevice) {
    // Device target: the picture as 32-bit rows under a device handle, on a
    // background-coloured canvas where there is nothing to copy.
    auto handle = NewDeviceHandle(Width_, Height_, BackgroundColor_);
    if (handle) {
      const TPixelRows32 rows = Rows32();
      if (rows.Data != nullptr) {
        const int w = std::min(rows.Width, handle->Width), h = std::min(rows.Height, handle->Height);
        for (int y = 0; y < h; ++y)
          std::memcpy(handle->Rows32.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(handle->Width),
                      rows.Row(y), static_cast<std::size_t>(w) * 4);
      }
    }
    ReleaseData();
    Handle_ = std::move(handle);
    return;
  }

  int bits = BitsPerPixelOf(RequestedFormat_);
  if (bits == 0) bits = BitsPerPixelOf(DefaultPixelFormat);
  auto info = std::make_unique<TBitmapInfoBlock>(MakeInfoBlock(Width_, Height_, bits));
  if (RequestedFormat_ == px16) SetBitFields565(*info);
  auto stride = StrideOf(*info);
  auto size = stride ? CheckedMul(*stride, Height_) : std::nullopt;
  if (Width_ < 0 || Height_ < 0 || !size || *size > kMaxPixelBlockBytes) {
    LastOutcome_ = TOutcome::Failure(TImageError::OverLimit);
    return;
  }

  // The source: stored pixels, decoded a row at a time (no copy of the whole
  // picture on the way), or a device handle's 32-bit rows.
  const bool fromPixels = Info_ && Pixels_ != nullptr;
  std::optional<TRowDecoder> decoder;
  TPixelRows32 device;
  if (fromPixels) {
    decoder.emplace(*Info_);
    if (!decoder->Supported() || RowStride() <= 0 || Info_->biWidth() < 0) {
      // Pixels nobody can decode stay as they are rather than become black.
      LastOutcome_ = TOutcome::Failure(TImageError::UnsupportedFormat);
      return;
    }
  } else if (Handle_) {
    device = Rows32();
  }
  TPixelBlock pixels = AllocatePixelBlock(*size);
  if (!pixels) {
    LastOutcome_ = TOutcome::Failure(TImageError::NoMemory);
    return;
  }
  const TRowEncoder encoder(*info);
  // New rows are bottom-up; lines are matched from the bottom row up.
  if (fromPixels) {
    const std::int64_t oldStride = RowStride();
    const std::int64_t oldHeight = Info_->biHeight() < 0 ? -std::int64_t{Info_->biHeight()} : Info_->biHeight();
    const bool topDown = Info_->biHeight() < 0;
    const std::int64_t lines = std::min<std::int64_t>(Height_, oldHeight);
    const std::int64_t width = std::min<std::int64_t>(Width_, Info_->biWidth());
    const int plainBytes = encoder.EncodesBgr() ? decoder->PlainBytesPerPixel() : 0;
    std::vector<std::uint32_t> row(plainBytes != 0 ? 0 : static_cast<std::size_t>(width));
    for (std::int64_t r = 0; r < lines; ++r) {
      const std::int64_t storageRow = topDown ? oldHeight - 1 - r : r;
      if ((storageRow + 1) * oldStride > PixelBytes_) continue;
      if (plainBytes != 0) {
        encoder.EncodeBgr(Pixels_ + storageRow * oldStride, plainBytes, width, pixels.get() + r * *stride);
        continue;
      }
      decoder->Decode(Pixels_ + storageRow * oldStride, width, row.data());
      encoder.Encode(row.data(), width, pixels.get() + r * *stride);
    }
  } else if (device.Data != nullptr) {
    const int lines = std::min(Height_, device.Height);
    const int width = std::min(Width_, device.Width);
    for (int r = 0; r < lines; ++r)
      encoder.Encode(device.Row(device.Height - 1 - r), width, pixels.get() + static_cast<std::int64_t>(r) * *stride);
  }
  ReleaseData();
  InstallImage(std::move(info), std::move(pixels), *size);
  LastOutcome_ = TOutcome::Success();
}

}  // namespace kelvane
