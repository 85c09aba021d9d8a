#include "image/NearestColorMap.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/Assert.h"

namespace kelvane {

namespace {

constexpr std::uint32_t kCells = 32 * 32 * 32;
constexpr std::uint32_t kTopBlocks = 8 * 8 * 8;  // 32 x 32 x 32 colours each
constexpr std::size_t kBlockBytes = 512;

inline int Channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

inline int Distance(std::uint32_t a, std::uint32_t b) {
  const int dr = Channel(a, 16) - Channel(b, 16);
  const int dg = Channel(a, 8) - Channel(b, 8);
  const int db = Channel(a, 0) - Channel(b, 0);
  return dr * dr + dg * dg + db * db;
}

struct TBox {
  int Lo[3];  // red, green, blue of the corner nearest black
  int Size;   // colours along each side
};

// Keeps, in their order, the entries of `in` that can be nearest to some
// colour of `box`. Two tests, each safe on its own:
// - an entry whose least distance to the box exceeds the greatest distance
//   of some other entry to it is never nearest there;
// - against the entry nearest to the box's centre, j: d(i, x) - d(j, x) is
//   linear in x, so its least value over the box is found at a corner; where
//   it stays above 0 (or at 0 with j the lower index) i never wins.
// The second test is what keeps far boxes cheap: seen from far away most
// entries of a tight cluster are equally near by the first test alone.
// Distances are at most 3 x 255^2, so int is wide enough.
void Prune(const std::uint32_t* palette, const std::uint8_t* in, int count, const TBox& box, std::uint8_t* out,
           int& outCount) {
  int least[256];
  int bound = 1 << 30;
  int twiceCentre[3];
  for (int a = 0; a < 3; ++a) twiceCentre[a] = 2 * box.Lo[a] + box.Size - 1;
  int reference = 0;
  long referenceDistance = -1;
  for (int k = 0; k < count; ++k) {
    const std::uint32_t c = palette[in[k]];
    const int v[3] = {Channel(c, 16), Channel(c, 8), Channel(c, 0)};
    int dmin = 0, dmax = 0;
    long toCentre = 0;
    for (int a = 0; a < 3; ++a) {
      const int lo = box.Lo[a], hi = box.Lo[a] + box.Size - 1;
      const int gap = v[a] < lo ? lo - v[a] : v[a] > hi ? v[a] - hi : 0;
      dmin += gap * gap;
      const int far = std::max(v[a] - lo, hi - v[a]);
      dmax += far * far;
      const long d = 2L * v[a] - twiceCentre[a];
      toCentre += d * d;
    }
    least[k] = dmin;
    bound = std::min(bound, dmax);
    if (referenceDistance < 0 || toCentre < referenceDistance) {
      referenceDistance = toCentre;
      reference = k;
    }
  }
  const std::uint32_t j = palette[in[reference]];
  const int jv[3] = {Channel(j, 16), Channel(j, 8), Channel(j, 0)};
  const int jNorm = jv[0] * jv[0] + jv[1] * jv[1] + jv[2] * jv[2];
  outCount = 0;
  for (int k = 0; k < count; ++k) {
    if (least[k] > bound) continue;
    if (k != reference) {
      const std::uint32_t c = palette[in[k]];
      const int v[3] = {Channel(c, 16), Channel(c, 8), Channel(c, 0)};
      // d(i, x) - d(j, x) = |i|^2 - |j|^2 - 2 x . (i - j)
      int lowest = v[0] * v[0] + v[1] * v[1] + v[2] * v[2] - jNorm;
      for (int a = 0; a < 3; ++a) {
        const int slope = -2 * (v[a] - jv[a]);
        lowest += slope * (slope >= 0 ? box.Lo[a] : box.Lo[a] + box.Size - 1);
      }
      if (lowest > 0 || (lowest == 0 && in[k] > in[reference])) continue;
    }
    out[outCount++] = in[k];
  }
}

// The answers for every colour of the 8 x 8 x 8 cell at `lo`, among
// `candidates` (ascending). The squared distance splits into one term per
// channel, so each candidate costs three tables of 8 and one add and compare
// per colour, in loops the compiler turns into vector code.
void FillBlock(const std::uint32_t* palette, const std::uint8_t* candidates, int count, const int lo[3],
               std::uint8_t* block) {
  alignas(64) std::int32_t best[512];
  std::fill_n(best, 512, 1 << 30);
  for (int c = 0; c < count; ++c) {
    const std::uint32_t colour = palette[candidates[c]];
    std::int32_t dr[8], dg[8], db[8];
    for (int k = 0; k < 8; ++k) {
      const int r = lo[0] + k - Channel(colour, 16), g = lo[1] + k - Channel(colour, 8), b = lo[2] + k - Channel(colour, 0);
      dr[k] = r * r;
      dg[k] = g * g;
      db[k] = b * b;
    }
    const std::uint8_t index = candidates[c];
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) {
        std::int32_t* row = best + (i << 6 | j << 3);
        std::uint8_t* out = block + (i << 6 | j << 3);
        const std::int32_t base = dr[i] + dg[j];
        // Candidates ascend, so the strict test keeps the lowest index of
        // equally near entries.
        for (int k = 0; k < 8; ++k) {
          const std::int32_t d = base + db[k];
          const bool nearer = d < row[k];
          row[k] = nearer ? d : row[k];
          out[k] = nearer ? index : out[k];
        }
      }
  }
}

}  // namespace

std::uint8_t NearestColorBruteForce(std::span<const std::uint32_t> palette, std::uint32_t rgb) {
  std::size_t best = 0;
  int bestDistance = 1 << 30;
  for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
    const int d = Distance(palette[i], rgb);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

TNearestColorMap::TNearestColorMap(std::span<const std::uint32_t> palette)
    : TNearestColorMap(palette, std::bitset<256>()) {}

TNearestColorMap::TNearestColorMap(std::span<const std::uint32_t> palette, const std::bitset<256>& exactOnly)
    : ExactOnly_(exactOnly) {
  KELVANE_ASSERT(!palette.empty() && palette.size() <= 256);
  Count_ = static_cast<int>(std::min<std::size_t>(palette.size(), 256));
  for (int i = 0; i < Count_; ++i) Palette_[i] = palette[static_cast<std::size_t>(i)] & 0x00FFFFFFu;
  for (int i = 0; i < Count_; ++i)
    if (!ExactOnly_[static_cast<std::size_t>(i)]) Ordinary_.push_back(static_cast<std::uint8_t>(i));
  KELVANE_ASSERT(!Ordinary_.empty());
  // Entries past the palette take no part.
  for (int i = Count_; i < 256; ++i) ExactOnly_[static_cast<std::size_t>(i)] = false;
  Init();
}

void TNearestColorMap::Init() {
  Cells_.reset(new std::uint16_t[kCells]);
  std::fill_n(Cells_.get(), kCells, kUnknown);
  BlockCandidates_.resize(kTopBlocks);
  BlockReady_.assign(kTopBlocks, false);
  // Not cleared: every block is written whole before a cell names it (a
  // uniform block by memset, a cell's block by FillBlock, whose first
  // candidate sets all 512 answers), and blocks are handed out from the
  // front. Clearing would cost more than the reduction of a small image:
  // once a block of this size has been freed, glibc serves the next one
  // from the heap, and calloc would clear all 17 MB by hand. Untouched, a
  // fresh block's pages are only mapped as cells use them.
  Blocks_ = static_cast<std::uint8_t*>(std::malloc(std::size_t{kUniformBlocks + kCells} * kBlockBytes));
  if (Blocks_ == nullptr) throw std::bad_alloc();
}

TNearestColorMap::~TNearestColorMap() { std::free(Blocks_); }

// The row loops keep the tables in locals: stores through `out` (bytes, which
// may alias anything) would otherwise make the compiler reload them for
// every pixel.
void TNearestColorMap::NearestRowBgr(const std::uint8_t* pixels, int bytesPerPixel, std::int64_t count,
                                     std::uint8_t* out) {
  const std::uint16_t* cells = Cells_.get();
  const std::uint8_t* blocks = Blocks_;
  for (std::int64_t x = 0; x < count; ++x, pixels += bytesPerPixel) {
    const std::uint32_t rgb = std::uint32_t{pixels[2]} << 16 | std::uint32_t{pixels[1]} << 8 | pixels[0];
    const std::uint32_t cell = ((rgb >> 9) & 0x7C00) | ((rgb >> 6) & 0x03E0) | ((rgb >> 3) & 0x001F);
    std::uint32_t block = cells[cell];
    if (block == kUnknown) block = FillCell(cell);
    out[x] = blocks[(std::size_t{block} << 9) | ((rgb >> 10) & 0x1C0) | ((rgb >> 5) & 0x038) | (rgb & 0x007)];
  }
}

void TNearestColorMap::NearestRow(const std::uint32_t* rgbs, std::int64_t count, std::uint8_t* out) {
  const std::uint16_t* cells = Cells_.get();
  const std::uint8_t* blocks = Blocks_;
  for (std::int64_t x = 0; x < count; ++x) {
    const std::uint32_t rgb = rgbs[x];
    const std::uint32_t cell = ((rgb >> 9) & 0x7C00) | ((rgb >> 6) & 0x03E0) | ((rgb >> 3) & 0x001F);
    std::uint32_t block = cells[cell];
    if (block == kUnknown) block = FillCell(cell);
    out[x] = blocks[(std::size_t{block} << 9) | ((rgb >> 10) & 0x1C0) | ((rgb >> 5) & 0x038) | (rgb & 0x007)];
  }
}

const std::vector<std::uint8_t>& TNearestColorMap::BlockCandidates(std::uint32_t block) {
  if (!BlockReady_[block]) {
    const TBox box{{static_cast<int>(block >> 6) * 32, static_cast<int>((block >> 3) & 7) * 32,
                    static_cast<int>(block & 7) * 32},
                   32};
    std::uint8_t kept[256];
    int keptCount = 0;
    Prune(Palette_, Ordinary_.data(), static_cast<int>(Ordinary_.size()), box, kept, keptCount);
    BlockCandidates_[block].assign(kept, kept + keptCount);
    BlockReady_[block] = true;
  }
  return BlockCandidates_[block];
}

bool TNearestColorMap::Serves(std::span<const std::uint32_t> palette, const std::bitset<256>& exactOnly) const {
  if (palette.size() != static_cast<std::size_t>(Count_)) return false;
  for (int i = 0; i < Count_; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    if ((palette[at] & 0x00FFFFFFu) != Palette_[i] || exactOnly[at] != ExactOnly_[at]) return false;
  }
  return true;
}

std::uint16_t TNearestColorMap::FillCell(std::uint32_t cell) {
  const int cr = static_cast<int>(cell >> 10), cg = static_cast<int>((cell >> 5) & 31), cb = static_cast<int>(cell & 31);
  const TBox box{{cr * 8, cg * 8, cb * 8}, 8};
  const std::vector<std::uint8_t>& top = BlockCandidates(static_cast<std::uint32_t>((cr >> 2) << 6 | (cg >> 2) << 3 | (cb >> 2)));
  std::uint8_t kept[256];
  int keptCount = 0;
  Prune(Palette_, top.data(), static_cast<int>(top.size()), box, kept, keptCount);

  bool exactHere = false;
  if (ExactOnly_.any()) {
    for (int i = 0; i < Count_ && !exactHere; ++i)
      exactHere = ExactOnly_[static_cast<std::size_t>(i)] && (Palette_[i] >> 19) == static_cast<std::uint32_t>(cr) &&
                  ((Palette_[i] >> 11) & 31) == static_cast<std::uint32_t>(cg) &&
                  ((Palette_[i] >> 3) & 31) == static_cast<std::uint32_t>(cb);
  }
  ++CellsFilled_;
  if (keptCount == 1 && !exactHere) {
    // A cell of one answer shares the block that holds only that answer.
    const std::uint8_t only = kept[0];
    if (!UniformReady_[only]) {
      std::memset(Blocks_ + std::size_t{only} * kBlockBytes, only, kBlockBytes);
      UniformReady_[only] = true;
    }
    return Cells_[cell] = only;
  }

  const std::uint32_t number = kUniformBlocks + static_cast<std::uint32_t>(BlocksUsed_++);
  std::uint8_t* block = Blocks_ + std::size_t{number} * kBlockBytes;
  const int cellLo[3] = {box.Lo[0], box.Lo[1], box.Lo[2]};
  FillBlock(Palette_, kept, keptCount, cellLo, block);
  // A colour equal to an exact-only entry takes the lowest index of that
  // colour; entries are visited in ascending order.
  if (exactHere) {
    for (int i = 0; i < Count_; ++i) {
      if (!ExactOnly_[static_cast<std::size_t>(i)]) continue;
      const std::uint32_t c = Palette_[i];
      if ((c >> 19) != static_cast<std::uint32_t>(cr) || ((c >> 11) & 31) != static_cast<std::uint32_t>(cg) ||
          ((c >> 3) & 31) != static_cast<std::uint32_t>(cb))
        continue;
      const std::uint32_t slot = ((c >> 10) & 0x1C0) | ((c >> 5) & 0x038) | (c & 0x007);
      const std::uint8_t current = block[slot];
      if (Palette_[current] != c || current > i) block[slot] = static_cast<std::uint8_t>(i);
    }
  }
  return Cells_[cell] = static_cast<std::uint16_t>(number);
}

namespace {

std::atomic<TNearestColorMapSharing*> CurrentSharing{nullptr};

// Maps a sharing keeps at most (each may hold up to 17 MB): one per thread
// of a batch, with room for a second palette.
constexpr std::size_t kSharedMaps = 16;

}  // namespace

TNearestColorMapSharing::TNearestColorMapSharing() : Outer_(CurrentSharing.exchange(this)) {}

TNearestColorMapSharing::~TNearestColorMapSharing() { CurrentSharing.store(Outer_); }

std::shared_ptr<TNearestColorMap> TNearestColorMapSharing::Acquire(std::span<const std::uint32_t> palette,
                                                                   const std::bitset<256>& exactOnly) {
  const std::thread::id self = std::this_thread::get_id();
  const std::lock_guard<std::mutex> hold(Lock_);
  for (const TThreadMap& made : Maps_)
    if (made.Thread == self && made.Map->Serves(palette, exactOnly)) return made.Map;
  if (Maps_.size() == kSharedMaps) Maps_.erase(Maps_.begin());
  Maps_.push_back({self, std::make_shared<TNearestColorMap>(palette, exactOnly)});
  return Maps_.back().Map;
}

std::shared_ptr<TNearestColorMap> SharedNearestColorMap(std::span<const std::uint32_t> palette,
                                                        const std::bitset<256>& exactOnly) {
  TNearestColorMapSharing* sharing = CurrentSharing.load();
  return sharing != nullptr ? sharing->Acquire(palette, exactOnly) : nullptr;
}

std::shared_ptr<TNearestColorMap> AcquireNearestColorMap(std::span<const std::uint32_t> palette,
                                                         const std::bitset<256>& exactOnly) {
  if (std::shared_ptr<TNearestColorMap> shared = SharedNearestColorMap(palette, exactOnly)) return shared;
  return std::make_shared<TNearestColorMap>(palette, exactOnly);
}

}  // namespace kelvane
