#include "image/PaletteReduction.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "image/CheckedMath.h"
#include "image/NearestColorMap.h"
#include "image/PixelConverter.h"

namespace kelvane {

namespace {

constexpr std::uint8_t kTransparentIndex = 0;
constexpr std::uint8_t kLightShadowIndex = 1;
constexpr std::uint8_t kShadowIndex = 4;

// Whether a 32-bit plain image's fourth bytes carry alpha: not when all of
// them are 0.
bool AlphaInUse(const TDibBitmap& image, std::int64_t stride, std::int64_t rows, std::int64_t width) {
  const std::uint8_t* pixels = image.Pixels();
  for (std::int64_t y = 0; y < rows; ++y) {
    const std::uint8_t* row = pixels + y * stride;
    for (std::int64_t x = 0; x < width; ++x)
      if (row[4 * x + 3] != 0) return true;
  }
  return false;
}

class TReducer {
 public:
  TReducer(const TPalette& palette, const TReservedEntries& reserved)
      : Palette_(palette) {
    const std::span<const std::uint32_t> colours(palette.Colors.data(), static_cast<std::size_t>(palette.Count));
    // A map of our own lives inside the reducer: held through a shared
    // pointer the cold reduction of a large image ran 10% slower.
    Shared_ = SharedNearestColorMap(colours, reserved);
    if (!Shared_) Own_.emplace(colours, reserved);
    Map_ = Shared_ ? Shared_.get() : &*Own_;
  }

  std::uint8_t Index(std::uint32_t rgb) {
    const std::uint8_t index = Map_->Nearest(rgb);
    Inexact_ += Palette_.Colors[index] != rgb;
    return index;
  }
  // The index without counting; `exact` says whether it is the colour itself.
  std::uint8_t Lookup(std::uint32_t rgb, bool& exact) {
    const std::uint8_t index = Map_->Nearest(rgb);
    exact = Palette_.Colors[index] == rgb;
    return index;
  }
  void CountInexact(std::int64_t pixels) { Inexact_ += pixels; }
  // The alpha rules, then the colour.
  std::uint8_t IndexWithAlpha(std::uint32_t rgb, std::uint8_t alpha) {
    const int count = Palette_.Count;
    if (alpha == 0 && kTransparentIndex < count) return kTransparentIndex;
    if (alpha == 64 && kLightShadowIndex < count) return kLightShadowIndex;
    if (alpha == 128 && kShadowIndex < count) return kShadowIndex;
    return Index(rgb);
  }
  // A row of 24- or 32-bit pixels without alpha.
  void Row(const std::uint8_t* in, int bytesPerPixel, std::int64_t width, std::uint8_t* out) {
    Map_->NearestRowBgr(in, bytesPerPixel, width, out);
    const std::uint32_t* colours = Palette_.Colors.data();
    std::int64_t inexact = 0;
    for (std::int64_t x = 0; x < width; ++x, in += bytesPerPixel)
      inexact += colours[out[x]] != (std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0]);
    Inexact_ += inexact;
  }
  std::int64_t Inexact() const { return Inexact_; }

 private:
  const TPalette& Palette_;
  std::shared_ptr<TNearestColorMap> Shared_;
  std::optional<TNearestColorMap> Own_;
  TNearestColorMap* Map_ = nullptr;
  std::int64_t Inexact_ = 0;
};

bool TablesEqual(const TPalette& a, const TPalette& b) {
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint32_t ca = static_cast<int>(i) < a.Count ? a.Colors[i] : 0;
    const std::uint32_t cb = static_cast<int>(i) < b.Count ? b.Colors[i] : 0;
    if (ca != cb) return false;
  }
  return true;
}

}  // namespace

TReservedEntries DefaultReservedEntries() {
  TReservedEntries r;
  for (std::size_t i = 0; i < 8; ++i) r[i] = true;
  return r;
}

bool ParseReservedEntries(const std::string& text, TReservedEntries& out) {
  TReservedEntries r;
  if (text == "none") {
    out = r;
    return true;
  }
  auto number = [&](std::size_t& at, int& value) {
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 4) value = value * 10 + (text[at++] - '0');
    return at > start && value <= 255;
  };
  std::size_t at = 0;
  for (;;) {
    int first = 0, last = 0;
    if (!number(at, first)) return false;
    last = first;
    if (at < text.size() && text[at] == '-') {
      ++at;
      if (!number(at, last) || last < first) return false;
    }
    for (int i = first; i <= last; ++i) r[static_cast<std::size_t>(i)] = true;
    if (at == text.size()) break;
    if (text[at++] != ',') return false;
  }
  out = r;
  return true;
}

TPalette PaletteOf(const TDibBitmap& image) {
  TPalette palette;
  const TBitmapInfoBlock* info = image.Info();
  if (info == nullptr) return palette;
  const int bits = info->biBitCount();
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return palette;
  // The decoder knows where the table is; a row holding every index once
  // gives its colours in order.
  const TRowDecoder decoder(*info);
  const int entries = 1 << bits;
  std::uint8_t row[256] = {};
  const int perByte = 8 / bits;
  for (int i = 0; i < entries; ++i)
    row[i / perByte] = static_cast<std::uint8_t>(row[i / perByte] | (i << (8 - bits * (1 + i % perByte))));
  std::uint32_t colours[256];
  decoder.Decode(row, entries, colours);
  for (int i = 0; i < entries; ++i) palette.Colors[static_cast<std::size_t>(i)] = colours[i] & 0x00FFFFFFu;
  palette.Count = entries;
  return palette;
}

