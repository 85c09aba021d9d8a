// Fuzz target: the DEF reader, over bytes in memory (as an archive entry
// reaches it). A DEF it accepts must be consistent, and must come back
// through the writer and the reader to the same canvases.
#include <set>

#include "formats/DefReader.h"
#include "formats/DefWriter.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace kelvane;

std::uint64_t CanvasPixels(const TDefAnimation& a) {
  std::uint64_t pixels = 0;
  for (const TDefFrame& frame : a.Frames) pixels += frame.Canvas.Indexes.size();
  return pixels;
}

void CheckConsistent(const TDefAnimation& a) {
  std::set<std::size_t> listed;
  for (const TDefGroup& group : a.Groups) {
    for (const TDefFrameRef& ref : group.Frames) {
      fuzz::Check(ref.Frame < a.Frames.size(), "every reference names a frame");
      fuzz::Check(ref.Name.size() <= kDefMaxNameBytes + 1, "names fit their field");
      listed.insert(ref.Frame);
    }
  }
  fuzz::Check(listed.size() == a.Frames.size(), "every frame read is listed somewhere");
  for (const TDefFrame& frame : a.Frames) {
    const TDefCanvas& c = frame.Canvas;
    fuzz::Check(c.Width > 0 && c.Height > 0, "a canvas has pixels");
    fuzz::Check(c.Indexes.size() == std::size_t(c.Width) * std::size_t(c.Height), "a canvas holds its pixels");
    fuzz::Check(std::uint64_t{frame.Stored.Left} + frame.Stored.Width <= std::uint64_t(c.Width) &&
                    std::uint64_t{frame.Stored.Top} + frame.Stored.Height <= std::uint64_t(c.Height),
                "the stored rectangle lies inside the canvas");
    fuzz::Check(frame.PixelFormat < kDefPixelFormats, "a known pixel format");
  }
  fuzz::Check(CanvasPixels(a) <= kMaxDefCanvasBytes, "the canvases stay under their cap");
}

void CheckRoundTrip(const TDefAnimation& a, std::size_t seed) {
  TDefWriteOptions options;
  if (seed % 5 < kDefPixelFormats) options.PixelFormat = static_cast<std::uint32_t>(seed % 5);
  std::vector<std::uint8_t> bytes;
  const TDefProblem written = EncodeDef(a, options, bytes);
  if (!written) {
    // Names of 13 bytes read whole, frames format 2 or 3 cannot hold: the
    // only things a DEF that was read may fail to be written for.
    fuzz::Check(written.Why.Error == TImageError::BadFrameName || written.Why.Error == TImageError::DoesNotFitFormat,
                "a DEF that was read can be written");
    return;
  }
  TMemorySource source(bytes);
  TDefAnimation back;
  fuzz::Check(ReadDef(source, back).Ok(), "what the writer wrote reads back");
  fuzz::Check(back.Type == a.Type && back.Width == a.Width && back.Height == a.Height && back.Palette == a.Palette,
              "the header comes back");
  fuzz::Check(back.Groups.size() == a.Groups.size(), "every group comes back");
  for (std::size_t g = 0; g < a.Groups.size(); ++g) {
    fuzz::Check(back.Groups[g].Id == a.Groups[g].Id && back.Groups[g].Frames.size() == a.Groups[g].Frames.size(),
                "a group keeps its id and its frames");
    for (std::size_t f = 0; f < a.Groups[g].Frames.size(); ++f) {
      const TDefFrameRef &was = a.Groups[g].Frames[f], &is = back.Groups[g].Frames[f];
      fuzz::Check(is.Name == was.Name, "a frame keeps its name");
      fuzz::Check(back.Frames[is.Frame].Canvas == a.Frames[was.Frame].Canvas, "a frame keeps its canvas");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemorySource source(std::span<const std::uint8_t>(data, size));
  TDefAnimation a;
  const TDefProblem problem = ReadDef(source, a);
  if (!problem) {
    fuzz::Check(a.Groups.empty() && a.Frames.empty(), "a refused DEF leaves the animation empty");
    fuzz::Check(!problem.Where.empty(), "a refusal says where");
    return 0;
  }
  CheckConsistent(a);
  // Larger animations only make every run slow; their code paths are the
  // small ones'.
  if (CanvasPixels(a) > static_cast<std::uint64_t>(fuzz::kMaxCheckedPixels)) return 0;
  CheckRoundTrip(a, size);
  if (!a.Frames.empty()) {
    TDibBitmap image;
    fuzz::Check(ImageOfCanvas(a.Frames[0].Canvas, a.Palette, image).Ok(), "a frame becomes an image");
    fuzz::ExerciseLoadedImage(image);
  }
  return 0;
}
