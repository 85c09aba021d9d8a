// kelvane-dump-png: prints a PNG file as Kelvane's reader decodes it, for
// comparison with Pillow (tests/corpus/compare_pngsuite.py).
//
//   kelvane-dump-png FILE
//
// Standard output: a line "WIDTH HEIGHT BITS", then the pixels as red,
// green, blue, alpha bytes, top row first (alpha 255 unless the image is
// 32-bit); for 8-bit images then the 256 table entries as red, green, blue
// and the index of every pixel, top row first. Exit 1 with the error's name
// and text on standard error when the file is refused; 2 for a usage error.
#include <cstdio>
#include <vector>

#include "formats/PngCodec.h"

int main(int argc, char** argv) {
  using namespace kelvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: kelvane-dump-png FILE\n");
    return 2;
  }
  TDibBitmap image;
  const TOutcome read = LoadPng(argv[1], image);
  if (!read) {
    std::fprintf(stderr, "%s: %s\n", ImageErrorName(read.Error), read.Text().c_str());
    return 1;
  }
  const int width = image.Width(), height = image.Height();
  const int bits = image.Info()->biBitCount();
  const std::int64_t stride = image.RowStride();
  std::printf("%d %d %d\n", width, height, bits);
  const TPixelRows32 rows = image.Rows32();
  std::vector<unsigned char> out;
  for (int y = 0; y < height; ++y) {
    // Rows are stored bottom-up.
    const std::uint8_t* stored = image.Pixels() + static_cast<std::int64_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = rows.Row(y)[x];
      out.insert(out.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                             static_cast<unsigned char>(c), bits == 32 ? stored[4 * x + 3] : static_cast<unsigned char>(255)});
    }
  }
  if (bits == 8) {
    const std::uint8_t* table = image.Info()->Table();
    for (int i = 0; i < 256; ++i) out.insert(out.end(), {table[4 * i + 2], table[4 * i + 1], table[4 * i]});
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* stored = image.Pixels() + static_cast<std::int64_t>(height - 1 - y) * stride;
      out.insert(out.end(), stored, stored + width);
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
