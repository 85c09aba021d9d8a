#include "image/FixedPalettes.h"

#include <array>
#include <cstdlib>
#include <new>

namespace kelvane {

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return (r << 16) | (g << 8) | b; }

constexpr std::array<std::uint32_t, 2> kMono = {Rgb(0, 0, 0), Rgb(255, 255, 255)};

constexpr std::array<std::uint32_t, 16> kVga = {
    Rgb(0, 0, 0),     Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0), Rgb(0, 0, 128),   Rgb(128, 0, 128),
    Rgb(0, 128, 128), Rgb(192, 192, 192), Rgb(128, 128, 128), Rgb(255, 0, 0), Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),   Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};

constexpr std::array<std::uint32_t, 256> MakeHalftone() {
  std::array<std::uint32_t, 256> p{};
  // The 20 system colours: the first ten and the last ten entries.
  constexpr std::uint32_t kLow[10] = {Rgb(0, 0, 0),     Rgb(128, 0, 0),     Rgb(0, 128, 0),    Rgb(128, 128, 0),
                                      Rgb(0, 0, 128),   Rgb(128, 0, 128),   Rgb(0, 128, 128),  Rgb(192, 192, 192),
                                      Rgb(192, 220, 192), Rgb(166, 202, 240)};
  constexpr std::uint32_t kHigh[10] = {Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),
                                       Rgb(0, 255, 0),     Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
                                       Rgb(0, 255, 255),   Rgb(255, 255, 255)};
  for (int i = 0; i < 10; ++i) {
    p[static_cast<std::size_t>(i)] = kLow[i];
    p[static_cast<std::size_t>(246 + i)] = kHigh[i];
  }
  std::size_t n = 10;
  for (std::uint32_t r = 0; r < 6; ++r)
    for (std::uint32_t g = 0; g < 6; ++g)
      for (std::uint32_t b = 0; b < 6; ++b) p[n++] = Rgb(r * 51, g * 51, b * 51);
  // Greys between the cube's levels, so that grey pictures keep 26 shades.
  for (std::uint32_t i = 1; i <= 20; ++i) {
    std::uint32_t v = (i * 255 + 10) / 21;
    p[n++] = Rgb(v, v, v);
  }
  return p;
}

constexpr std::array<std::uint32_t, 256> kHalftone = MakeHalftone();

constexpr std::uint32_t kCells = 32 * 32 * 32;
constexpr std::size_t kTableBytes = std::size_t{kCells} * 512;

inline int Channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

inline std::int64_t Distance(std::uint32_t a, std::uint32_t b) {
  const std::int64_t dr = Channel(a, 16) - Channel(b, 16);
  const std::int64_t dg = Channel(a, 8) - Channel(b, 8);
  const std::int64_t db = Channel(a, 0) - Channel(b, 0);
  return dr * dr + dg * dg + db * db;
}

}  // namespace

std::span<const std::uint32_t> MonoPalette() { return kMono; }
std::span<const std::uint32_t> VgaPalette() { return kVga; }
std::span<const std::uint32_t> HalftonePalette() { return kHalftone; }

std::span<const std::uint32_t> FixedPaletteFor(int bits) {
  switch (bits) {
    case 1: return kMono;
    case 4: return kVga;
    case 8: return kHalftone;
    default: return {};
  }
}

std::uint8_t NearestColorBruteForce(std::span<const std::uint32_t> palette, std::uint32_t rgb) {
  std::size_t best = 0;
  std::int64_t bestDistance = INT64_MAX;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    std::int64_t d = Distance(palette[i], rgb);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

TNearestColorMap::TNearestColorMap(std::span<const std::uint32_t> palette)
    : Palette_(palette), CellReady_(new bool[kCells]()) {
  // calloc: the 16 MiB stay untouched zero pages until a cell is filled.
  Table_ = static_cast<std::uint8_t*>(std::calloc(kTableBytes, 1));
  if (Table_ == nullptr) throw std::bad_alloc();
}

TNearestColorMap::~TNearestColorMap() { std::free(Table_); }

void TNearestColorMap::FillCell(std::uint32_t cell) {
  const int lo[3] = {static_cast<int>((cell >> 10) & 31) * 8, static_cast<int>((cell >> 5) & 31) * 8,
                     static_cast<int>(cell & 31) * 8};
  // An entry can be nearest to some colour of the cell only if its least
  // distance to the cell is no more than the smallest greatest distance any
  // entry has to the cell.
  std::int64_t minDist[256], bound = INT64_MAX;
  const std::size_t count = Palette_.size() < 256 ? Palette_.size() : 256;
  for (std::size_t i = 0; i < count; ++i) {
    const int c[3] = {Channel(Palette_[i], 16), Channel(Palette_[i], 8), Channel(Palette_[i], 0)};
    std::int64_t dmin = 0, dmax = 0;
    for (int k = 0; k < 3; ++k) {
      const int l = lo[k], h = lo[k] + 7;
      const std::int64_t below = c[k] < l ? l - c[k] : 0, above = c[k] > h ? c[k] - h : 0;
      dmin += (below + above) * (below + above);
      const std::int64_t far = c[k] - l > h - c[k] ? c[k] - l : h - c[k];
      dmax += far * far;
    }
    minDist[i] = dmin;
    if (dmax < bound) bound = dmax;
  }
  std::uint8_t candidates[256];
  std::uint32_t candidateColors[256];
  int n = 0;
  for (std::size_t i = 0; i < count; ++i)
    if (minDist[i] <= bound) {
      candidates[n] = static_cast<std::uint8_t>(i);
      candidateColors[n++] = Palette_[i];
    }

  std::uint8_t* out = Table_ + (std::size_t{cell} << 9);
  for (int r = 0; r < 8; ++r)
    for (int g = 0; g < 8; ++g)
      for (int b = 0; b < 8; ++b) {
        const std::uint32_t rgb = Rgb(static_cast<std::uint32_t>(lo[0] + r), static_cast<std::uint32_t>(lo[1] + g),
                                      static_cast<std::uint32_t>(lo[2] + b));
        // Candidates are in palette order, so the strict test keeps the
        // lowest index among equally near entries.
        int best = 0;
        std::int64_t bestDistance = INT64_MAX;
        for (int k = 0; k < n; ++k) {
          const std::int64_t d = Distance(candidateColors[k], rgb);
          if (d < bestDistance) {
            bestDistance = d;
            best = k;
          }
        }
        *out++ = candidates[best];
      }
  CellReady_[cell] = true;
}

TNearestColorMap& TNearestColorMap::ForFixedPalette(int bits) {
  static TNearestColorMap mono(kMono), vga(kVga), halftone(kHalftone);
  return bits == 1 ? mono : bits == 4 ? vga : halftone;
}

}  // namespace kelvane
