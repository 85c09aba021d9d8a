#include "image/FixedPalettes.h"

#include <array>

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

}  // namespace kelvane
