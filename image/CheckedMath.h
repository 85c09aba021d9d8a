// Overflow-checked 64-bit arithmetic for sizes and offsets read from files.
//
// Every factor a header supplies fits in 32 bits, so the product of two of
// them fits in 63 bits; the helpers still check, because three-factor
// products (width x height x 3) and sums of such products do not.
#pragma once

#include <cstdint>
#include <optional>

namespace kelvane {

inline std::optional<std::int64_t> CheckedMul(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

inline std::optional<std::int64_t> CheckedAdd(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}

// Bytes per pixel row, padded to a multiple of 4, for a row of `width` pixels
// of `bitCount` bits: ((width x bitCount + 31) div 32) x 4. Empty when the
// result is negative or does not fit in 64 bits.
inline std::optional<std::int64_t> PaddedRowBytes(std::int64_t width, std::int64_t bitCount) {
  auto bits = CheckedMul(width, bitCount);
  if (!bits || *bits < 0) return std::nullopt;
  auto padded = CheckedAdd(*bits, 31);
  if (!padded) return std::nullopt;
  return (*padded / 32) * 4;
}

}  // namespace kelvane
