#include "workflow/ImageWorkflow.h"

#include "formats/PcxFile.h"
#include "formats/PcxSprite.h"
#include "image/ByteStream.h"
#include "image/SafeSave.h"
#include "workflow/DefWorkflow.h"
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
TLoadResult PcxLoaded(const TDibBitmap& image, const TPcxRead& read) {
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

TLoadResult LoadPcxNamedFile(TDibBitmap& image, const std::string& path) {
  return PcxLoaded(image, LoadPcxFile(image, path));
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
    case fkPcx: return LoadPcxNamedFile(image, path);
    case fkBmp: return LoadBmpFile(image, path);
    case fkDef: return LoadDefImage(image, path);
    case fkOther: break;
  }
  return TLoadResult{};
}

TLoadResult LoadImageBytes(TDibBitmap& image, std::span<const std::uint8_t> bytes, TFileKind kind) {
  switch (kind) {
    case fkPcx: {
      TMemorySource source(bytes);
      return PcxLoaded(image, LoadPcxFile(image, source));
    }
    case fkBmp: {
      auto stream = NewMemoryByteStream();
      if (!bytes.empty()) stream->Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
      stream->Seek(0, soFromStart);
      image.ReadBmpStream(*stream);
      return BmpLoaded(image);
    }
    case fkDef: {
      TMemorySource source(bytes);
      return LoadDefImage(image, source);
    }
    case fkOther: break;
  }
  return TLoadResult{};
}

TLoadResult LoadUnopenable(TDibBitmap& image, TFileKind kind, TOutcome why) {
  switch (kind) {
    case fkPcx: {
      TPcxRead read;
      read.Why = why;
      return PcxLoaded(image, read);
    }
    case fkBmp:
      image.Clear();
      return Shown(image, TImagePanel::Bmp, std::string(FormatCaption(image.GetPixelFormat())), why);
    case fkDef: {
      // A DEF that cannot be read is refused like a sprite.
      TLoadResult r;
      r.Status = TLoadStatus::Refused;
      r.Message = kInvalidFormatText;
      r.Why = why;
      return r;
    }
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

const char* ExtensionOf(TSaveTarget target) {
  switch (target) {
    case TSaveTarget::Bmp: return "bmp";
    case TSaveTarget::Sprite:
    case TSaveTarget::Sprite24: return "pcx";
  }
  return "bmp";
}

TOutcome EncodeImage(TDibBitmap& image, TSaveTarget target, TMemoryByteStream& out) {
  switch (target) {
    case TSaveTarget::Sprite: return EncodeSprite(image, out);
    case TSaveTarget::Sprite24: return EncodeSprite24(image, out);
    case TSaveTarget::Bmp:
      if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
      if (!image.WriteBmpStream(out)) return TOutcome::Failure(TImageError::NotWritableAsBmp);
      out.Seek(0, soFromStart);
      return TOutcome::Success();
  }
  return TOutcome::Failure(TImageError::NotWritableAsBmp);
}

TOutcome SaveImage(TDibBitmap& image, const std::string& path, TSaveTarget target) {
  // The whole file is made in memory first, so an image that cannot be
  // written never touches the disk.
  auto bytes = NewMemoryByteStream();
  if (const TOutcome made = EncodeImage(image, target, *bytes); !made) return made;
  return SaveFileReplacing(path, [&](TByteStream& stream) {
    return bytes->Size() == 0 || stream.Write(bytes->Memory(), bytes->Size()) == bytes->Size();
  });
}

}  // namespace kelvane
