// Speed of the archive unit and the extraction on an archive of 10,000
// small 8-bit sprites (about 40 MB of sprites, laid out as the game's own
// archives), in process.
//
// Opening reports entries per second (the table is read and judged whole);
// reading reports bytes of inflated entries per second; extraction reports
// entries per second into a fresh folder on the same disk as the temporary
// directory. The loads
// compare one sprite read out of the archive with the same sprite as a
// loose file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/LodArchive.h"
#include "image/LittleEndian.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/ArchiveExtraction.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

constexpr int kSprites = 10000;

std::vector<std::uint8_t> Sprite(int width, int height, int seed) {
  std::vector<std::uint8_t> s(12 + static_cast<std::size_t>(width * height) + 768);
  StoreU32(s.data(), static_cast<std::uint32_t>(width * height));
  StoreU32(s.data() + 4, static_cast<std::uint32_t>(width));
  StoreU32(s.data() + 8, static_cast<std::uint32_t>(height));
  std::uint32_t noise = static_cast<std::uint32_t>(seed) * 2654435761u;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int d = (x - width / 2) * (x - width / 2) + (y - height / 2) * (y - height / 2);
      s[12 + static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>((d / 40 + seed) * 4 + (noise >> 30));
    }
  for (int i = 0; i < 768; ++i) s[12 + static_cast<std::size_t>(width * height + i)] = static_cast<std::uint8_t>(i * 7 + seed);
  return s;
}

// The archive and one of its sprites as a loose file, made once.
struct TBenchFiles {
  std::string Dir;
  std::string Archive;
  std::string Loose;
  TBenchFiles() {
    std::string pattern = (fs::temp_directory_path() / "kelvane-bench-XXXXXX").string();
    Dir = ::mkdtemp(pattern.data());
    Archive = Dir + "/sprites.lod";
    Loose = Dir + "/spr05000.pcx";
    TLodBuilder builder;
    for (int i = 0; i < kSprites; ++i) {
      const std::vector<std::uint8_t> sprite = Sprite(52 + i % 17, 52 + (i * 7) % 17, i);
      char name[16];
      std::snprintf(name, sizeof name, "spr%05d.pcx", i);
      if (!builder.Put(name, sprite)) std::abort();
      if (i == 5000) std::ofstream(Loose, std::ios::binary).write(reinterpret_cast<const char*>(sprite.data()), static_cast<std::streamsize>(sprite.size()));
    }
    if (!builder.Save(Archive)) std::abort();
  }
  ~TBenchFiles() {
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }
};

const TBenchFiles& Files() {
  static const TBenchFiles files;
  return files;
}

void BM_OpenArchive(benchmark::State& state) {
  const std::string& path = Files().Archive;
  for (auto _ : state) {
    TLodArchive archive;
    if (!archive.Open(path)) state.SkipWithError("cannot open");
    benchmark::DoNotOptimize(archive.Entries().data());
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK(BM_OpenArchive)->Unit(benchmark::kMillisecond);

void BM_ReadEveryEntry(benchmark::State& state) {
  TLodArchive archive;
  if (!archive.Open(Files().Archive)) state.SkipWithError("cannot open");
  std::vector<std::uint8_t> bytes;
  std::int64_t total = 0;
  for (auto _ : state) {
    for (const TLodEntry& e : archive.Entries()) {
      if (!archive.Read(e, bytes)) state.SkipWithError("cannot read");
      total += static_cast<std::int64_t>(bytes.size());
    }
  }
  state.SetBytesProcessed(total);
}
BENCHMARK(BM_ReadEveryEntry)->Unit(benchmark::kMillisecond);

void Extract(benchmark::State& state, bool convert) {
  TLodArchive archive;
  if (!archive.Open(Files().Archive)) state.SkipWithError("cannot open");
  TExtractRequest request;
  request.Convert = convert;
  request.Threads = static_cast<unsigned>(state.range(0));
  // Each run into a fresh folder, all removed at the end: ext4 slows the
  // allocation of new files for a while after thousands were removed, which
  // would time the file system's bookkeeping rather than the extraction.
  int run = 0;
  for (auto _ : state) {
    request.OutputDir = Files().Dir + "/out" + std::to_string(run++);
    const TExtractSummary summary = ExtractArchive(archive, request);
    if (!summary.Ok() || summary.Written != kSprites) state.SkipWithError("extraction failed");
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
  for (int i = 0; i < run; ++i) fs::remove_all(Files().Dir + "/out" + std::to_string(i));
}

void BM_ExtractAsStored(benchmark::State& state) { Extract(state, false); }
BENCHMARK(BM_ExtractAsStored)->Arg(1)->Arg(2)->Arg(4)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExtractConvertingToBmp(benchmark::State& state) { Extract(state, true); }
BENCHMARK(BM_ExtractConvertingToBmp)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadSpriteFromArchive(benchmark::State& state) {
  const std::string path = Files().Archive + "/spr05000.pcx";
  for (auto _ : state) {
    TDibBitmap image;
    if (LoadImagePath(image, path).Status != TLoadStatus::Loaded) state.SkipWithError("not loaded");
  }
}
BENCHMARK(BM_LoadSpriteFromArchive)->Unit(benchmark::kMicrosecond);

void BM_LoadSameSpriteAsFile(benchmark::State& state) {
  const std::string& path = Files().Loose;
  for (auto _ : state) {
    TDibBitmap image;
    if (LoadImagePath(image, path).Status != TLoadStatus::Loaded) state.SkipWithError("not loaded");
  }
}
BENCHMARK(BM_LoadSameSpriteAsFile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvane
