// kelvane-bench-photo: writes the benchmarks' 2048 x 2048 photograph-like
// picture as a 24-bit BMP file, so whole-process comparisons
// (bench/compare_with_pillow.py) work on the same pixels as the in-process
// benchmarks.
//
//   kelvane-bench-photo OUT.bmp
#include <cstdio>
#include <fstream>

#include "bench/BenchImages.h"

int main(int argc, char** argv) {
  using namespace kelvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: kelvane-bench-photo OUT.bmp\n");
    return 2;
  }
  const std::vector<std::uint8_t> photo = PhotoBgr();
  std::vector<std::uint8_t> bmp = BmpHeaders(kSide, kSide, 24, 0, 0, static_cast<std::uint32_t>(photo.size()));
  for (int y = kSide - 1; y >= 0; --y) {
    const auto* row = photo.data() + static_cast<std::size_t>(y) * kSide * 3;
    bmp.insert(bmp.end(), row, row + kSide * 3);
  }
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  return out ? 0 : 1;
}
