// TNearestColorMap: the exact nearest palette entry of any 24-bit colour,
// fast from the first pixel on.
//
// The answer is defined by NearestColorBruteForce: the entry at the least
// squared RGB distance, the lowest index among equally near ones. Two kinds
// of entries take part:
// - ordinary entries, chosen by distance;
// - exact-only entries (the reserved colours of a game palette), chosen only
//   by a colour equal to theirs; such a colour takes the lowest index of all
//   the entries of that colour, ordinary or not.
// At least one entry must be ordinary.
//
// How it stays fast without a warm-up: RGB space is cut into 32768 cells of
// 8 x 8 x 8 colours. A cell is worked out the first time a colour in it is
// asked for: the entries that can be nearest to some colour of the cell are
// found (NearestColorMap.cpp says how), first for the cell's 32 x 32 x 32
// block, then for the cell. A cell that keeps one candidate shares a block
// of that one answer; the others get 512 answers worked out among their few
// candidates at once. A photograph with millions of colours costs a few
// thousand cells, not 16 million searches, and every lookup is two loads.
//
// Each map keeps its own cache and serves one thread at a time (maps are
// cheap to make: memory is taken as cells need it). The images of a batch
// reuse their thread's map through TNearestColorMapSharing.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace kelvane {

class TNearestColorMap {
 public:
  // Every entry of `palette` (at most 256 colours, 0x00RRGGBB) ordinary.
  explicit TNearestColorMap(std::span<const std::uint32_t> palette);
  // Entries set in `exactOnly` are exact-only; the palette is copied.
  TNearestColorMap(std::span<const std::uint32_t> palette, const std::bitset<256>& exactOnly);
  ~TNearestColorMap();
  TNearestColorMap(const TNearestColorMap&) = delete;
  TNearestColorMap& operator=(const TNearestColorMap&) = delete;

  std::uint8_t Nearest(std::uint32_t rgb) {
    const std::uint32_t cell = ((rgb >> 9) & 0x7C00) | ((rgb >> 6) & 0x03E0) | ((rgb >> 3) & 0x001F);
    std::uint32_t block = Cells_[cell];
    if (block == kUnknown) block = FillCell(cell);
    const std::uint32_t inCell = ((rgb >> 10) & 0x1C0) | ((rgb >> 5) & 0x038) | (rgb & 0x007);
    return Blocks_[(std::size_t{block} << 9) | inCell];
  }

  // The same for a row: `count` pixels of `bytesPerPixel` bytes, blue, green
  // and red first (24- and 32-bit rows), or of 0x00RRGGBB words.
  void NearestRowBgr(const std::uint8_t* pixels, int bytesPerPixel, std::int64_t count, std::uint8_t* out);
  void NearestRow(const std::uint32_t* rgb, std::int64_t count, std::uint8_t* out);

  // How many cells have been worked out, and how many of them needed a block
  // of 512 answers (for benchmarks and tests).
  int CellsFilled() const { return CellsFilled_; }
  int BlocksUsed() const { return BlocksUsed_; }

  // Whether this map answers for `palette` with these exact-only entries.
  bool Serves(std::span<const std::uint32_t> palette, const std::bitset<256>& exactOnly) const;

 private:
  // Each cell names the block of 512 answers it uses: blocks 0-255 hold one
  // answer each (shared by every cell of one answer), blocks from 256 on
  // belong to one cell each; kUnknown: not yet worked out. One path for
  // every lookup, without a branch on the kind of cell.
  static constexpr std::uint16_t kUnknown = 0xFFFF;
  static constexpr std::uint32_t kUniformBlocks = 256;

  void Init();
  std::uint16_t FillCell(std::uint32_t cell);
  const std::vector<std::uint8_t>& BlockCandidates(std::uint32_t block);

  std::uint32_t Palette_[256] = {};
  int Count_ = 0;
  std::bitset<256> ExactOnly_;
  std::vector<std::uint8_t> Ordinary_;  // indexes of the ordinary entries
  std::unique_ptr<std::uint16_t[]> Cells_;  // 32768 block numbers
  std::bitset<256> UniformReady_;
  std::vector<std::vector<std::uint8_t>> BlockCandidates_;  // 512 lists, filled lazily
  std::vector<bool> BlockReady_;
  std::uint8_t* Blocks_ = nullptr;  // 256 + 32768 blocks of 512; pages taken as used
  int CellsFilled_ = 0;
  int BlocksUsed_ = 0;
};

// While a sharing lives, reductions on every thread take their maps from it
// (AcquireNearestColorMap): the images a thread reduces onto one palette
// share that thread's map, which is worked out once instead of once per
// image. Threads never share a map, so a lookup never waits. Without a
// sharing, every reduction makes its own map and leaves nothing behind.
// Sharings nest; the innermost one serves. Make one before the threads that
// use it start, and let it end after they have finished.
class TNearestColorMapSharing {
 public:
  TNearestColorMapSharing();
  ~TNearestColorMapSharing();
  TNearestColorMapSharing(const TNearestColorMapSharing&) = delete;
  TNearestColorMapSharing& operator=(const TNearestColorMapSharing&) = delete;

 private:
  friend std::shared_ptr<TNearestColorMap> SharedNearestColorMap(std::span<const std::uint32_t>, const std::bitset<256>&);
  std::shared_ptr<TNearestColorMap> Acquire(std::span<const std::uint32_t> palette, const std::bitset<256>& exactOnly);

  TNearestColorMapSharing* Outer_;
  std::mutex Lock_;
  struct TThreadMap {
    std::thread::id Thread;
    std::shared_ptr<TNearestColorMap> Map;
  };
  std::vector<TThreadMap> Maps_;  // most recently made last
};

// The map for `palette` and `exactOnly`: the current sharing's, or a new one.
std::shared_ptr<TNearestColorMap> AcquireNearestColorMap(std::span<const std::uint32_t> palette,
                                                         const std::bitset<256>& exactOnly = {});
// The current sharing's map, or null when no sharing lives.
std::shared_ptr<TNearestColorMap> SharedNearestColorMap(std::span<const std::uint32_t> palette,
                                                        const std::bitset<256>& exactOnly = {});

// The reference answer (every entry ordinary), for tests and as the
// definition.
std::uint8_t NearestColorBruteForce(std::span<const std::uint32_t> palette, std::uint32_t rgb);

}  // namespace kelvane
