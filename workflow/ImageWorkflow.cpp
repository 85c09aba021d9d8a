#include "workflow/ImageWorkflow.h"

#include "formats/PcxFile.h"
#include "formats/PcxSprite.h"
#include "workflow/ImageCaptions.h"
#include "workflow/KindTexts.h"

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

// Whatever is named ".pcx": sprites as ever, ZSoft PCX and P32 images on
// the same panel with their depth's caption, other kinds refused with a line
// that names them.
TLoadResult LoadPcxNamedFile(TDibBitmap& image, const std::string& path) {
  const TPcxRead read = LoadPcxFile(image, path);
  if (!read.Read) {
    TLoadResult r;
    r.Status = TLoadStatus::Refused;
    r.Content = read.Kind;
    r.Message = kInvalidFormatText;
    if (const std::string line = NotReadLine(read.Kind); !line.empty()) r.Message += "\n" + line;
    r.Why = read.Why.Ok() ? TOutcome::Failure(TImageError::InvalidSprite) : read.Why;
    r.Detail = NotReadDetail(read.Kind, r.Why);
    return r;
  }
  // The sprite panel names only the depths a sprite has.
  const TPixelFormat format = image.GetPixelFormat();
  const bool spriteDepth = format == px8 || format == px24;
  const std::string_view caption =
      read.Kind != TContentKind::Sprite || spriteDepth ? FormatCaption(format) : kErrorCaption;
  TLoadResult r = Shown(image, TImagePanel::Pcx, std::string(caption), read.Why);
  r.Content = read.Kind;
  return r;
}

TLoadResult LoadBmpFile(TDibBitmap& image, const std::string& path) {
  image.ReadBmpFile(path);
  return Shown(image, TImagePanel::Bmp, std::string(FormatCaption(image.GetPixelFormat())), image.LastOutcome());
}

}  // namespace

TLoadResult LoadImageFile(TDibBitmap& image, const std::string& path, TFileKind kind) {
  switch (kind) {
    case fkPcx: return LoadPcxNamedFile(image, path);
    case fkBmp: return LoadBmpFile(image, path);
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

TSaveTarget SaveTargetFor(TFileKind kind, TSpriteDepth depth) {
  if (kind != fkPcx) return TSaveTarget::Bmp;
  return depth == TSpriteDepth::TwentyFour ? TSaveTarget::Sprite24 : TSaveTarget::Sprite;
}

std::vector<TSaveType> PreviewSaveTypes(TPixelFormat format) {
  std::vector<TSaveType> types = {{"Bitmaps (*.bmp)", "*.bmp", "bmp", TSaveTarget::Bmp}};
  // Images above 8 bits can become 24-bit sprites without losing colours.
  if (ReadinessOf(format).ShowsWarning) types.push_back({"PCX 24 bit (*.pcx)", "*.pcx", "pcx", TSaveTarget::Sprite24});
  return types;
}

TSaveTarget PreviewSaveTarget(const std::vector<TSaveType>& types, int chosenIndex, const std::string& path) {
  if (types.empty()) return TSaveTarget::Bmp;
  std::string extension = path.substr(path.rfind('.') == std::string::npos ? path.size() : path.rfind('.') + 1);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const TSaveType& type : types)
    if (extension == type.Extension) return type.Target;
  const bool inRange = chosenIndex >= 0 && static_cast<std::size_t>(chosenIndex) < types.size();
  return types[inRange ? static_cast<std::size_t>(chosenIndex) : 0].Target;
}

bool DropsAlpha(const TDibBitmap& image, TSaveTarget target) {
  return target == TSaveTarget::Sprite24 && image.GetPixelFormat() == px32;
}

TOutcome SaveImage(TDibBitmap& image, const std::string& path, TSaveTarget target) {
  switch (target) {
    case TSaveTarget::Sprite: return SaveSprite(image, path);
    case TSaveTarget::Sprite24: return SaveSprite24(image, path);
    case TSaveTarget::Bmp: return image.WriteBmpFile(path);
  }
  return TOutcome::Failure(TImageError::WriteFailed);
}

}  // namespace kelvane
