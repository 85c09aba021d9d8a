// The fixed colour tables a reduction to 8 bits or fewer maps onto, and the
// exact nearest-colour search over them.
//
// The tables do not depend on the image: black and white for 1 bit, the 16
// VGA colours for 4 bits, and for 8 bits a general mix of 256 colours: the
// 20 classic system colours (entries 0-9 and 246-255), a 6 x 6 x 6 colour
// cube (entries 10-225) and 20 greys (226-245). Colours are 0x00RRGGBB.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace kelvane {

std::span<const std::uint32_t> MonoPalette();      // 2 entries
std::span<const std::uint32_t> VgaPalette();       // 16 entries
std::span<const std::uint32_t> HalftonePalette();  // 256 entries

// The fixed table for a target of `bits` (1, 4 or 8); empty for any other.
std::span<const std::uint32_t> FixedPaletteFor(int bits);

// Maps a colour to the index of the nearest palette entry by squared RGB
// distance; of equally near entries the lowest index wins. Exact, and fast
// through a lookup table filled lazily, one 8 x 8 x 8 cell of RGB space at a
// time: each cell keeps only the entries that can be nearest to some colour
// in it, so filling is cheap and lookups are one load. Not thread-safe.
class TNearestColorMap {
 public:
  explicit TNearestColorMap(std::span<const std::uint32_t> palette);
  ~TNearestColorMap();

  std::uint8_t Nearest(std::uint32_t rgb) {
    const std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    const std::uint32_t cell = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    if (!CellReady_[cell]) FillCell(cell);
    return Table_[(cell << 9) | ((r & 7) << 6) | ((g & 7) << 3) | (b & 7)];
  }

  // The map for FixedPaletteFor(bits), shared for the life of the program.
  static TNearestColorMap& ForFixedPalette(int bits);

 private:
  void FillCell(std::uint32_t cell);

  std::span<const std::uint32_t> Palette_;
  std::unique_ptr<bool[]> CellReady_;  // 32768 cells
  std::uint8_t* Table_;                // 16 MiB, zero pages until touched
};

// The brute-force answer, for tests and as the reference definition.
std::uint8_t NearestColorBruteForce(std::span<const std::uint32_t> palette, std::uint32_t rgb);

}  // namespace kelvane
