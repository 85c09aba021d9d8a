// Speed of reading what mods keep under ".pcx" and of writing 24-bit
// sprites, on 2048 x 2048 images held in memory (as archive entries are),
// single thread. Rates are bytes of pixels per wall-clock second (width x
// height x bytes per pixel of the image produced or written).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "formats/P32Image.h"
#include "formats/PcxFile.h"
#include "formats/PcxSprite.h"
#include "formats/ZSoftPcx.h"
#include "image/ByteSource.h"
#include "image/ByteStream.h"
#include "image/DibBitmap.h"

namespace kelvane {
namespace {

constexpr int kSide = 2048;
constexpr std::int64_t kPixels = std::int64_t{kSide} * kSide;

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A picture with runs of a few pixels and noise between them, like a
// portrait after colour reduction: about half its bytes come in runs.
std::uint8_t PictureByte(int x, int y, int plane, std::mt19937& noise) {
  if ((x / 6 + y) % 2 == 0) return static_cast<std::uint8_t>((x / 6 * 7 + y + plane * 50) & 0xBF);
  return static_cast<std::uint8_t>(noise());
}

Bytes ZSoftImage(int planes) {
  Bytes out{0x0A, 5, 1, 8};
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, kSide - 1);
  Put16(out, kSide - 1);
  out.resize(64, 0);
  out.push_back(0);
  out.push_back(static_cast<std::uint8_t>(planes));
  Put16(out, kSide);
  out.resize(128, 0);
  std::mt19937 noise(11);
  std::vector<std::uint8_t> line(static_cast<std::size_t>(kSide));
  for (int y = 0; y < kSide; ++y) {
    for (int p = 0; p < planes; ++p) {
      for (int x = 0; x < kSide; ++x) line[static_cast<std::size_t>(x)] = PictureByte(x, y, p, noise);
      for (std::size_t x = 0; x < line.size();) {
        std::size_t n = 1;
        while (x + n < line.size() && line[x + n] == line[x] && n < 63) ++n;
        if (n == 1 && line[x] < 0xC0) {
          out.push_back(line[x]);
        } else {
          out.push_back(static_cast<std::uint8_t>(0xC0 | n));
          out.push_back(line[x]);
        }
        x += n;
      }
    }
  }
  if (planes == 1) {
    out.push_back(0x0C);
    for (int i = 0; i < 768; ++i) out.push_back(static_cast<std::uint8_t>(i / 3));
  }
  return out;
}

Bytes P32Image() {
  Bytes out{'P', '3', '2', 'F'};
  const std::uint32_t data = static_cast<std::uint32_t>(kPixels * 4);
  for (std::uint32_t v : {0u, 32u, 40 + data, 40u, data, std::uint32_t(kSide), std::uint32_t(kSide), 0u, 0u})
    Put32(out, v);
  std::mt19937 noise(5);
  for (std::int64_t i = 0; i < kPixels * 4; ++i) out.push_back(static_cast<std::uint8_t>(noise()));
  return out;
}

void BM_LoadZSoft(benchmark::State& state) {
  const int planes = static_cast<int>(state.range(0));
  const Bytes file = ZSoftImage(planes);
  for (auto _ : state) {
    TMemorySource source(file);
    TDibBitmap image;
    if (!LoadZSoftPcx(image, source)) state.SkipWithError("not read");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * kPixels * planes);
  state.SetLabel(planes == 1 ? "8 bit" : "24 bit");
}

void BM_LoadP32(benchmark::State& state) {
  const Bytes file = P32Image();
  for (auto _ : state) {
    TMemorySource source(file);
    TDibBitmap image;
    if (!LoadP32(image, source)) state.SkipWithError("not read");
    benchmark::DoNotOptimize(image.Pixels());
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 4);
}

// Recognition runs before every load: what it costs on its own.
void BM_RecogniseZSoft(benchmark::State& state) {
  const Bytes file = ZSoftImage(1);
  for (auto _ : state) {
    TMemorySource source(file);
    benchmark::DoNotOptimize(RecogniseContent(source));
  }
}

void BM_EncodeSprite24(benchmark::State& state) {
  const Bytes file = P32Image();
  TMemorySource source(file);
  TDibBitmap image;
  if (!LoadP32(image, source)) return state.SkipWithError("not read");
  image.SetPixelFormat(px24);
  for (auto _ : state) {
    auto out = NewMemoryByteStream();
    if (!EncodeSprite24(image, *out)) state.SkipWithError("not written");
    benchmark::DoNotOptimize(out->Memory());
  }
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
}

BENCHMARK(BM_LoadZSoft)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadP32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecogniseZSoft)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_EncodeSprite24)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvane
