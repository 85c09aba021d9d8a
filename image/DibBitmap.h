// TDibBitmap: the one in-memory image type of Kelvane.
//
// The image is held like a Windows device-independent bitmap: a 1064-byte
// header block (40-byte info header plus a table area for colours or bit
// masks) and a block of pixel rows, each padded to 4 bytes, in storage order
// (bottom row first when biHeight is positive, top row first when it is
// negative). Nothing in the core reorders rows except a format conversion,
// which always produces bottom-up rows.
//
// States: empty (Width or Height 0), memory (header block + owned pixels),
// section (the pixels moved under a handle by GetHandle), device (pixels kept
// only by a device handle: NewDeviceBitmap, AttachHandle, LoadFromResource).
//
// Failure is reported the way callers expect: readers return false and leave
// the image empty; LastError() then says why (the refusal texts are in
// ImageError.h). No operation throws. Every operation on an empty image does
// nothing. Sizes a file claims are checked in 64 bits against the limits in
// Limits.h before anything is allocated.
//
// Drawing: DrawAt hands 32-bit top-down rows to a TDrawTarget; the rows are
// converted once and cached until the image changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/BitmapInfoBlock.h"
#include "image/DrawTarget.h"
#include "image/ImageError.h"
#include "image/PixelBlock.h"
#include "image/PixelFormat.h"

namespace kelvane {

class TByteStream;
class TResourceModule;

// The platform side of a bitmap: a DIB section (it owns the pixel memory the
// bitmap addresses) or a device bitmap (pixels of its own, kept as 32-bit
// top-down rows, 0xFFRRGGBB).
struct TPlatformBitmap {
  enum class TKind : std::uint8_t { Section, Device };
  TKind Kind = TKind::Device;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  TPixelBlock Memory;                // section: the pixel block
  std::vector<std::uint32_t> Rows32;       // device: Width x Height pixels
};

// A handle is the address of its platform bitmap; 0 means none.
using THandle = const TPlatformBitmap*;

class TDibBitmap {
 public:
  TDibBitmap() = default;
  ~TDibBitmap();
  TDibBitmap(const TDibBitmap&) = delete;
  TDibBitmap& operator=(const TDibBitmap&) = delete;

  std::int32_t Width() const { return Width_; }
  std::int32_t Height() const { return Height_; }
  bool IsEmpty() const { return Width_ == 0 || Height_ == 0; }
  void Clear();

  // The format the stored header describes; pxDevice without pixels.
  TPixelFormat GetPixelFormat() const;
  // Converts the pixels when the format differs (16 and 15 bits count as
  // one); px8 reduces colours to a fixed 256-colour table, nearest colour.
  void SetPixelFormat(TPixelFormat format);
  void SetHandleKind(TBitmapHandleKind kind);

  THandle GetHandle();
  // Takes ownership of a platform bitmap; the image becomes a device image.
  void AttachHandle(std::unique_ptr<TPlatformBitmap> handle);
  // Loads a bitmap resource (info header, table, pixels; no file header).
  // The image is left empty when the module has no such resource or it
  // cannot be decoded.
  void LoadFromResource(const TResourceModule& module, std::string_view name);

  // Draws the whole image 1:1 with its top-left corner at (x, y).
  void DrawAt(TDrawTarget& target, int x, int y);
  // The image as 32-bit top-down rows (cached); empty view when there is
  // nothing to draw.
  TPixelRows32 Rows32();

  // Full reader: file header optional, RLE8/RLE4 decoded, bad images refused.
  bool ReadBmpFile(const std::string& fileName);
  bool ReadBmpStream(TByteStream& stream);
  // Plain reader: uncompressed images, header values taken as they are; the
  // whole pixel block must be present.
  bool ReadPlainBmpStream(TByteStream& stream);

  // Writes a BMP file (14-byte file header, header block, pixels as held).
  // The file is replaced only when everything was written.
  TOutcome WriteBmpFile(const std::string& fileName);
  bool WriteBmpStream(TByteStream& stream);

  // Field access.
  TBitmapHandleKind HandleKind() const { return HandleKind_; }
  TPixelFormat RequestedFormat() const { return RequestedFormat_; }
  std::uint32_t BackgroundColor() const { return BackgroundColor_; }
  bool PixelsOwnedBySection() const { return PixelsOwnedBySection_; }
  const TBitmapInfoBlock* Info() const { return Info_.get(); }
  TBitmapInfoBlock* MutableInfo() {
    InvalidateRows32();
    return Info_.get();
  }
  const std::uint8_t* Pixels() const { return Pixels_; }
  std::uint8_t* MutablePixels() {
    InvalidateRows32();
    return Pixels_;
  }
  std::int32_t PixelBytes() const { return PixelBytes_; }
  // Bytes per stored row, from the header block; 0 without one.
  std::int32_t RowStride();
  // Why the last read or conversion failed; None after success.
  TImageError LastError() const { return LastOutcome_.Error; }
  const char* LastErrorText() const { return ImageErrorText(LastOutcome_.Error); }
  // The same with the system's reason where there is one (a file that
  // could not be opened).
  const TOutcome& LastOutcome() const { return LastOutcome_; }

  // Replaces the image with decoded pixels: a header block that describes
  // `width` x `height` pixels (biHeight negative for top-down rows) and a
  // block holding at least one stride times the rows. For decoders outside
  // the core (PNG) and for reductions; the image becomes a memory image.
  void InstallDecoded(std::unique_ptr<TBitmapInfoBlock> info, TPixelBlock pixels, std::int64_t pixelBytes);

  static std::unique_ptr<TDibBitmap> NewPlainBitmap(std::int32_t width, std::int32_t height);
  static std::unique_ptr<TDibBitmap> NewDeviceBitmap(std::int32_t width, std::int32_t height);

 private:
  friend class TBmpReader;
  void ReleaseData();
  void ApplyFormatChange();
  void InvalidateRows32() { Rows32Valid_ = false; }
  // Installs a decoded image (memory state); pixels must hold PixelBytes.
  void InstallImage(std::unique_ptr<TBitmapInfoBlock> info, TPixelBlock pixels, std::int64_t pixelBytes);

  std::int32_t Height_ = 0;
  std::int32_t Width_ = 0;
  std::unique_ptr<TPlatformBitmap> Handle_;
  std::int32_t RowStride_ = 0;
  std::uint32_t BackgroundColor_ = 0;
  TBitmapHandleKind HandleKind_ = hkDib;
  std::unique_ptr<TBitmapInfoBlock> Info_;
  std::uint8_t* Pixels_ = nullptr;               // owned block or section memory
  TPixelBlock OwnedPixels_;  // set while the bitmap owns the block
  std::int32_t PixelBytes_ = 0;
  TPixelFormat RequestedFormat_ = pxDevice;
  bool PixelsOwnedBySection_ = false;
  TOutcome LastOutcome_;

  std::vector<std::uint32_t> Rows32Cache_;
  bool Rows32Valid_ = false;
};

inline std::unique_ptr<TDibBitmap> NewPlainBitmap(std::int32_t width, std::int32_t height) {
  return TDibBitmap::NewPlainBitmap(width, height);
}
inline std::unique_ptr<TDibBitmap> NewDeviceBitmap(std::int32_t width, std::int32_t height) {
  return TDibBitmap::NewDeviceBitmap(width, height);
}

}  // namespace kelvane
