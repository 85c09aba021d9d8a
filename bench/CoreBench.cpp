// Speed of the core on 2048 x 2048 images, in process, single thread.
//
// Reading and writing report bytes of pixel data per second (width x height x
// bytes per pixel, what the user thinks of as the image); the reduction to 8
// bits reports pixels per second. Files live in a temporary directory, so
// reads come from the page cache; writes include the save's flush to disk,
// since that is what a user waits for. Rates are per wall-clock second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchImages.h"
#include "formats/PcxSprite.h"
#include "image/ByteStream.h"
#include "image/DibBitmap.h"

namespace kelvane {
namespace {

// Palette indexes in horizontal runs of varying length, as a drawn picture
// has them: what RLE8 is made for.
std::vector<std::uint8_t> BandedIndexes() {
  std::vector<std::uint8_t> idx(static_cast<std::size_t>(kPixels));
  std::mt19937 rng(7u);
  for (int y = 0; y < kSide; ++y) {
    int x = 0;
    while (x < kSide) {
      int run = 1 + static_cast<int>(rng() % 40);
      if (run > kSide - x) run = kSide - x;
      const auto v = static_cast<std::uint8_t>((y / 8 + x / 64 + rng() % 3) & 0xFF);
      for (int k = 0; k < run; ++k) idx[static_cast<std::size_t>(y) * kSide + static_cast<std::size_t>(x + k)] = v;
      x += run;
    }
  }
  return idx;
}

std::vector<std::uint8_t> Rle8Encode(const std::vector<std::uint8_t>& idx) {
  std::vector<std::uint8_t> out;
  for (int y = kSide - 1; y >= 0; --y) {  // bottom row first
    const std::uint8_t* row = idx.data() + static_cast<std::size_t>(y) * kSide;
    int x = 0;
    while (x < kSide) {
      int run = 1;
      while (x + run < kSide && run < 255 && row[x + run] == row[x]) ++run;
      out.push_back(static_cast<std::uint8_t>(run));
      out.push_back(row[x]);
      x += run;
    }
    out.push_back(0);
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(1);
  return out;
}

struct TFixture {
  std::filesystem::path Dir;
  std::string Sprite8, Sprite24, Bmp24, BmpRle8;
  std::vector<std::uint8_t> Bmp24Bytes;

  TFixture() {
    char templ[] = "/tmp/kelvane-bench-XXXXXX";
    if (!mkdtemp(templ)) std::abort();
    Dir = templ;
    const std::vector<std::uint8_t> photo = PhotoBgr();
    const std::vector<std::uint8_t> idx = BandedIndexes();

    // 2048 is a multiple of 4: BMP rows carry no padding here.
    Bmp24Bytes = BmpHeaders(kSide, kSide, 24, 0, 0, static_cast<std::uint32_t>(photo.size()));
    for (int y = kSide - 1; y >= 0; --y) {
      const auto* row = photo.data() + static_cast<std::size_t>(y) * kSide * 3;
      Bmp24Bytes.insert(Bmp24Bytes.end(), row, row + kSide * 3);
    }
    Bmp24 = Write("photo24.bmp", Bmp24Bytes);

    const std::vector<std::uint8_t> rle = Rle8Encode(idx);
    std::vector<std::uint8_t> rleFile = BmpHeaders(kSide, kSide, 8, 1, 1024, static_cast<std::uint32_t>(rle.size()));
    for (int i = 0; i < 256; ++i) Put32(rleFile, static_cast<std::uint32_t>(i * 0x010101));
    rleFile.insert(rleFile.end(), rle.begin(), rle.end());
    BmpRle8 = Write("bands-rle8.bmp", rleFile);

    std::vector<std::uint8_t> s8;
    Put32(s8, static_cast<std::uint32_t>(kPixels));
    Put32(s8, kSide);
    Put32(s8, kSide);
    s8.insert(s8.end(), idx.begin(), idx.end());
    for (int i = 0; i < 256; ++i) s8.insert(s8.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)});
    Sprite8 = Write("bands8.pcx", s8);

    std::vector<std::uint8_t> s24;
    Put32(s24, static_cast<std::uint32_t>(kPixels * 3));
    Put32(s24, kSide);
    Put32(s24, kSide);
    s24.insert(s24.end(), photo.begin(), photo.end());
    Sprite24 = Write("photo24.pcx", s24);
  }
  ~TFixture() {
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }

