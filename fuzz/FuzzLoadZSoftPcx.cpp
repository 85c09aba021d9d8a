// Fuzz target: the ZSoft PCX reader, over bytes in memory as an archive
// entry would come. Most inputs are mutated from the fixtures, so the header
// test passes often enough for the run-length decoder to be reached.
#include "formats/ZSoftPcx.h"
#include "fuzz/FuzzCheck.h"
#include "image/ByteSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  TMemorySource source({data, size});
  TDibBitmap image;
  const TOutcome read = LoadZSoftPcx(image, source);
  if (!read) {
    fuzz::Check(image.IsEmpty(), "a refused ZSoft PCX image leaves the bitmap untouched");
    return 0;
  }
  fuzz::Check(LooksLikeZSoftPcx(source), "only what looks like ZSoft PCX is read as it");
  const TPixelFormat format = image.GetPixelFormat();
  fuzz::Check(format == px1 || format == px4 || format == px8 || format == px24, "ZSoft PCX reads as 1, 4, 8 or 24 bit");
  // Width and height come from u16 fields: at most 65536 each.
  fuzz::Check(image.Width() >= 1 && image.Width() <= 65536 && image.Height() >= 1 && image.Height() <= 65536,
              "a ZSoft PCX image has the size its header gives");
  fuzz::ExerciseLoadedImage(image);
  return 0;
}
