// PNG files through libpng: reading into a TDibBitmap and writing one.
//
// Reading takes every colour type and depth, interlaced or not:
// - palette images (1, 2, 4, 8 bits) become 8-bit images with their palette
//   and their indexes (tRNS alphas are not kept: the indexes say it all);
// - grey images become 8-bit images with a grey ramp as palette (indexes
//   0-255, low depths scaled up);
// - RGB images become 24-bit;
// - images with alpha (grey or RGB with alpha, or with a tRNS colour) become
//   32-bit with the alpha in the fourth byte;
// - 16-bit samples keep their high byte; gamma and colour chunks are ignored,
//   as every sprite editor does.
// Rows come out bottom-up, like a BMP file's. Refusals: NotPng (signature),
// PngChecksum (a chunk's CRC, the image data's Adler-32), InvalidPngHeader
// (size, colour type, depth), InvalidPng (anything else libpng refuses),
// ShortRead (the file ends early), OverLimit (a picture above the pixel-block
// cap, a file above kMaxPngFileBytes). A refused read leaves the image empty.
//
// Writing:
// - 8-bit images become palette PNGs that hold their whole table, 256
//   entries, indexes unchanged; 1- and 4-bit images likewise at their depth;
// - 24-bit images become RGB, 32-bit ones RGBA (a 32-bit image whose fourth
//   bytes are all 0 carries no alpha and is written opaque, unless
//   TZeroAlpha::Transparent says it is see-through everywhere); other
//   depths become RGB.
// With TPngAlpha::Shadows a palette PNG gets a tRNS chunk in the convention
// of the open engine's mods: entry 0 fully transparent, entry 1 alpha 64,
// entry 4 alpha 128, the rest opaque. Reading keeps indexes, so such a file
// reads back to the same entries; image/PaletteReduction.h maps those alphas
// in RGBA images back to the entries.
//
// libpng's errors end in our error kinds; nothing here throws or aborts.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/ByteSource.h"
#include "image/ByteStream.h"
#include "image/DibBitmap.h"

namespace kelvane {

// Whether a PNG with a palette says which entries are see-through.
enum class TPngAlpha : std::uint8_t {
  None,     // no tRNS chunk
  Shadows,  // entries 0, 1 and 4: alpha 0, 64, 128
};

// What the fourth bytes of a 32-bit image mean when every one of them is 0.
enum class TZeroAlpha : std::uint8_t {
  Opaque,       // no alpha at all (as BMP readers take such files)
  Transparent,  // a picture that is see-through everywhere (a thumbnail)
};

struct TPngWriteOptions {
  TPngAlpha Alpha = TPngAlpha::None;
  TZeroAlpha ZeroAlpha = TZeroAlpha::Opaque;
};

// True when `bytes` start with the PNG signature.
bool HasPngSignature(std::span<const std::uint8_t> bytes);

// Decodes the PNG in `bytes` into `image`. For a palette PNG,
// `paletteEntries` (when given) receives the number of PLTE entries; 0 for
// other colour types.
TOutcome DecodePng(std::span<const std::uint8_t> bytes, TDibBitmap& image, int* paletteEntries = nullptr);
// Reads the PNG in `source` (a file, an archive entry) into `image`.
TOutcome ReadPng(TByteSource& source, TDibBitmap& image);
// The same for a file: CannotOpen, NotRegularFile besides the above.
TOutcome LoadPng(const std::string& path, TDibBitmap& image);

// Writes `image` as a PNG into `out` from its position. EmptyImage,
// UnsupportedFormat (pixels nobody can decode), WriteFailed.
TOutcome EncodePng(TDibBitmap& image, const TPngWriteOptions& options, TByteStream& out);
// Writes `image` as a PNG file; the old file is replaced only on success.
TOutcome SavePng(TDibBitmap& image, const std::string& path, const TPngWriteOptions& options);

}  // namespace kelvane
