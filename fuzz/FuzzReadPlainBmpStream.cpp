// Fuzz target: the plain BMP reader, which takes header values as they are
// (zero or negative sizes, any compression) and needs the whole pixel block.
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  auto stream = fuzz::StreamOf(data, size);
  TDibBitmap image;
  const bool ok = image.ReadPlainBmpStream(*stream);
  if (!ok) {
    fuzz::Check(image.IsEmpty(), "a refused image leaves the bitmap empty");
    fuzz::Check(stream->GetPosition() == 0, "a refused image leaves the stream at its start");
    return 0;
  }
  // What the plain reader accepts may carry any compression value; drawing
  // and writing it must still stay inside the buffers.
  if (!image.IsEmpty() && std::int64_t{image.Width()} * image.Height() <= fuzz::kMaxCheckedPixels) {
    image.Rows32();
    auto out = NewMemoryByteStream();
    image.WriteBmpStream(*out);
  }
  return 0;
}