  std::string Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (Dir / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
};

TFixture& Fixture() {
  static TFixture fixture;
  return fixture;
}

void Require(benchmark::State& state, bool ok, const char* what) {
  if (!ok) state.SkipWithError(what);
}

void BM_LoadSprite8(benchmark::State& state) {
  const std::string path = Fixture().Sprite8;
  for (auto _ : state) {
    TDibBitmap image;
    Require(state, LoadSprite(image, path) && image.GetPixelFormat() == px8, "LoadSprite 8-bit failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * kPixels);
}

void BM_LoadSprite24(benchmark::State& state) {
  const std::string path = Fixture().Sprite24;
  for (auto _ : state) {
    TDibBitmap image;
    Require(state, LoadSprite(image, path) && image.GetPixelFormat() == px24, "LoadSprite 24-bit failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
}

// Saves with Arg 0 write a new file each time (the old one is removed
// outside the timing); with Arg 1 they replace the file, which waits for the
// disk: the new file is flushed before it is renamed over the old one.
void RemoveUntimed(benchmark::State& state, const std::string& path) {
  if (state.range(0) != 0) return;
  state.PauseTiming();
  std::filesystem::remove(path);
  state.ResumeTiming();
}

void BM_SaveSprite(benchmark::State& state) {
  TDibBitmap image;
  Require(state, LoadSprite(image, Fixture().Sprite8), "LoadSprite failed");
  const std::string out = (Fixture().Dir / "saved.pcx").string();
  for (auto _ : state) {
    RemoveUntimed(state, out);
    Require(state, SaveSprite(image, out).Ok(), "SaveSprite failed");
  }
  state.SetBytesProcessed(state.iterations() * kPixels);
  state.SetLabel(state.range(0) != 0 ? "replacing" : "new file");
}

void BM_ReadBmpFile24(benchmark::State& state) {
  const std::string path = Fixture().Bmp24;
  for (auto _ : state) {
    TDibBitmap image;
    Require(state, image.ReadBmpFile(path), "ReadBmpFile 24-bit failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
}

void BM_ReadBmpFileRle8(benchmark::State& state) {
  const std::string path = Fixture().BmpRle8;
  for (auto _ : state) {
    TDibBitmap image;
    Require(state, image.ReadBmpFile(path) && image.GetPixelFormat() == px8, "ReadBmpFile RLE8 failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
  // Decoded pixel bytes: what the reader produced, not the compressed size.
  state.SetBytesProcessed(state.iterations() * kPixels);
}

void BM_WriteBmpFile24(benchmark::State& state) {
  TDibBitmap image;
  Require(state, image.ReadBmpFile(Fixture().Bmp24), "ReadBmpFile failed");
  const std::string out = (Fixture().Dir / "written.bmp").string();
  for (auto _ : state) {
    RemoveUntimed(state, out);
    Require(state, image.WriteBmpFile(out).Ok(), "WriteBmpFile failed");
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
  state.SetLabel(state.range(0) != 0 ? "replacing" : "new file");
}

// The save without its flush to disk: the same writer into a memory stream,
// to tell the core's own cost from the device's.
void BM_WriteBmpStreamToMemory24(benchmark::State& state) {
  TDibBitmap image;
  Require(state, image.ReadBmpFile(Fixture().Bmp24), "ReadBmpFile failed");
  for (auto _ : state) {
    auto stream = NewMemoryByteStream();
    Require(state, image.WriteBmpStream(*stream), "WriteBmpStream failed");
    benchmark::DoNotOptimize(stream->Memory());
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
}

void BM_SetPixelFormat8FromPhoto24(benchmark::State& state) {
  auto source = NewMemoryByteStream();
  source->Write(Fixture().Bmp24Bytes.data(), static_cast<std::int64_t>(Fixture().Bmp24Bytes.size()));
  for (auto _ : state) {
    state.PauseTiming();
    TDibBitmap image;
    source->Seek(0, soFromStart);
    const bool read = image.ReadBmpStream(*source);
    state.ResumeTiming();
    image.SetPixelFormat(px8);
    Require(state, read && image.GetPixelFormat() == px8, "reduction to 8 bits failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

BENCHMARK(BM_LoadSprite8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadSprite24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveSprite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBmpFile24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBmpFileRle8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteBmpFile24)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteBmpStreamToMemory24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetPixelFormat8FromPhoto24)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvane
