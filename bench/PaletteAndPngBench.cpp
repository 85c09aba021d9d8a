// Speed of exact reduction and of PNG on the 2048 x 2048 photograph-like
// picture of BenchImages.h, in process, one thread.
//
// Reductions report pixels per second and are cold: every iteration builds
// its own lookup structure, as a fresh process does, so nothing learnt from
// an earlier iteration is reused. PNG reports bytes of pixel data per second
// (width x height x 3); writing goes to memory, reading from memory, so the
// figures are the codec's own.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <span>
#include <vector>

#include "bench/BenchImages.h"
#include "formats/PngCodec.h"
#include "image/ByteStream.h"
#include "image/DibBitmap.h"
#include "image/NearestColorMap.h"
#include "image/PaletteReduction.h"

namespace kelvane {
namespace {

std::vector<std::uint8_t> PhotoBmp() {
  const std::vector<std::uint8_t> photo = PhotoBgr();
  std::vector<std::uint8_t> bmp = BmpHeaders(kSide, kSide, 24, 0, 0, static_cast<std::uint32_t>(photo.size()));
  for (int y = kSide - 1; y >= 0; --y) {
    const auto* row = photo.data() + static_cast<std::size_t>(y) * kSide * 3;
    bmp.insert(bmp.end(), row, row + kSide * 3);
  }
  return bmp;
}

const std::vector<std::uint8_t>& PhotoBmpBytes() {
  static const std::vector<std::uint8_t> bytes = PhotoBmp();
  return bytes;
}

void LoadPhoto(TDibBitmap& image) {
  auto stream = NewMemoryByteStream();
  stream->Write(PhotoBmpBytes().data(), static_cast<std::int64_t>(PhotoBmpBytes().size()));
  stream->Seek(0, soFromStart);
  image.ReadBmpStream(*stream);
}

// An arbitrary palette: the game's eight reserved colours, then 248 colours
// from a fixed seed.
TPalette ArbitraryPalette() {
  TPalette p;
  p.Count = 256;
  const std::uint32_t reserved[8] = {0x00FFFF, 0xFF96FF, 0xFF64FF, 0xFF32FF, 0xFF00FF, 0xFFFF00, 0xB400FF, 0x00FF00};
  std::mt19937 random(1999u);
  for (std::size_t i = 0; i < 256; ++i) p.Colors[i] = i < 8 ? reserved[i] : static_cast<std::uint32_t>(random()) & 0xFFFFFF;
  return p;
}

void Require(benchmark::State& state, bool ok, const char* what) {
  if (!ok) state.SkipWithError(what);
}

// The fixed 256-colour table, as --to8 and "Преобразовать в 8 бит" reduce.
void BM_ReduceToFixedTableCold(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TDibBitmap image;
    LoadPhoto(image);
    state.ResumeTiming();
    image.SetPixelFormat(px8);
    Require(state, image.GetPixelFormat() == px8, "reduction failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

// An arbitrary palette with entries 0-7 reserved, as --palette reduces.
void BM_ReduceToArbitraryPaletteCold(benchmark::State& state) {
  const TPalette palette = ArbitraryPalette();
  std::int64_t inexact = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TDibBitmap image;
    LoadPhoto(image);
    state.ResumeTiming();
    const TReductionReport report = ReduceToPalette(image, palette, {});
    Require(state, report.Outcome.Ok(), "reduction failed");
    inexact = report.InexactPixels;
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
  state.counters["inexact"] = static_cast<double>(inexact);
}

// How much of the picture's colour space a cold reduction works out.
void BM_NearestMapCellsOfThePhoto(benchmark::State& state) {
  const std::vector<std::uint8_t> photo = PhotoBgr();
  const TPalette palette = ArbitraryPalette();
  int cells = 0, blocks = 0;
  for (auto _ : state) {
    TNearestColorMap map(std::span<const std::uint32_t>(palette.Colors.data(), 256), DefaultReservedEntries());
    unsigned sum = 0;
    for (std::size_t i = 0; i < photo.size(); i += 3)
      sum += map.Nearest(std::uint32_t{photo[i + 2]} << 16 | std::uint32_t{photo[i + 1]} << 8 | photo[i]);
    benchmark::DoNotOptimize(sum);
    cells = map.CellsFilled();
    blocks = map.BlocksUsed();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
  state.counters["cells"] = cells;
  state.counters["blocks"] = blocks;
}

void BM_EncodePng24(benchmark::State& state) {
  TDibBitmap image;
  LoadPhoto(image);
  std::int64_t size = 0;
  for (auto _ : state) {
    auto out = NewMemoryByteStream();
    Require(state, EncodePng(image, {}, *out).Ok(), "EncodePng failed");
    size = out->Size();
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
  state.counters["file_bytes"] = static_cast<double>(size);
}

void BM_DecodePng24(benchmark::State& state) {
  TDibBitmap image;
  LoadPhoto(image);
  auto png = NewMemoryByteStream();
  Require(state, EncodePng(image, {}, *png).Ok(), "EncodePng failed");
  for (auto _ : state) {
    TDibBitmap decoded;
    Require(state,
            DecodePng(std::span<const std::uint8_t>(png->Memory(), static_cast<std::size_t>(png->Size())), decoded).Ok(),
            "DecodePng failed");
    benchmark::DoNotOptimize(decoded.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
}

// LoadPng of the file named by KELVANE_BENCH_PNG, read from disk each time as
// an image viewer would: for comparing decoders on the very same files
// (bench/compare_with_pillow.py runs it on its own and on Pillow's PNG).
void BM_LoadPngFile(benchmark::State& state) {
  const char* path = std::getenv("KELVANE_BENCH_PNG");
  if (path == nullptr) {
    state.SkipWithError("KELVANE_BENCH_PNG names no file");
    return;
  }
  for (auto _ : state) {
    TDibBitmap decoded;
    if (!LoadPng(path, decoded)) {
      state.SkipWithError("LoadPng failed");
      break;
    }
    benchmark::DoNotOptimize(decoded.Pixels());
  }
}

BENCHMARK(BM_ReduceToFixedTableCold)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReduceToArbitraryPaletteCold)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NearestMapCellsOfThePhoto)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePng24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodePng24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPngFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvane
