// The pictures the benchmarks work on, made in memory with a fixed seed so
// that every run sees the same pixels.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace kelvane {

constexpr int kSide = 2048;
constexpr std::int64_t kPixels = std::int64_t{kSide} * kSide;

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline std::vector<std::uint8_t> BmpHeaders(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                     std::uint32_t compression, std::uint32_t tableBytes, std::uint32_t dataBytes) {
  std::vector<std::uint8_t> out;
  const std::uint32_t offBits = 54 + tableBytes;
  Put16(out, 0x4D42);
  Put32(out, offBits + dataBytes);
  Put32(out, 0);
  Put32(out, offBits);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, compression);
  Put32(out, dataBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  return out;
}

// Smooth colour gradients with a little noise, like a photograph; a fixed
// seed, and raw generator output only, so every run sees the same pixels.
inline std::vector<std::uint8_t> PhotoBgr() {
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(kPixels) * 3);
  std::mt19937 noise(20260807u);
  std::size_t i = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const double fx = x / double(kSide), fy = y / double(kSide);
      const double base[3] = {40 + 180 * fx, 128 + 100 * std::cos(fy * 2.7), 128 + 100 * std::sin(fx * 3.1 + fy * 1.3)};
      for (double c : base) {
        const int v = static_cast<int>(c) + static_cast<int>(noise() % 17) - 8;
        bgr[i++] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
  return bgr;
}

}  // namespace kelvane
