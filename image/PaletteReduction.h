// Reduction of an image to 8 bits onto a given palette, keeping the
// conventions of the game's palettes.
//
// The rules, in order:
// 1. An 8-bit image whose 256 colours equal the palette's keeps its indexes
//    as they are.
// 2. Otherwise each pixel takes the exact nearest colour (squared RGB
//    distance, the lowest index of equally near entries) among the ordinary
//    entries.
// 3. A reserved entry (transparency, shadows, selection; by default 0-7) is
//    taken only by a pixel of exactly its colour, or through alpha: in a
//    32-bit image whose alpha is in use, alpha 0 gives entry 0, alpha 64
//    entry 1 and alpha 128 entry 4 (the shadow convention PNG files of mods
//    use; see formats/PngCodec.h). Other alphas count as their colour.
// A 32-bit image uses its fourth byte as alpha unless that byte is 0 in every
// pixel, as it is in most 32-bit BMP files, which carry no alpha.
//
// The result is a bottom-up 8-bit image whose colour table is the palette
// (entries past its count black); the report counts the pixels that were not
// exact palette colours. With Exact set such a pixel fails the reduction
// (InexactColors) and the image is left as it was.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>

#include "image/DibBitmap.h"
#include "image/ImageError.h"

namespace kelvane {

// Up to 256 colours, 0x00RRGGBB; entries from Count on are black and never
// chosen.
struct TPalette {
  std::array<std::uint32_t, 256> Colors{};
  int Count = 0;

  bool operator==(const TPalette&) const = default;
};

// Which entries are reserved.
using TReservedEntries = std::bitset<256>;

// Entries 0-7: transparency, the shadows and the selection colours.
TReservedEntries DefaultReservedEntries();

// Reads a list such as "0-7,224-255", "5", or "none" (no entry reserved);
// false for anything else (a number above 255, a range running backwards).
bool ParseReservedEntries(const std::string& text, TReservedEntries& out);

struct TReductionOptions {
  TReservedEntries Reserved = DefaultReservedEntries();
  bool Exact = false;  // fail instead of mapping a colour the palette lacks
};

struct TReductionReport {
  TOutcome Outcome;
  std::int64_t InexactPixels = 0;  // pixels that were not palette colours
  bool IndexesKept = false;        // rule 1: the image already had the palette
};

// Reduces `image` onto `palette` by the rules above. EmptyImage for an empty
// image; InvalidPalette when the palette has no ordinary entry;
// UnsupportedFormat for pixels nobody can decode; OverLimit, NoMemory.
TReductionReport ReduceToPalette(TDibBitmap& image, const TPalette& palette, const TReductionOptions& options);

// The colour table of an 8-bit (or fewer) image as a palette: 2^bits
// entries; an image of another depth gives Count 0.
TPalette PaletteOf(const TDibBitmap& image);

}  // namespace kelvane
