// Fuzz target: the PNG reader (libpng through our wrapper). A decoded image
// must have one of our three layouts and survive drawing, writing as BMP
// and writing as PNG, and the PNG it writes must read back to the same
// pixels.
#include <cstdint>
#include <span>

#include "formats/PngCodec.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  TDibBitmap image;
  const TOutcome read = DecodePng(std::span<const std::uint8_t>(data, size), image);
  if (!read) {
    fuzz::Check(image.IsEmpty(), "a refused PNG leaves the image empty");
    return 0;
  }
  fuzz::Check(!image.IsEmpty(), "a decoded PNG has pixels");
  const TPixelFormat format = image.GetPixelFormat();
  fuzz::Check(format == px8 || format == px24 || format == px32, "a PNG becomes 8, 24 or 32 bit");
  if (std::int64_t{image.Width()} * image.Height() > fuzz::kMaxCheckedPixels) return 0;

  const std::vector<std::uint32_t> before = fuzz::CopyRows(image);
  auto written = NewMemoryByteStream();
  fuzz::Check(EncodePng(image, {}, *written).Ok(), "a decoded PNG can be written");
  TDibBitmap again;
  fuzz::Check(DecodePng(std::span<const std::uint8_t>(written->Memory(), static_cast<std::size_t>(written->Size())),
                        again)
                  .Ok(),
              "a written PNG reads back");
  fuzz::Check(again.GetPixelFormat() == format, "a written PNG keeps its layout");
  fuzz::Check(fuzz::CopyRows(again) == before, "a written PNG reads back to the same pixels");
  fuzz::ExerciseLoadedImage(image);
  return 0;
}
