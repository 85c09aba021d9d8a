// The exact nearest-colour map against the brute-force definition, over
// palettes that stress its pruning: the fixed tables, random palettes,
// palettes full of ties (duplicates, greys, clusters) and exact-only entries.
#include "image/NearestColorMap.h"

#include <gtest/gtest.h>

#include <latch>
#include <random>
#include <thread>
#include <vector>

#include "image/FixedPalettes.h"

namespace kelvane {
namespace {

// The definition with exact-only entries: a colour equal to some entry takes
// the lowest index of that colour; otherwise the nearest ordinary entry, the
// lowest index of equally near ones.
std::uint8_t Reference(const std::vector<std::uint32_t>& palette, const std::bitset<256>& exactOnly, std::uint32_t rgb) {
  for (std::size_t i = 0; i < palette.size(); ++i)
    if (palette[i] == rgb) return static_cast<std::uint8_t>(i);
  std::size_t best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    if (exactOnly[i]) continue;
    const long dr = long((palette[i] >> 16) & 255) - long((rgb >> 16) & 255);
    const long dg = long((palette[i] >> 8) & 255) - long((rgb >> 8) & 255);
    const long db = long(palette[i] & 255) - long(rgb & 255);
    const long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

// Colours that probe every cell: a lattice that crosses every cell edge,
// every palette colour and its neighbours, and random colours.
std::vector<std::uint32_t> Probes(const std::vector<std::uint32_t>& palette, std::mt19937& random) {
  std::vector<std::uint32_t> probes;
  for (std::uint32_t r = 0; r < 256; r += 9)
    for (std::uint32_t g = 0; g < 256; g += 9)
      for (std::uint32_t b = 0; b < 256; b += 9) probes.push_back((r << 16) | (g << 8) | b);
  for (std::uint32_t c : palette)
    for (std::uint32_t delta : {0u, 1u, 0x100u, 0x10000u, 0x010101u})
      probes.insert(probes.end(), {(c + delta) & 0xFFFFFF, (c - delta) & 0xFFFFFF});
  for (int i = 0; i < 40000; ++i) probes.push_back(static_cast<std::uint32_t>(random()) & 0xFFFFFF);
  return probes;
}

std::vector<std::uint32_t> RandomPalette(std::mt19937& random, int count, std::uint32_t mask) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(count));
  for (auto& c : p) c = static_cast<std::uint32_t>(random()) & mask;
  return p;
}

TEST(NearestColorMap, AgreesWithTheDefinitionOnEveryKindOfPalette) {
  std::mt19937 random(99);
  struct Row {
    const char* Name;
    std::vector<std::uint32_t> Palette;
  };
  std::vector<Row> rows;
  for (int bits : {1, 4, 8}) {
    const auto fixed = FixedPaletteFor(bits);
    rows.push_back({"fixed", {fixed.begin(), fixed.end()}});
  }
  rows.push_back({"random 256", RandomPalette(random, 256, 0xFFFFFF)});
  rows.push_back({"random 7", RandomPalette(random, 7, 0xFFFFFF)});
  // Few distinct values per channel: many colours at equal distances.
  rows.push_back({"coarse, many ties", RandomPalette(random, 256, 0xC0C0C0)});
  rows.push_back({"one cluster", RandomPalette(random, 256, 0x0F0F0F)});
  std::vector<std::uint32_t> greys, duplicates;
  for (std::uint32_t i = 0; i < 256; ++i) greys.push_back(i * 0x010101);
  for (std::uint32_t i = 0; i < 256; ++i) duplicates.push_back((i / 4) * 0x040404);
  rows.push_back({"greys", greys});
  rows.push_back({"duplicates", duplicates});
  rows.push_back({"single", {0x123456}});

  for (const Row& row : rows) {
    TNearestColorMap map(row.Palette);
    for (std::uint32_t c : Probes(row.Palette, random))
      ASSERT_EQ(map.Nearest(c), NearestColorBruteForce(row.Palette, c)) << row.Name << " " << std::hex << c;
  }
}

TEST(NearestColorMap, ExactOnlyEntriesAreTakenOnlyByTheirOwnColour) {
  std::mt19937 random(7);
  // A game-like palette: eight reserved colours first, some of them repeated
  // among the ordinary entries, and a player ramp at the end.
  std::vector<std::uint32_t> palette = {0x00FFFF, 0xFF96FF, 0xFF64FF, 0xFF32FF,
                                        0xFF00FF, 0xFFFF00, 0xB400FF, 0x00FF00};
  for (int i = 8; i < 256; ++i) palette.push_back(static_cast<std::uint32_t>(random()) & 0xFFFFFF);
  palette[100] = 0xFF00FF;  // same as reserved 4: the lower index wins
  palette[20] = 0x00FE00;   // next to reserved 7
  std::bitset<256> reserved;
  for (int i = 0; i < 8; ++i) reserved[static_cast<std::size_t>(i)] = true;
  std::bitset<256> withRamp = reserved;
  for (int i = 224; i < 256; ++i) withRamp[static_cast<std::size_t>(i)] = true;

  for (const std::bitset<256>& exactOnly : {reserved, withRamp}) {
    TNearestColorMap map(palette, exactOnly);
    for (std::uint32_t c : Probes(palette, random))
      ASSERT_EQ(map.Nearest(c), Reference(palette, exactOnly, c)) << std::hex << c;
  }
  TNearestColorMap map(palette, reserved);
  EXPECT_EQ(map.Nearest(0x00FFFF), 0);
  EXPECT_EQ(map.Nearest(0xFF00FF), 4);
  EXPECT_EQ(map.Nearest(0x00FF00), 7);
  EXPECT_EQ(map.Nearest(0x00FF01), 20) << "a near colour goes to the ordinary entry";
  EXPECT_NE(map.Nearest(0x00FFFE), 0);
}

TEST(NearestColorMap, WorksOutOnlyTheCellsItIsAskedAbout) {
  TNearestColorMap map(FixedPaletteFor(8));
  EXPECT_EQ(map.CellsFilled(), 0);
  for (std::uint32_t b = 0; b < 8; ++b) map.Nearest(0x808080 + b);
  EXPECT_EQ(map.CellsFilled(), 1);
  EXPECT_LE(map.BlocksUsed(), 1);
}

// Threads of a batch reduce at once under one sharing: each keeps reusing
// its own map, never another thread's, and every answer is the definition's.
TEST(NearestColorMap, ThreadsOfABatchEachReuseTheirOwnMap) {
  std::mt19937 random(21);
  std::vector<std::uint32_t> palette = RandomPalette(random, 256, 0xFFFFFF);
  std::bitset<256> reserved;
  for (int i = 0; i < 8; ++i) reserved[static_cast<std::size_t>(i)] = true;
  const std::vector<std::uint32_t> probes = Probes(palette, random);

  const TNearestColorMapSharing sharing;
  constexpr int kThreads = 4, kImages = 3;
  std::vector<std::vector<TNearestColorMap*>> maps(kThreads);
  std::vector<int> wrong(kThreads, 0);
  // Every thread takes its first map while all are alive: a thread that
  // has ended may hand its identity, and so its map, to a new one.
  std::latch started(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      // Each "image" acquires the map anew and looks up a third of the probes.
      for (int image = 0; image < kImages; ++image) {
        const std::shared_ptr<TNearestColorMap> map = AcquireNearestColorMap(palette, reserved);
        maps[static_cast<std::size_t>(t)].push_back(map.get());
        if (image == 0) started.arrive_and_wait();
        for (std::size_t i = static_cast<std::size_t>(image); i < probes.size(); i += kImages)
          wrong[static_cast<std::size_t>(t)] += map->Nearest(probes[i]) != Reference(palette, reserved, probes[i]);
      }
    });
  for (std::thread& t : threads) t.join();