TReductionReport ReduceToPalette(TDibBitmap& image, const TPalette& given, const TReductionOptions& options) {
  TReductionReport report;
  // Colours are compared whole, so bits above the 24 of a colour go.
  TPalette palette = given;
  for (std::uint32_t& c : palette.Colors) c &= 0x00FFFFFFu;
  if (image.IsEmpty()) {
    report.Outcome = TOutcome::Failure(TImageError::EmptyImage);
    return report;
  }
  TReservedEntries reserved = options.Reserved;
  bool anyOrdinary = false;
  for (int i = 0; i < palette.Count && i < 256; ++i) anyOrdinary |= !reserved[static_cast<std::size_t>(i)];
  if (palette.Count <= 0 || palette.Count > 256 || !anyOrdinary) {
    report.Outcome = TOutcome::Failure(TImageError::InvalidPalette);
    return report;
  }

  const TPixelFormat format = image.GetPixelFormat();
  if (format == px8 && TablesEqual(PaletteOf(image), palette)) {
    report.IndexesKept = true;
    return report;
  }

  const std::int64_t width = image.Width(), height = image.Height();
  auto info = std::make_unique<TBitmapInfoBlock>(MakeInfoBlock(image.Width(), image.Height(), 8));
  const auto stride = PaddedRowBytes(width, 8);
  const auto size = stride ? CheckedMul(*stride, height) : std::nullopt;
  if (width < 0 || height < 0 || !size || *size > kMaxPixelBlockBytes) {
    report.Outcome = TOutcome::Failure(TImageError::OverLimit);
    return report;
  }
  std::uint8_t* table = info->Table();
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint32_t c = static_cast<int>(i) < palette.Count ? palette.Colors[i] : 0;
    table[4 * i] = static_cast<std::uint8_t>(c);
    table[4 * i + 1] = static_cast<std::uint8_t>(c >> 8);
    table[4 * i + 2] = static_cast<std::uint8_t>(c >> 16);
  }

  TReducer reducer(palette, reserved);
  TPixelBlock pixels = AllocatePixelBlock(*size);
  if (!pixels) {
    report.Outcome = TOutcome::Failure(TImageError::NoMemory);
    return report;
  }

  const TBitmapInfoBlock* source = image.Info();
  if (format == pxDevice || source == nullptr || image.Pixels() == nullptr) {
    // A device image: its 32-bit rows, top-down, alpha unused.
    const TPixelRows32 rows = image.Rows32();
    if (rows.Data == nullptr) {
      report.Outcome = TOutcome::Failure(TImageError::UnsupportedFormat);
      return report;
    }
    const std::int64_t lines = std::min<std::int64_t>(height, rows.Height), w = std::min<std::int64_t>(width, rows.Width);
    for (std::int64_t r = 0; r < lines; ++r) {
      const std::uint32_t* in = rows.Row(static_cast<int>(height - 1 - r));
      std::uint8_t* out = pixels.get() + r * *stride;
      for (std::int64_t x = 0; x < w; ++x) out[x] = reducer.Index(in[x] & 0x00FFFFFFu);
    }
  } else {
    const TRowDecoder decoder(*source);
    const std::int64_t sourceStride = image.RowStride();
    if (!decoder.Supported() || sourceStride <= 0 || source->biWidth() < 0) {
      report.Outcome = TOutcome::Failure(TImageError::UnsupportedFormat);
      return report;
    }
    const bool topDown = source->biHeight() < 0;
    const std::int64_t sourceHeight = topDown ? -std::int64_t{source->biHeight()} : source->biHeight();
    const std::int64_t lines = std::min(height, sourceHeight);
    const std::int64_t w = std::min<std::int64_t>(width, source->biWidth());
    const std::int64_t storedRows = std::min(sourceHeight, image.PixelBytes() / sourceStride);
    const int bits = source->biBitCount();
    const bool plain32 = bits == 32 && source->biCompression() == biRgb;
    const bool alpha = plain32 && AlphaInUse(image, sourceStride, storedRows, w);
    // Palette sources map each table entry once.
    std::uint8_t lookup[256] = {};
    bool exactEntry[256] = {};
    const bool indexed = bits <= 8;
    if (indexed) {
      const TPalette own = PaletteOf(image);
      for (std::size_t i = 0; i < static_cast<std::size_t>(own.Count); ++i)
        lookup[i] = reducer.Lookup(own.Colors[i], exactEntry[i]);
    }
    std::vector<std::uint32_t> decoded(static_cast<std::size_t>(w));
    std::int64_t inexact = 0;
    for (std::int64_t r = 0; r < lines; ++r) {
      const std::int64_t storageRow = topDown ? sourceHeight - 1 - r : r;
      if (storageRow >= storedRows) continue;
      const std::uint8_t* in = image.Pixels() + storageRow * sourceStride;
      std::uint8_t* out = pixels.get() + r * *stride;
      if (bits == 24 || (plain32 && !alpha)) {
        reducer.Row(in, bits / 8, w, out);
      } else if (plain32) {
        for (std::int64_t x = 0; x < w; ++x) {
          const std::uint32_t rgb = std::uint32_t{in[4 * x + 2]} << 16 | std::uint32_t{in[4 * x + 1]} << 8 | in[4 * x];
          out[x] = reducer.IndexWithAlpha(rgb, in[4 * x + 3]);
        }
      } else if (indexed) {
        // Unpack the indexes the way the decoder reads them, then look up.
        const int perByte = 8 / bits;
        const std::uint32_t mask = (1u << bits) - 1;
        for (std::int64_t x = 0; x < w; ++x) {
          const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
          const std::uint8_t index = static_cast<std::uint8_t>((in[x / perByte] >> shift) & mask);
          out[x] = lookup[index];
          inexact += !exactEntry[index];
        }
      } else {
        decoder.Decode(in, w, decoded.data());
        for (std::int64_t x = 0; x < w; ++x) out[x] = reducer.Index(decoded[static_cast<std::size_t>(x)] & 0x00FFFFFFu);
      }
    }
    reducer.CountInexact(inexact);
  }
  report.InexactPixels = reducer.Inexact();
  if (options.Exact && report.InexactPixels > 0) {
    report.Outcome = TOutcome::Failure(TImageError::InexactColors);
    return report;
  }
  image.InstallDecoded(std::move(info), std::move(pixels), *size);
  return report;
}

}  // namespace kelvane
