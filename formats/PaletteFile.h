// Palette sources: where a reduction's target palette comes from.
//
// A source is recognised by its content, then by its name:
// - a RIFF palette ("RIFF", size, "PAL ", then a "data" chunk holding a
//   LOGPALETTE: version, entry count, red, green, blue, flags per entry), the
//   kind the game's PLAYERS.PAL is;
// - a JASC-PAL text palette ("JASC-PAL", "0100", the entry count, then one
//   "red green blue" line per entry);
// - a PNG with a palette (its PLTE entries) or grey samples (the grey ramp);
// - an 8-bit BMP file (its colour table: biClrUsed entries, 256 when 0);
// - an 8-bit sprite (a file named .pcx: its 256 entries).
// Palettes hold 1 to 256 entries. Refusals: NotAPalette (none of these, or
// an image that is not 8-bit), InvalidPalette (a palette file that breaks
// its format: a count of 0 or over 256, entries missing, values over 255),
// OverLimit (a text or RIFF palette larger than kMaxPaletteFileBytes), and
// the readers' own errors for images that cannot be read.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/ImageError.h"
#include "image/PaletteReduction.h"

namespace kelvane {

// A palette file is a few kilobytes; this leaves room for comments and
// blank lines and refuses anything that is plainly not one.
inline constexpr std::int64_t kMaxPaletteFileBytes = 1 << 20;

// The palette in a JASC-PAL text or a RIFF palette held in `bytes`.
TOutcome ParsePaletteFile(std::span<const std::uint8_t> bytes, TPalette& out);

// The palette of the source at `path`, of any kind above.
TOutcome LoadPaletteSource(const std::string& path, TPalette& out);

}  // namespace kelvane
