// Pixel memory blocks.
//
// Every block is zero when handed out, so no old heap bytes can reach a file
// or the screen. Small blocks come from calloc. Large ones (an image of a
// few megabytes and up) are mapped directly and asked to use huge pages:
// filling a fresh 12 MB block page by page costs more than reading the file
// into it, and huge pages cut those faults by a factor of 512 where the
// kernel offers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/Limits.h"

namespace kelvane {

// Zeroed memory of `bytes` (> 0), or null when none can be had.
void* AllocateZeroedBlock(std::size_t bytes);
// Frees what AllocateZeroedBlock returned for the same size.
void FreeZeroedBlock(void* block, std::size_t bytes);

struct TBlockDeleter {
  std::size_t Bytes = 0;
  void operator()(std::uint8_t* p) const { FreeZeroedBlock(p, Bytes); }
};

using TPixelBlock = std::unique_ptr<std::uint8_t[], TBlockDeleter>;

// A zeroed block of `bytes`, or null when the size is 0 or less, above
// kMaxPixelBlockBytes, or memory cannot be had.
inline TPixelBlock AllocatePixelBlock(std::int64_t bytes) {
  if (bytes <= 0 || bytes > kMaxPixelBlockBytes) return nullptr;
  const auto size = static_cast<std::size_t>(bytes);
  return TPixelBlock(static_cast<std::uint8_t*>(AllocateZeroedBlock(size)), TBlockDeleter{size});
}

}  // namespace kelvane
