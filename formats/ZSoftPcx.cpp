#include "formats/ZSoftPcx.h"

#include <array>
#include <cstring>
#include <vector>

#include "formats/BmpAssembly.h"
#include "image/ByteReader.h"
#include "image/CheckedMath.h"
#include "image/Limits.h"

namespace kelvane {

namespace {

constexpr std::uint64_t kHeaderBytes = 128;
constexpr std::uint64_t kVgaPaletteBytes = 769;  // 0x0C and 256 x 3
constexpr std::uint8_t kManufacturer = 0x0A;
constexpr std::uint8_t kVgaPaletteMarker = 0x0C;
constexpr std::uint8_t kRunFlags = 0xC0;
constexpr int kMaxPlanes = 4;

// The colours of files that keep no palette (version 3): the 16 EGA colours.
constexpr std::array<std::array<std::uint8_t, 3>, 16> kEgaColours = {{
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xAA}, {0x00, 0xAA, 0x00}, {0x00, 0xAA, 0xAA},
    {0xAA, 0x00, 0x00}, {0xAA, 0x00, 0xAA}, {0xAA, 0x55, 0x00}, {0xAA, 0xAA, 0xAA},
    {0x55, 0x55, 0x55}, {0x55, 0x55, 0xFF}, {0x55, 0xFF, 0x55}, {0x55, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55}, {0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0x55}, {0xFF, 0xFF, 0xFF},
}};

struct THeader {
  std::uint8_t Version = 0;
  std::uint8_t BitsPerPlane = 0;
  std::int64_t Width = 0;   // may come out 0 or less from a hostile header
  std::int64_t Height = 0;
  std::uint8_t Planes = 0;
  std::int64_t BytesPerLine = 0;
  std::array<std::uint8_t, 48> Colours{};
};

// The header fields, or false when the bytes do not look like ZSoft PCX.
bool ReadHeader(TByteSource& source, THeader& h) {
  TByteReader r;
  if (!source.Range(0, kHeaderBytes, kHeaderBytes, r)) return false;
  const std::uint8_t manufacturer = r.U8();
  h.Version = r.U8();
  const std::uint8_t encoding = r.U8();
  h.BitsPerPlane = r.U8();
  const std::int64_t xMin = r.U16(), yMin = r.U16(), xMax = r.U16(), yMax = r.U16();
  r.Skip(4);  // resolution in dots per inch: the image keeps the sprites' 72
  r.Read(h.Colours.data(), h.Colours.size());
  const std::uint8_t reserved = r.U8();
  h.Planes = r.U8();
  h.BytesPerLine = r.U16();
  // The rest (palette kind, screen size, filler) changes nothing here.
  if (!r.Ok() || manufacturer != kManufacturer || encoding != 1 || reserved != 0) return false;
  if (h.Version != 0 && h.Version != 2 && h.Version != 3 && h.Version != 4 && h.Version != 5) return false;
  if (h.BitsPerPlane != 1 && h.BitsPerPlane != 2 && h.BitsPerPlane != 4 && h.BitsPerPlane != 8) return false;
  if (h.Planes < 1 || h.Planes > kMaxPlanes || h.BytesPerLine == 0 || h.BytesPerLine % 2 != 0) return false;
  h.Width = xMax - xMin + 1;
  h.Height = yMax - yMin + 1;
  return true;
}

// Decodes one scan line (every plane's line) of `line.size()` bytes. A run
// never reaches past the line: its end is where the next line starts.
TImageError DecodeLine(TByteReader& data, std::vector<std::uint8_t>& line) {
  std::size_t x = 0;
  while (x < line.size()) {
    const std::uint8_t byte = data.U8();
    if (data.Failed()) return TImageError::ShortRead;
    if ((byte & kRunFlags) != kRunFlags) {
      line[x++] = byte;
      continue;
    }
    const std::size_t count = byte & ~kRunFlags;
    const std::uint8_t value = data.U8();
    if (data.Failed()) return TImageError::ShortRead;
    if (count > line.size() - x) return TImageError::DamagedCompression;
    std::memset(line.data() + x, value, count);
    x += count;
  }
  return TImageError::None;
}

// The bits of the image a layout gives, or 0 for a layout not read.
int ImageBitsOf(const THeader& h) {
  if (h.BitsPerPlane == 1 && h.Planes == 1) return 1;
  if (h.BitsPerPlane == 1) return 4;  // 2 to 4 planes
  if (h.BitsPerPlane == 4 && h.Planes == 1) return 4;
  if (h.BitsPerPlane == 8 && h.Planes == 1) return 8;
  if (h.BitsPerPlane == 8 && h.Planes == 3) return 24;
  return 0;
}

// Moves one decoded scan line into a row of the image.
void PlaceLine(const THeader& h, const std::uint8_t* line, std::uint8_t* row, std::int64_t rowBytes) {
  const std::int64_t width = h.Width, planeBytes = h.BytesPerLine;
  if (h.BitsPerPlane == 1 && h.Planes > 1) {
    // Plane k holds bit k of each pixel's colour; two pixels per byte out.
    for (std::int64_t x = 0; x < width; ++x) {
      const int shift = 7 - static_cast<int>(x % 8);
      unsigned index = 0;
      for (int k = 0; k < h.Planes; ++k) index |= ((line[k * planeBytes + x / 8] >> shift) & 1u) << k;
      row[x / 2] = static_cast<std::uint8_t>(row[x / 2] | (x % 2 == 0 ? index << 4 : index));
    }
  } else if (h.Planes == 3) {
    // Red, green and blue lines become blue, green, red pixels.
    for (std::int64_t x = 0; x < width; ++x) {
      row[3 * x] = line[2 * planeBytes + x];
      row[3 * x + 1] = line[planeBytes + x];
      row[3 * x + 2] = line[x];
    }
  } else {
    // Packed pixels are laid out as in a BMP row, high bits first.
    std::memcpy(row, line, static_cast<std::size_t>(rowBytes));
  }
}

}  // namespace

