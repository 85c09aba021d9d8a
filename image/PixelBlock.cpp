#include "image/PixelBlock.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace kelvane {

namespace {

// Below this, calloc's own pools serve better than a mapping of our own.
constexpr std::size_t kMappedBlockBytes = std::size_t{4} << 20;
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Mapped blocks span whole huge pages, so that every part of them can be one.
std::size_t MappedSize(std::size_t bytes) { return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes; }

}  // namespace

void* AllocateZeroedBlock(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  if (bytes < kMappedBlockBytes) return std::calloc(bytes, 1);
  // Map one huge page more than needed and cut the ends away, which leaves a
  // block aligned to a huge page.
  const std::size_t size = MappedSize(bytes);
  void* mapped = ::mmap(nullptr, size + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
  if (aligned > start) ::munmap(mapped, aligned - start);
  const std::uintptr_t end = start + size + kHugePageBytes;
  if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
  void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  // Only a hint: where huge pages are off, the block works the same.
  ::madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

void FreeZeroedBlock(void* block, std::size_t bytes) {
  if (block == nullptr) return;
  if (bytes < kMappedBlockBytes) std::free(block);
  else ::munmap(block, MappedSize(bytes));
}

}  // namespace kelvane
