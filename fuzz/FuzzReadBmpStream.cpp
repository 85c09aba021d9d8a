// Fuzz target: the full BMP reader (file header optional, RLE decoding).
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  auto stream = fuzz::StreamOf(data, size);
  TDibBitmap image;
  const bool ok = image.ReadBmpStream(*stream);
  if (!ok) {
    fuzz::Check(image.IsEmpty(), "a refused image leaves the bitmap empty");
    fuzz::Check(stream->GetPosition() == 0, "a refused image leaves the stream at its start");
    return 0;
  }
  fuzz::ExerciseLoadedImage(image);
  return 0;
}
