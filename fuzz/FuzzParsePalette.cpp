// Fuzz target: the JASC-PAL and RIFF palette parsers. A palette they accept
// has 1 to 256 entries of 24-bit colours, black past its count.
#include <cstdint>
#include <span>

#include "formats/PaletteFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  TPalette palette;
  palette.Count = -1;
  if (!ParsePaletteFile(std::span<const std::uint8_t>(data, size), palette)) {
    fuzz::Check(palette.Count == -1, "a refused palette leaves the result untouched");
    return 0;
  }
  fuzz::Check(palette.Count >= 1 && palette.Count <= 256, "a palette has 1 to 256 entries");
  for (std::size_t i = 0; i < 256; ++i) {
    fuzz::Check(palette.Colors[i] <= 0xFFFFFF, "colours are 24-bit");
    if (static_cast<int>(i) >= palette.Count) fuzz::Check(palette.Colors[i] == 0, "entries past the count are black");
  }
  return 0;
}
