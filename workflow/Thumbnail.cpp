#include "workflow/Thumbnail.h"

#include <algorithm>
#include <cmath>

#include "formats/PngCodec.h"
#include "image/BitmapInfoBlock.h"
#include "image/Assert.h"
#include "image/CheckedMath.h"
#include "image/PixelBlock.h"
#include "image/SafeSave.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/FileKind.h"

namespace kelvane {

namespace {

// The stored row of top-down row `y`, or null when the block does not hold it.
const std::uint8_t* StoredRow(TDibBitmap& image, int y) {
  const TBitmapInfoBlock* info = image.Info();
  const std::int64_t stride = image.RowStride();
  if (info == nullptr || image.Pixels() == nullptr || stride <= 0) return nullptr;
  const std::int64_t row = info->biHeight() < 0 ? y : std::int64_t{image.Height()} - 1 - y;
  if ((row + 1) * stride > image.PixelBytes()) return nullptr;
  return image.Pixels() + row * stride;
}

// Whether the stored pixels are plain (uncompressed, no bit fields) at
// `bits` per pixel, so they can be read byte by byte.
bool PlainAt(const TDibBitmap& image, int bits) {
  const TBitmapInfoBlock* info = image.Info();
  return info != nullptr && info->biCompression() == biRgb && info->biBitCount() == bits &&
         info->biWidth() >= image.Width();
}

}  // namespace

TThumbnailSize ThumbnailSizeFor(int width, int height, int size) {
  if (width <= size && height <= size) return {width, height};
  // One factor for both sides, taken from the longer one; the other side
  // rounds to the nearest pixel and keeps at least one.
  const double scale = static_cast<double>(size) / std::max(width, height);
  const auto fit = [&](int side) { return std::clamp(static_cast<int>(std::lround(side * scale)), 1, size); };
  return {fit(width), fit(height)};
}

TThumbnailAlpha ThumbnailAlphaFor(const std::string& path, const TLoadResult& load, const TDibBitmap& image) {
  const TPixelFormat format = image.GetPixelFormat();
  const bool spriteLike = load.Content == TContentKind::Sprite || FileKind(path) == fkDef;
  if (spriteLike && format == px8) return TThumbnailAlpha::IndexZero;
  if (format == px32) return TThumbnailAlpha::AlphaBytes;
  return TThumbnailAlpha::Opaque;
}

bool TRgbaImage::HasTransparency() const {
  for (std::size_t i = 3; i < Pixels.size(); i += 4)
    if (Pixels[i] != 255) return true;
  return false;
}

TOutcome ToRgba(TDibBitmap& image, TThumbnailAlpha alpha, TRgbaImage& out) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  const TPixelRows32 rows = image.Rows32();
  if (rows.Data == nullptr || rows.Width != image.Width() || rows.Height != image.Height())
    return TOutcome::Failure(TImageError::UnsupportedFormat);
  // The index and alpha rules read the stored bytes; a layout they cannot
  // read (compressed, bit fields) stays opaque rather than guessed at.
  if (alpha == TThumbnailAlpha::IndexZero && !PlainAt(image, 8)) alpha = TThumbnailAlpha::Opaque;
  if (alpha == TThumbnailAlpha::AlphaBytes && !PlainAt(image, 32)) alpha = TThumbnailAlpha::Opaque;

  const int width = rows.Width, height = rows.Height;
  const auto bytes = CheckedMul(std::int64_t{width} * 4, std::int64_t{height});
  if (!bytes || *bytes > kMaxPixelBlockBytes) return TOutcome::Failure(TImageError::OverLimit);
  out.Width = width;
  out.Height = height;
  out.Pixels.assign(static_cast<std::size_t>(*bytes), 255);

  // A 32-bit image whose fourth bytes are all 0 carries no alpha (the PNG
  // writer and every BMP reader treat it so).
  if (alpha == TThumbnailAlpha::AlphaBytes) {
    bool anyAlpha = false;
    for (int y = 0; y < height && !anyAlpha; ++y) {
      const std::uint8_t* row = StoredRow(image, y);
      if (row == nullptr) continue;
      for (int x = 0; x < width && !anyAlpha; ++x) anyAlpha = row[4 * x + 3] != 0;
    }
    if (!anyAlpha) alpha = TThumbnailAlpha::Opaque;
  }