bool LooksLikeZSoftPcx(TByteSource& source) {
  THeader h;
  return ReadHeader(source, h);
}

TOutcome LoadZSoftPcx(TDibBitmap& image, TByteSource& source) {
  THeader h;
  if (!ReadHeader(source, h)) return TOutcome::Failure(TImageError::BadHeader);
  if (h.Width <= 0 || h.Height <= 0) return TOutcome::Failure(TImageError::BadHeader);
  const int bits = ImageBitsOf(h);
  if (bits == 0) return TOutcome::Failure(TImageError::UnsupportedFormat);
  // Each plane's line must hold the width's pixels; bytes past them pad it.
  if (h.BytesPerLine * 8 < h.Width * h.BitsPerPlane) return TOutcome::Failure(TImageError::BadHeader);

  // A claim above the pixel block cap is refused before anything is read.
  const auto stride = PaddedRowBytes(h.Width, bits);
  const auto pixelBytes = stride ? CheckedMul(*stride, h.Height) : std::nullopt;
  if (!pixelBytes || *pixelBytes > kMaxPixelBlockBytes) return TOutcome::Failure(TImageError::OverLimit);

  // An 8-bit image keeps its palette in the last 769 bytes, after the rows.
  const std::uint64_t size = source.Size();
  bool vgaPalette = false;
  TByteReader palette;
  if (bits == 8 && size >= kHeaderBytes + kVgaPaletteBytes) {
    if (TOutcome got = source.Range(size - kVgaPaletteBytes, kVgaPaletteBytes, kVgaPaletteBytes, palette); !got)
      return got;
    vgaPalette = palette.U8() == kVgaPaletteMarker;
  }
  const std::uint64_t dataEnd = vgaPalette ? size - kVgaPaletteBytes : size;
  TByteReader data;
  if (TOutcome got = source.Range(kHeaderBytes, dataEnd - kHeaderBytes,
                                  static_cast<std::uint64_t>(kMaxZSoftCompressedBytes), data);
      !got)
    return got;

  // Two bytes of data fill at most 63 bytes of a line, so data too short for
  // every line is refused before the image is allocated.
  const std::int64_t lineBytes = h.Planes * h.BytesPerLine;
  const auto leastData = CheckedMul(h.Height, (lineBytes + 62) / 63 * 2);
  if (!leastData || static_cast<std::uint64_t>(*leastData) > data.Size())
    return TOutcome::Failure(TImageError::ShortRead);

  TBmpAssembly bmp;
  if (TOutcome begun = bmp.Begin(h.Width, h.Height, bits); !begun) return begun;
  if (bits == 8) {
    for (int i = 0; i < 256; ++i) {
      if (vgaPalette) {
        const std::uint8_t red = palette.U8(), green = palette.U8(), blue = palette.U8();
        bmp.SetColour(i, red, green, blue);
      } else {
        const auto grey = static_cast<std::uint8_t>(i);
        bmp.SetColour(i, grey, grey, grey);
      }
    }
    if (!palette.Ok()) return TOutcome::Failure(TImageError::ShortRead);
  } else if (bits == 1) {
    bmp.SetColour(0, 0, 0, 0);
    bmp.SetColour(1, 255, 255, 255);
  } else if (bits == 4) {
    for (int i = 0; i < 16; ++i) {
      const std::uint8_t* c = h.Version == 3 ? kEgaColours[static_cast<std::size_t>(i)].data() : &h.Colours[3 * i];
      bmp.SetColour(i, c[0], c[1], c[2]);
    }
  }

  // Within the pixel cap a scan line is at most 4 x 65534 bytes.
  std::vector<std::uint8_t> line(static_cast<std::size_t>(lineBytes));
  for (std::int64_t y = 0; y < h.Height; ++y) {
    if (TImageError e = DecodeLine(data, line); e != TImageError::None) return TOutcome::Failure(e);
    PlaceLine(h, line.data(), bmp.Row(y), bmp.RowBytes());
  }
  return bmp.LoadInto(image);
}

}  // namespace kelvane
