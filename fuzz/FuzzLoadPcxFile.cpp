// Fuzz target: recognition of what a ".pcx" file holds and the reader it
// picks, over bytes in memory, plus the 24-bit sprite writer on whatever
// was read.
#include "formats/PcxFile.h"
#include "formats/PcxSprite.h"
#include "fuzz/FuzzCheck.h"
#include "image/ByteSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  TMemorySource source({data, size});
  TDibBitmap image;
  const TPcxRead read = LoadPcxFile(image, source);
  fuzz::Check(read.Kind == RecogniseContent(source), "recognition gives the same kind every time");
  if (!read.Read) {
    fuzz::Check(image.IsEmpty(), "a refused file leaves the bitmap untouched");
    fuzz::Check(!read.Why.Ok(), "a refused file says why");
    return 0;
  }
  fuzz::Check(read.Kind == TContentKind::Sprite || read.Kind == TContentKind::ZSoft || read.Kind == TContentKind::P32,
              "only sprites, ZSoft PCX and P32 images are read");
  if (!image.IsEmpty() && std::int64_t{image.Width()} * image.Height() <= fuzz::kMaxCheckedPixels) {
    auto sprite = NewMemoryByteStream();
    const TOutcome encoded = EncodeSprite24(image, *sprite);
    fuzz::Check(encoded.Ok(), "every image read becomes a 24-bit sprite");
    fuzz::Check(sprite->Size() == 12 + std::int64_t{image.Width()} * image.Height() * 3,
                "a 24-bit sprite holds three bytes per pixel after its header");
  }
  fuzz::ExerciseLoadedImage(image);
  return 0;
}
