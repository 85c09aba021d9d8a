// Fuzz target: the P32 reader, over bytes in memory.
#include <cstring>

#include "formats/P32Image.h"
#include "fuzz/FuzzCheck.h"
#include "image/ByteSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  TMemorySource source({data, size});
  TDibBitmap image;
  const TOutcome read = LoadP32(image, source);
  if (!read) {
    fuzz::Check(image.IsEmpty(), "a refused P32 image leaves the bitmap untouched");
    return 0;
  }
  fuzz::Check(size >= 40 && std::memcmp(data, "P32F", 4) == 0, "only a P32 header is read as one");
  fuzz::Check(image.GetPixelFormat() == px32, "a P32 image reads as 32 bit");
  const std::uint64_t pixelBytes = std::uint64_t(image.Width()) * std::uint64_t(image.Height()) * 4;
  fuzz::Check(size >= 40 + pixelBytes, "a P32 image is read only when the file holds all its pixels");
  // The pixels, alpha included, are the file's rows in the same bottom-up order.
  if (image.PixelBytes() == static_cast<std::int32_t>(pixelBytes))
    fuzz::Check(std::memcmp(image.Pixels(), data + 40, pixelBytes) == 0, "a P32 image keeps every byte of its rows");
  fuzz::ExerciseLoadedImage(image);
  return 0;
}
