#include "formats/PcxFile.h"

#include "formats/P32Image.h"
#include "formats/PcxSprite.h"
#include "formats/ZSoftPcx.h"
#include "image/ByteStream.h"

namespace kelvane {

TPcxRead LoadPcxFile(TDibBitmap& image, TByteSource& source) {
  TPcxRead r;
  r.Kind = RecogniseContent(source);
  switch (r.Kind) {
    case TContentKind::Sprite: r.Read = LoadSprite(image, source, &r.Why); break;
    case TContentKind::ZSoft: r.Why = LoadZSoftPcx(image, source); break;
    case TContentKind::P32: r.Why = LoadP32(image, source); break;
    case TContentKind::Unknown: r.Why = TOutcome::Failure(TImageError::InvalidSprite); break;
    case TContentKind::D32:
    case TContentKind::Bmp:
    case TContentKind::Png:
    case TContentKind::Dds:
    case TContentKind::Zlib:
    case TContentKind::Def: r.Why = TOutcome::Failure(TImageError::NotASprite); break;
  }
  if (r.Kind == TContentKind::ZSoft || r.Kind == TContentKind::P32) r.Read = r.Why.Ok();
  return r;
}

TPcxRead LoadPcxFile(TDibBitmap& image, const std::string& path) {
  TFileSource file = OpenFileSource(path);
  if (!file.Source) {
    TPcxRead r;
    r.Why = file.Opened;
    return r;
  }
  return LoadPcxFile(image, *file.Source);
}

}  // namespace kelvane
