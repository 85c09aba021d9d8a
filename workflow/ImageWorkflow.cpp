#include "workflow/ImageWorkflow.h"

#include "formats/PaletteFile.h"
#include "formats/PcxFile.h"
#include "formats/PcxSprite.h"
#include "formats/PngCodec.h"
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

// A PNG file is shown as a BMP file is, on the BMP panel.
TLoadResult PngLoaded(const TDibBitmap& image, TOutcome read) {
  return Shown(image, TImagePanel::Bmp, std::string(FormatCaption(image.GetPixelFormat())), read);
}

TLoadResult LoadPngFile(TDibBitmap& image, const std::string& path) { return PngLoaded(image, LoadPng(path, image)); }

}  // namespace

TLoadResult LoadImageFile(TDibBitmap& image, const std::string& path, TFileKind kind) {
  switch (kind) {
    case fkPcx: return LoadPcxNamedFile(image, path);
    case fkBmp: return LoadBmpFile(image, path);
    case fkDef: return LoadDefImage(image, path);
    case fkPng: return LoadPngFile(image, path);
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
    case fkPng: {
      TMemorySource source(bytes);
      return PngLoaded(image, ReadPng(source, image));
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
    case fkPng:
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

TSaveTarget SaveTargetFor(TFileKind kind, TSpriteDepth depth) {
  switch (kind) {
    case fkPcx: return depth == TSpriteDepth::TwentyFour ? TSaveTarget::Sprite24 : TSaveTarget::Sprite;
    case fkPng: return TSaveTarget::Png;
    case fkBmp:
    case fkDef:
    case fkOther: break;
  }
  return TSaveTarget::Bmp;
}

std::vector<TSaveType> PreviewSaveTypes(TPixelFormat format) {
  std::vector<TSaveType> types = {{"Bitmaps (*.bmp)", "*.bmp", "bmp", TSaveTarget::Bmp},
                                  {"PNG images (*.png)", "*.png", "png", TSaveTarget::Png}};
  // Images above 8 bits can become 24-bit sprites without losing colours.
  if (ReadinessOf(format).ShowsWarning) types.push_back({"PCX 24 bit (*.pcx)", "*.pcx", "pcx", TSaveTarget::Sprite24});
  return types;
}

TSaveTarget PreviewSaveTarget(const std::vector<TSaveType>& types, int chosenIndex, const std::string& path) {
  if (types.empty()) return TSaveTarget::Bmp;
  const auto slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string extension = name.substr(name.rfind('.') == std::string::npos ? name.size() : name.rfind('.') + 1);
  for (char& ch : extension)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
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
    case TSaveTarget::Png: return "png";
  }
  return "bmp";
}

TOutcome EncodeImage(TDibBitmap& image, TSaveTarget target, TMemoryByteStream& out, const TSaveOptions& options) {
  switch (target) {
    case TSaveTarget::Sprite: return EncodeSprite(image, out);
    case TSaveTarget::Sprite24: return EncodeSprite24(image, out);
    case TSaveTarget::Png: {
      const TOutcome made = EncodePng(image, TPngWriteOptions{options.PngAlpha}, out);
      out.Seek(0, soFromStart);
      return made;
    }
    case TSaveTarget::Bmp:
      if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
      if (!image.WriteBmpStream(out)) return TOutcome::Failure(TImageError::NotWritableAsBmp);
      out.Seek(0, soFromStart);
      return TOutcome::Success();
  }
  return TOutcome::Failure(TImageError::NotWritableAsBmp);
}

TOutcome SaveImage(TDibBitmap& image, const std::string& path, TSaveTarget target, const TSaveOptions& options) {
  // The whole file is made in memory first, so an image that cannot be
  // written never touches the disk.
  auto bytes = NewMemoryByteStream();
  if (const TOutcome made = EncodeImage(image, target, *bytes, options); !made) return made;
  return SaveFileReplacing(path, [&](TByteStream& stream) {
    return bytes->Size() == 0 || stream.Write(bytes->Memory(), bytes->Size()) == bytes->Size();
  });
}

}  // namespace kelvane
