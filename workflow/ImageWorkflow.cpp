#include "workflow/ImageWorkflow.h"

#include "formats/PaletteFile.h"
#include "formats/PcxSprite.h"
#include "formats/PngCodec.h"
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

TLoadResult LoadSpriteFile(TDibBitmap& image, const std::string& path) {
  TOutcome why;
  if (!LoadSprite(image, path, &why)) {
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

TLoadResult LoadBmpFile(TDibBitmap& image, const std::string& path) {
  image.ReadBmpFile(path);
  return Shown(image, TImagePanel::Bmp, std::string(FormatCaption(image.GetPixelFormat())), image.LastOutcome());
}

TLoadResult LoadPngFile(TDibBitmap& image, const std::string& path) {
  const TOutcome read = LoadPng(path, image);
  return Shown(image, TImagePanel::Bmp, std::string(FormatCaption(image.GetPixelFormat())), read);
}

}  // namespace

TLoadResult LoadImageFile(TDibBitmap& image, const std::string& path, TFileKind kind) {
  switch (kind) {
    case fkPcx: return LoadSpriteFile(image, path);
    case fkBmp: return LoadBmpFile(image, path);
    case fkPng: return LoadPngFile(image, path);
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

TOutcome LoadPaletteChoice(const std::string& path, TPaletteChoice& out) {
  TPalette palette;
  if (TOutcome loaded = LoadPaletteSource(path, palette); !loaded) return loaded;
  out.Kind = TPaletteChoice::TKind::FromFile;
  out.Palette = palette;
  out.Source = path;
  out.Options = TReductionOptions{};
  return TOutcome::Success();
}

TReductionReport ReduceWithPalette(TDibBitmap& image, const TPaletteChoice& choice) {
  if (choice.Kind == TPaletteChoice::TKind::FromFile) return ReduceToPalette(image, choice.Palette, choice.Options);
  TReductionReport report;
  report.Outcome = ReduceTo8(image);
  return report;
}

TSaveTarget SaveTargetFor(TFileKind kind) {
  switch (kind) {
    case fkPcx: return TSaveTarget::Sprite;
    case fkPng: return TSaveTarget::Png;
    case fkBmp:
    case fkOther: break;
  }
  return TSaveTarget::Bmp;
}

TOutcome SaveImage(TDibBitmap& image, const std::string& path, TSaveTarget target, const TSaveOptions& options) {
  switch (target) {
    case TSaveTarget::Sprite: return SaveSprite(image, path);
    case TSaveTarget::Bmp: return image.WriteBmpFile(path);
    case TSaveTarget::Png: return SavePng(image, path, TPngWriteOptions{options.PngAlpha});
  }
  return TOutcome::Failure(TImageError::WriteFailed);
}

}  // namespace kelvane
