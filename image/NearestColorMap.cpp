#include "image/NearestColorMap.h"

#include <algorithm>
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

// Answers of a cell's block: `box` is inside the cell whose corner is
// `cellLo`; `candidates` (ascending) hold every entry that can be nearest in
// it.
void FillBox(const std::uint32_t* palette, const std::uint8_t* candidates, int count, const TBox& box,
             const int cellLo[3], std::uint8_t* block) {
  const int x = box.Lo[0] - cellLo[0], y = box.Lo[1] - cellLo[1], z = box.Lo[2] - cellLo[2];
  if (count == 1) {
    for (int i = 0; i < box.Size; ++i)
      for (int j = 0; j < box.Size; ++j)
        std::memset(block + (((x + i) << 6) | ((y + j) << 3) | z), candidates[0], static_cast<std::size_t>(box.Size));
    return;
  }
  if (box.Size == 2) {
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j)
        for (int k = 0; k < 2; ++k) {
          const std::uint32_t rgb = static_cast<std::uint32_t>((box.Lo[0] + i) << 16 | (box.Lo[1] + j) << 8 |
                                                               (box.Lo[2] + k));
          // Candidates ascend, so the strict test keeps the lowest index of
          // equally near entries.
          int best = 0, bestDistance = 1 << 30;
          for (int c = 0; c < count; ++c) {
            const int d = Distance(palette[candidates[c]], rgb);
            if (d < bestDistance) {
              bestDistance = d;
              best = c;
            }
          }
          block[((x + i) << 6) | ((y + j) << 3) | (z + k)] = candidates[best];
        }
    return;
  }
  const int half = box.Size / 2;
  for (int part = 0; part < 8; ++part) {
    const TBox sub{{box.Lo[0] + ((part >> 2) & 1) * half, box.Lo[1] + ((part >> 1) & 1) * half,
                    box.Lo[2] + (part & 1) * half},
                   half};
    std::uint8_t kept[256];
    int keptCount = 0;
    Prune(palette, candidates, count, sub, kept, keptCount);
    FillBox(palette, kept, keptCount, sub, cellLo, block);
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
  Cells_.reset(new std::uint32_t[kCells]);
  std::fill_n(Cells_.get(), kCells, kUnknown);
  BlockCandidates_.resize(kTopBlocks);
  BlockReady_.assign(kTopBlocks, false);
  // calloc of this size maps fresh zero pages: only the blocks cells use are
  // ever touched.
  Blocks_ = static_cast<std::uint8_t*>(std::calloc(std::size_t{kCells} * kBlockBytes, 1));
  if (Blocks_ == nullptr) throw std::bad_alloc();
}

TNearestColorMap::~TNearestColorMap() { std::free(Blocks_); }

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

std::uint32_t TNearestColorMap::FillCell(std::uint32_t cell) {
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
  if (keptCount == 1 && !exactHere) return Cells_[cell] = kept[0];

  std::uint8_t* block = Blocks_ + std::size_t(BlocksUsed_) * kBlockBytes;
  const int cellLo[3] = {box.Lo[0], box.Lo[1], box.Lo[2]};
  if (keptCount == 1) {
    std::memset(block, kept[0], kBlockBytes);
  } else {
    for (int part = 0; part < 8; ++part) {
      const TBox sub{{box.Lo[0] + ((part >> 2) & 1) * 4, box.Lo[1] + ((part >> 1) & 1) * 4, box.Lo[2] + (part & 1) * 4},
                     4};
      std::uint8_t subKept[256];
      int subCount = 0;
      Prune(Palette_, kept, keptCount, sub, subKept, subCount);
      FillBox(Palette_, subKept, subCount, sub, cellLo, block);
    }
  }
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
  return Cells_[cell] = kBlockBase + static_cast<std::uint32_t>(BlocksUsed_++);
}

}  // namespace kelvane