  for (int t = 0; t < kThreads; ++t) {
    const auto& mine = maps[static_cast<std::size_t>(t)];
    EXPECT_EQ(wrong[static_cast<std::size_t>(t)], 0) << "thread " << t;
    EXPECT_EQ(mine[1], mine[0]) << "a thread reuses its map";
    EXPECT_EQ(mine[2], mine[0]);
    for (int other = 0; other < t; ++other)
      EXPECT_NE(mine[0], maps[static_cast<std::size_t>(other)][0]) << "threads " << other << " and " << t << " share a map";
  }
}

TEST(NearestColorMap, OnlyASharingKeepsMapsForLaterReductions) {
  const auto fixed = FixedPaletteFor(8);
  const std::vector<std::uint32_t> palette(fixed.begin(), fixed.end());
  std::bitset<256> first;
  first[0] = true;
  EXPECT_NE(AcquireNearestColorMap(palette), AcquireNearestColorMap(palette)) << "no sharing: a map each";
  {
    const TNearestColorMapSharing outer;
    const auto plain = AcquireNearestColorMap(palette);
    EXPECT_EQ(AcquireNearestColorMap(palette), plain);
    EXPECT_NE(AcquireNearestColorMap(palette, first), plain) << "other exact-only entries, other answers";
    std::vector<std::uint32_t> other = palette;
    other[7] ^= 1;
    EXPECT_NE(AcquireNearestColorMap(other), plain);
    {
      const TNearestColorMapSharing inner;
      EXPECT_NE(AcquireNearestColorMap(palette), plain) << "the innermost sharing serves";
    }
    EXPECT_EQ(AcquireNearestColorMap(palette), plain) << "the outer one serves again";
  }
  EXPECT_NE(AcquireNearestColorMap(palette), AcquireNearestColorMap(palette));
}

}  // namespace
}  // namespace kelvane
