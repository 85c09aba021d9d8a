// The fixed colour tables a reduction to 8 bits or fewer maps onto (by
// exact nearest colour: image/NearestColorMap.h).
//
// The tables do not depend on the image: black and white for 1 bit, the 16
// VGA colours for 4 bits, and for 8 bits a general mix of 256 colours: the
// 20 classic system colours (entries 0-9 and 246-255), a 6 x 6 x 6 colour
// cube (entries 10-225) and 20 greys (226-245). Colours are 0x00RRGGBB.
#pragma once

#include <cstdint>
#include <span>

namespace kelvane {

std::span<const std::uint32_t> MonoPalette();      // 2 entries
std::span<const std::uint32_t> VgaPalette();       // 16 entries
std::span<const std::uint32_t> HalftonePalette();  // 256 entries

// The fixed table for a target of `bits` (1, 4 or 8); empty for any other.
std::span<const std::uint32_t> FixedPaletteFor(int bits);

}  // namespace kelvane
