// Speed of the DEF reader and writer on a creature-sized animation, in
// process, one thread.
//
// The animation is made here: 12 groups of 10 frames on the 450 x 400 canvas
// a creature's DEF has, each frame a shaded body of about 130 x 150 pixels
// with a shadow, on transparency; written by our writer in the creature's
// pixel format (1), or in the one the benchmark's argument forces. Decoding
// reports canvas pixels per second: every pixel of every frame's full canvas,
// which is what the reader hands out (the transparent margin included). The
// canvases come in one block of huge pages where the kernel offers them
// (transparent huge pages set to "madvise" or "always").
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "formats/DefReader.h"
#include "formats/DefWriter.h"

namespace kelvane {
namespace {

constexpr std::int32_t kCanvasWidth = 450, kCanvasHeight = 400;
constexpr int kGroups = 12, kFramesPerGroup = 10;

TDefCanvas CreatureFrame(int step) {
  TDefCanvas c;
  c.Width = kCanvasWidth;
  c.Height = kCanvasHeight;
  c.Indexes = TCanvasBytes(static_cast<std::size_t>(kCanvasWidth) * kCanvasHeight);
  const double cx = 225 + 6 * std::sin(step * 0.7), cy = 210 + 4 * std::cos(step * 0.9);
  const double rx = 65, ry = 75;
  for (int y = 0; y < kCanvasHeight; ++y) {
    for (int x = 0; x < kCanvasWidth; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      const double d = dx * dx + dy * dy;
      std::uint8_t v = 0;
      if (d <= 1.0) {
        // Shading in bands, with texture: short runs and literals, as drawn
        // sprites have.
        v = static_cast<std::uint8_t>(40 + static_cast<int>(100 * (1 - d)) / 4 * 4 + ((x * 7 + y * 3 + step) % 5));
      } else if (y > cy + ry - 12 && y < cy + ry + 10 && std::abs(x - cx) < rx * 1.2) {
        v = (x + y) % 3 == 0 ? 1 : 4;  // shadow
      }
      c.Indexes[static_cast<std::size_t>(y) * kCanvasWidth + static_cast<std::size_t>(x)] = v;
    }
  }
  return c;
}

TDefAnimation Creature() {
  TDefAnimation a;
  a.Type = 0x42;
  a.Width = kCanvasWidth;
  a.Height = kCanvasHeight;
  for (int i = 0; i < 768; ++i) a.Palette[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 11);
  for (int g = 0; g < kGroups; ++g) {
    TDefGroup group;
    group.Id = static_cast<std::uint32_t>(g);
    for (int f = 0; f < kFramesPerGroup; ++f) {
      group.Frames.push_back({"CBENCH" + std::to_string(g * kFramesPerGroup + f), a.Frames.size()});
      TDefFrame frame;
      frame.Canvas = CreatureFrame(g * kFramesPerGroup + f);
      a.Frames.push_back(std::move(frame));
    }
    a.Groups.push_back(std::move(group));
  }
  return a;
}

const TDefAnimation& SharedCreature() {
  static const TDefAnimation creature = Creature();
  return creature;
}

std::vector<std::uint8_t> Encoded(std::int64_t format) {
  TDefWriteOptions options;
  if (format >= 0) options.PixelFormat = static_cast<std::uint32_t>(format);
  std::vector<std::uint8_t> bytes;
  if (!EncodeDef(SharedCreature(), options, bytes).Ok()) bytes.clear();
  return bytes;
}

// Argument: the pixel format forced, or -1 for the creature's own (1).
void BM_DecodeCreatureDef(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = Encoded(state.range(0));
  if (bytes.empty()) {
    state.SkipWithError("the writer refused the animation");
    return;
  }
  std::int64_t canvasPixels = 0;
  for (auto _ : state) {
    TMemorySource source(bytes);
    TDefAnimation a;
    if (!ReadDef(source, a).Ok()) {
      state.SkipWithError("the reader refused the animation");
      return;
    }
    canvasPixels = 0;
    for (const TDefFrame& frame : a.Frames) canvasPixels += static_cast<std::int64_t>(frame.Canvas.Indexes.size());
    benchmark::DoNotOptimize(a.Frames.data());
  }
  state.counters["canvas_px_per_s"] =
      benchmark::Counter(static_cast<double>(canvasPixels), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
  state.counters["frames"] = kGroups * kFramesPerGroup;
}
BENCHMARK(BM_DecodeCreatureDef)->Arg(-1)->Arg(0)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decoding, then reading every canvas byte once, as an exporter does: what
// the canvases cost their first reader as well as the decoder.
void BM_DecodeCreatureDefAndReadEveryPixel(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = Encoded(-1);
  std::int64_t canvasPixels = 0;
  for (auto _ : state) {
    TMemorySource source(bytes);
    TDefAnimation a;
    if (!ReadDef(source, a).Ok()) {
      state.SkipWithError("the reader refused the animation");
      return;
    }
    std::uint64_t sum = 0;
    canvasPixels = 0;
    for (const TDefFrame& frame : a.Frames) {
      for (std::uint8_t index : frame.Canvas.Indexes) sum += index;
      canvasPixels += static_cast<std::int64_t>(frame.Canvas.Indexes.size());
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["canvas_px_per_s"] =
      benchmark::Counter(static_cast<double>(canvasPixels), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeCreatureDefAndReadEveryPixel)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeCreatureDef(benchmark::State& state) {
  const TDefAnimation& a = SharedCreature();
  std::vector<std::uint8_t> bytes;
  for (auto _ : state) {
    if (!EncodeDef(a, {}, bytes).Ok()) {
      state.SkipWithError("the writer refused the animation");
      return;
    }
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["canvas_px_per_s"] = benchmark::Counter(
      static_cast<double>(kCanvasWidth) * kCanvasHeight * kGroups * kFramesPerGroup,
      benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EncodeCreatureDef)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvane
