#include "workflow/ImageWorkflow.h"

#include "formats/PcxSprite.h"
#include "image/ByteStream.h"
#include "workflow/ImageCaptions.h"

namespace kelvane {

namespace {

TLoadResult Shown(const TDibBitmap& image, TImagePanel panel, std::string formatText, TOutcome why) {
  TLoadResult r;
  r.Panel = panel;
  r.SizeText = SizeText(image.Width(), image.Height());
  r.FormatText = std::move(formatText);
  r.Why = why;
  // An image read without a pixel to show (a 0 x 0 sprite) is still what the
  // file holds; it fails only when a reader said why.
  r.Status = image.IsEmpty() && !why.Ok() ? TLoadStatus::Unreadable : TLoadStatus::Loaded;
  return r;
}

TLoadResult SpriteLoaded(TDibBitmap& image, bool read, TOutcome why) {
  if (!read) {
    TLoadResult r;
    r.Status = TLoadStatus::Refused;
    r.Message = kInvalidFormatText;
    r.Why = why.Ok() ? TOutcome::Failure(TImageError::InvalidSprite) : why;
    return r;
  }
  const TPixelFormat format = image.GetPixelFormat();
  return Shown(image, TImagePanel::Pcx,
               std::string(format == px8 || format == px24 ? FormatCaption(format) : kErrorCaption), why);
}

TLoadResult LoadSpriteFile(TDibBitmap& image, const std::string& path) {
  TOutcome why;
  const bool read = LoadSprite(image, path, &why);
  return SpriteLoaded(image, read, why);
}

TLoadResult BmpLoaded(const TDibBitmap& image) {
  return Shown(image, TImagePanel::Bmp, std::string(FormatCaption(image.GetPixelFormat())), image.LastOutcome());
}

TLoadResult LoadBmpFile(TDibBitmap& image, const std::string& path) {
  image.ReadBmpFile(path);
  return BmpLoaded(image);
}

}  // namespace

TLoadResult LoadImageFile(TDibBitmap& image, const std::string& path, TFileKind kind) {
  switch (kind) {
    case fkPcx: return LoadSpriteFile(image, path);
    case fkBmp: return LoadBmpFile(image, path);
    case fkOther: break;
  }
  return TLoadResult{};
}

TLoadResult LoadImageBytes(TDibBitmap& image, std::span<const std::uint8_t> bytes, TFileKind kind) {
  switch (kind) {
    case fkPcx: {
      TMemorySource source(bytes);
      TOutcome why;
      const bool read = LoadSprite(image, source, &why);
      return SpriteLoaded(image, read, why);
    }
    case fkBmp: {
      auto stream = NewMemoryByteStream();
      if (!bytes.empty()) stream->Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
      stream->Seek(0, soFromStart);
      image.ReadBmpStream(*stream);
      return BmpLoaded(image);
    }
    case fkOther: break;
  }
  return TLoadResult{};
}

TLoadResult LoadUnopenable(TDibBitmap& image, TFileKind kind, TOutcome why) {
  switch (kind) {
    case fkPcx: return SpriteLoaded(image, false, why);
    case fkBmp:
      image.Clear();
      return Shown(image, TImagePanel::Bmp, std::string(FormatCaption(image.GetPixelFormat())), why);
    case fkOther: break;
  }
  return TLoadResult{};
}

TReadiness ReadinessOf(TPixelFormat format) {
  TReadiness r;
  r.ReadyForSprite = format == px8;
  r.ShowsWarning = format == px15 || format == px16 || format == px24 || format == px32;
  r.StatusText = r.ReadyForSprite ? kReadyText : kNotReadyText;
  return r;
}

TOutcome ReduceTo8(TDibBitmap& image) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  if (image.GetPixelFormat() == px8) return TOutcome::Success();
  image.SetPixelFormat(px8);
  if (image.GetPixelFormat() == px8) return TOutcome::Success();
  return image.LastOutcome().Ok() ? TOutcome::Failure(TImageError::UnsupportedFormat) : image.LastOutcome();
}

std::string ReducedFormatText(const TDibBitmap& image) {
  return std::string(image.GetPixelFormat() == px8 ? FormatCaption(px8) : kErrorCaption);
}

TSaveTarget SaveTargetFor(TFileKind kind) { return kind == fkPcx ? TSaveTarget::Sprite : TSaveTarget::Bmp; }

TOutcome SaveImage(TDibBitmap& image, const std::string& path, TSaveTarget target) {
  switch (target) {
    case TSaveTarget::Sprite: return SaveSprite(image, path);
    case TSaveTarget::Bmp: return image.WriteBmpFile(path);
  }
  return TOutcome::Failure(TImageError::WriteFailed);
}

TOutcome EncodeImage(TDibBitmap& image, TSaveTarget target, TMemoryByteStream& out) {
  switch (target) {
    case TSaveTarget::Sprite: return EncodeSprite(image, out);
    case TSaveTarget::Bmp:
      if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
      if (!image.WriteBmpStream(out)) return TOutcome::Failure(TImageError::NotWritableAsBmp);
      out.Seek(0, soFromStart);
      return TOutcome::Success();
  }
  return TOutcome::Failure(TImageError::NotWritableAsBmp);
}

}  // namespace kelvane