  for (int y = 0; y < height; ++y) {
    const std::uint32_t* colours = rows.Row(y);
    const std::uint8_t* stored = alpha == TThumbnailAlpha::Opaque ? nullptr : StoredRow(image, y);
    std::uint8_t* dst = out.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    for (int x = 0; x < width; ++x, dst += 4) {
      const std::uint32_t c = colours[x];
      dst[0] = static_cast<std::uint8_t>(c >> 16);
      dst[1] = static_cast<std::uint8_t>(c >> 8);
      dst[2] = static_cast<std::uint8_t>(c);
      if (stored == nullptr) continue;
      if (alpha == TThumbnailAlpha::IndexZero) dst[3] = stored[x] == 0 ? 0 : 255;
      else dst[3] = stored[4 * x + 3];
    }
  }
  return TOutcome::Success();
}

namespace {

// For each target pixel along one axis, the source pixels it covers and by
// how much (weights sum to 1).
struct TSpan {
  int First = 0;
  std::vector<float> Weights;
};

std::vector<TSpan> Spans(int sourceSide, int targetSide) {
  std::vector<TSpan> spans(static_cast<std::size_t>(targetSide));
  const double step = static_cast<double>(sourceSide) / targetSide;
  for (int t = 0; t < targetSide; ++t) {
    const double begin = t * step, end = std::min<double>((t + 1) * step, sourceSide);
    TSpan& span = spans[static_cast<std::size_t>(t)];
    span.First = static_cast<int>(begin);
    for (int s = span.First; s < sourceSide && s < end; ++s) {
      const double covered = std::min<double>(s + 1, end) - std::max<double>(s, begin);
      if (covered > 0) span.Weights.push_back(static_cast<float>(covered / step));
      else span.Weights.push_back(0.0f);
    }
  }
  return spans;
}

}  // namespace

TRgbaImage ShrinkByArea(const TRgbaImage& source, int width, int height) {
  KELVANE_ASSERT(width >= 1 && height >= 1 && width <= source.Width && height <= source.Height);
  if (width == source.Width && height == source.Height) return source;
  const std::vector<TSpan> across = Spans(source.Width, width);
  const std::vector<TSpan> down = Spans(source.Height, height);

  // Columns first: each source row becomes `width` premultiplied pixels.
  std::vector<float> narrowed(static_cast<std::size_t>(width) * static_cast<std::size_t>(source.Height) * 4);
  for (int y = 0; y < source.Height; ++y) {
    float* dst = narrowed.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    for (int x = 0; x < width; ++x, dst += 4) {
      const TSpan& span = across[static_cast<std::size_t>(x)];
      float r = 0, g = 0, b = 0, a = 0;
      for (std::size_t i = 0; i < span.Weights.size(); ++i) {
        const std::uint8_t* p = source.At(span.First + static_cast<int>(i), y);
        const float w = span.Weights[i] * p[3];
        r += w * p[0];
        g += w * p[1];
        b += w * p[2];
        a += w;
      }
      dst[0] = r;
      dst[1] = g;
      dst[2] = b;
      dst[3] = a;
    }
  }

  // Then rows, and back to straight alpha.
  TRgbaImage out;
  out.Width = width;
  out.Height = height;
  out.Pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  const auto byte = [](float v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
  for (int y = 0; y < height; ++y) {
    const TSpan& span = down[static_cast<std::size_t>(y)];
    for (int x = 0; x < width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (std::size_t i = 0; i < span.Weights.size(); ++i) {
        const float* p = narrowed.data() +
                         (static_cast<std::size_t>(span.First) + i) * static_cast<std::size_t>(width) * 4 +
                         static_cast<std::size_t>(x) * 4;
        for (int c = 0; c < 4; ++c) sum[c] += span.Weights[i] * p[c];
      }
      std::uint8_t* dst = out.Pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                               static_cast<std::size_t>(x)) * 4;
      const float alpha = sum[3];
      for (int c = 0; c < 3; ++c) dst[c] = alpha > 0 ? byte(sum[c] / alpha) : 0;
      dst[3] = byte(alpha);
    }
  }
  return out;
}

