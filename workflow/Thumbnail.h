// Thumbnails for file managers: `kelvane-cli thumbnail -s SIZE IN OUT.png`.
//
// A file manager runs the thumbnailer once per file and asks for a square
// box (128 or 256 pixels, sometimes 512 or 1024). The thumbnail:
// - is loaded the way the window loads the file (LoadImagePath: sprites,
//   ZSoft PCX and P32 images under ".pcx", BMP, PNG, the first frame of a
//   DEF, and ARCHIVE/ENTRY paths);
// - fits inside SIZE x SIZE with the image's aspect ratio, at least one
//   pixel a side, and is never larger than the image itself: a file
//   manager scales small thumbnails up on its own if it wants to, and an
//   enlarged copy would only be a bigger file of the same pixels;
// - is shrunk by area averaging (every source pixel counts by the part of
//   it that an output pixel covers), in premultiplied alpha, so transparent
//   pixels lend no colour to their opaque neighbours;
// - is RGBA where something is see-through: palette index 0 (the game's
//   cyan) of 8-bit sprites and of DEF frames, and the alpha of 32-bit
//   images (P32, PNG with alpha); RGB otherwise.
// A file that cannot be read, or holds no pixel, gives no thumbnail at all:
// the output is written through SaveFileReplacing only once everything is
// ready, so a failure leaves no file, not even an empty one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/DibBitmap.h"
#include "image/ImageError.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

// The box sizes accepted. A desktop asks for 1024 at most today; 4096 keeps
// a mistyped size from asking for a picture of gigabytes.
inline constexpr int kMinThumbnailSize = 1;
inline constexpr int kMaxThumbnailSize = 4096;

struct TThumbnailSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TThumbnailSize&) const = default;
};

// The size an image of `width` x `height` (both > 0) gets in a box of
// `size`: scaled by one factor to fit, rounded to the nearest pixel, at
// least 1 x 1, never enlarged.
TThumbnailSize ThumbnailSizeFor(int width, int height, int size);

// Which pixels of a loaded image are see-through.
enum class TThumbnailAlpha : std::uint8_t {
  Opaque,      // every pixel (BMP, ZSoft PCX, 24-bit sprites, PNG without alpha)
  IndexZero,   // an 8-bit image's palette index 0 (sprites, DEF frames)
  AlphaBytes,  // a 32-bit image's fourth bytes, unless all of them are 0
};

// The rule for a file loaded from `path` with `load`, now held in `image`.
TThumbnailAlpha ThumbnailAlphaFor(const std::string& path, const TLoadResult& load, const TDibBitmap& image);

// Top-down RGBA pixels, four bytes each, straight (not premultiplied) alpha.
struct TRgbaImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Pixels;

  const std::uint8_t* At(int x, int y) const {
    return Pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)) * 4;
  }
  bool HasTransparency() const;
};

// `image` as RGBA, see-through as `alpha` says. EmptyImage for an image
// without pixels, UnsupportedFormat for one that cannot be drawn.
TOutcome ToRgba(TDibBitmap& image, TThumbnailAlpha alpha, TRgbaImage& out);

// `source` shrunk (or kept) to `width` x `height` by area averaging in
// premultiplied alpha. The target is at most the source's size a side.
TRgbaImage ShrinkByArea(const TRgbaImage& source, int width, int height);

// `rgba` as a bitmap the PNG writer takes: 32-bit BGRA when some pixel is
// see-through, 24-bit otherwise.
TOutcome BitmapOfRgba(const TRgbaImage& rgba, TDibBitmap& bitmap);

struct TThumbnailResult {
  TOutcome Why;        // Ok when the thumbnail was written
  std::string Detail;  // what the load said about a refused file, if anything
  TThumbnailSize Size; // what was written
};

// Loads `inputPath`, makes its thumbnail for a box of `size` and writes it
// to `outputPath` as PNG. Nothing is written unless all of it succeeded.
TThumbnailResult WriteThumbnail(const std::string& inputPath, int size, const std::string& outputPath);

}  // namespace kelvane
