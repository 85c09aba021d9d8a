// Pixel memory blocks. They come from calloc: the memory is zero (so no old
// heap bytes can reach a file or the screen) and large blocks stay untouched
// zero pages until written, which keeps clearing free.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "image/Limits.h"

namespace kelvane {

struct TFreeDeleter {
  void operator()(std::uint8_t* p) const { std::free(p); }
};

using TPixelBlock = std::unique_ptr<std::uint8_t[], TFreeDeleter>;

// A zeroed block of `bytes`, or null when the size is 0 or less, above
// kMaxPixelBlockBytes, or memory cannot be had.
inline TPixelBlock AllocatePixelBlock(std::int64_t bytes) {
  if (bytes <= 0 || bytes > kMaxPixelBlockBytes) return nullptr;
  return TPixelBlock(static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1)));
}

}  // namespace kelvane