TOutcome BitmapOfRgba(const TRgbaImage& rgba, TDibBitmap& bitmap) {
  if (rgba.Width <= 0 || rgba.Height <= 0) return TOutcome::Failure(TImageError::EmptyImage);
  const bool withAlpha = rgba.HasTransparency();
  const int bits = withAlpha ? 32 : 24;
  auto info = std::make_unique<TBitmapInfoBlock>(MakeInfoBlock(rgba.Width, -rgba.Height, bits));
  const auto stride = PaddedRowBytes(rgba.Width, bits);
  const auto bytes = stride ? CheckedMul(*stride, std::int64_t{rgba.Height}) : std::nullopt;
  if (!bytes) return TOutcome::Failure(TImageError::OverLimit);
  TPixelBlock pixels = AllocatePixelBlock(*bytes);
  if (pixels == nullptr) return TOutcome::Failure(TImageError::NoMemory);
  const int channels = bits / 8;
  for (int y = 0; y < rgba.Height; ++y) {
    std::uint8_t* row = pixels.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(*stride);
    for (int x = 0; x < rgba.Width; ++x) {
      const std::uint8_t* p = rgba.At(x, y);
      std::uint8_t* q = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(channels);
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
      if (withAlpha) q[3] = p[3];
    }
  }
  bitmap.InstallDecoded(std::move(info), std::move(pixels), *bytes);
  return TOutcome::Success();
}

TThumbnailResult WriteThumbnail(const std::string& inputPath, int size, const std::string& outputPath) {
  KELVANE_ASSERT(size >= kMinThumbnailSize && size <= kMaxThumbnailSize);
  TThumbnailResult result;
  TDibBitmap image;
  const TLoadResult load = LoadImagePath(image, inputPath);
  if (load.Status == TLoadStatus::NotAnImage) {
    result.Why = TOutcome::Failure(TImageError::UnsupportedFormat);
    result.Detail = "not a .pcx, .bmp, .png or .def file";
    return result;
  }
  if (load.Status != TLoadStatus::Loaded) {
    result.Why = load.Why.Ok() ? TOutcome::Failure(TImageError::UnsupportedFormat) : load.Why;
    result.Detail = load.Detail;
    return result;
  }
  // A 0 x 0 sprite loads, but there is nothing to show for it.
  if (image.IsEmpty()) {
    result.Why = TOutcome::Failure(TImageError::EmptyImage);
    return result;
  }

  TRgbaImage rgba;
  if (TOutcome converted = ToRgba(image, ThumbnailAlphaFor(inputPath, load, image), rgba); !converted) {
    result.Why = converted;
    return result;
  }
  image.Clear();
  const TThumbnailSize fitted = ThumbnailSizeFor(rgba.Width, rgba.Height, size);
  const TRgbaImage shrunk = ShrinkByArea(rgba, fitted.Width, fitted.Height);
  TDibBitmap thumbnail;
  if (TOutcome built = BitmapOfRgba(shrunk, thumbnail); !built) {
    result.Why = built;
    return result;
  }
  TOutcome encoded;
  const TOutcome saved = SaveFileReplacing(outputPath, [&](TByteStream& stream) {
    // A sprite of nothing but index 0 is a thumbnail of nothing, not a cyan box.
    encoded = EncodePng(thumbnail, TPngWriteOptions{TPngAlpha::None, TZeroAlpha::Transparent}, stream);
    return encoded.Ok();
  });
  result.Why = !encoded.Ok() && encoded.Error != TImageError::WriteFailed ? encoded : saved;
  if (result.Why.Ok()) result.Size = fitted;
  return result;
}

}  // namespace kelvane
