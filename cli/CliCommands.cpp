#include "cli/CliCommands.h"

#include <ostream>
#include <set>
#include <string>

#include "app/ImageCaptions.h"
#include "app/PcxSprite.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"

namespace kelvane::cli {

namespace {

// The readers' refusal texts; a sprite failing its size test reads
// "Неверный формат!", as the window's message box says.
std::string ErrorText(TImageError error) {
  const char* text = ImageErrorText(error);
  return text != nullptr && *text != '\0' ? text : "cannot be read";
}

enum class TLoadOutcome {
  Loaded,
  Failed,    // the window would still show the (empty) image: 0x0, "<ошибка>"
  Refused,   // the window shows only a message, or nothing at all
};

// Reads `path` into `image` the way the window would for its kind; `why` says
// what went wrong unless the outcome is Loaded.
TLoadOutcome LoadImage(TDibBitmap& image, const std::string& path, TFileKind kind, std::string& why) {
  if (kind == fkPcx) {
    TImageError error = TImageError::None;
    if (!LoadSprite(image, path, &error)) {
      why = ErrorText(error == TImageError::None ? TImageError::InvalidSprite : error);
      return TLoadOutcome::Refused;
    }
    // The size test passed but the image could not be built (a file cut
    // short): the sprite reader reports success and leaves the image empty.
    // A sprite of 0 x 0 pixels is empty without any error and counts as read.
    if (image.IsEmpty()) {
      const TImageError cause = error != TImageError::None ? error : image.LastError();
      if (cause != TImageError::None) {
        why = ErrorText(cause);
        return TLoadOutcome::Failed;
      }
    }
    return TLoadOutcome::Loaded;
  }
  if (kind == fkBmp) {
    if (!image.ReadBmpFile(path)) {
      why = ErrorText(image.LastError());
      return TLoadOutcome::Failed;
    }
    return TLoadOutcome::Loaded;
  }
  why = "neither a .pcx nor a .bmp file";
  return TLoadOutcome::Refused;
}

// Writes `image` to `path` as `kind`. The core's savers write beside the
// target and rename, so a failure here leaves no partial file behind.
bool SaveImage(TDibBitmap& image, const std::string& path, TFileKind kind, bool to8, std::string& why) {
  if (image.IsEmpty()) {
    why = "the image is empty (" + SizeText(image.Width(), image.Height()) + "), nothing to write";
    return false;
  }
  if (to8 && image.GetPixelFormat() != px8) {
    image.SetPixelFormat(px8);
    if (image.GetPixelFormat() != px8) {
      why = std::string("cannot reduce to 8 bit: ") + ErrorText(image.LastError());
      return false;
    }
  }
  TSaveResult saved;
  if (kind == fkPcx) {
    if (image.GetPixelFormat() != px8) {
      why = "the image is " + std::string(FormatCaption(image.GetPixelFormat())) +
            "; a sprite is written from an 8-bit image: use --to8 to reduce it";
      return false;
    }
    saved = SaveSprite(image, path);
  } else {
    saved = image.WriteBmpFile(path);
  }
  if (!saved.Ok) {
    why = "writing " + path + ": " + (saved.ErrorText.empty() ? "write failed" : saved.ErrorText);
    return false;
  }
  return true;
}

bool ConvertOne(const std::string& input, const std::string& output, TFileKind outputKind, bool to8,
                std::ostream& err) {
  TDibBitmap image;
  std::string why;
  if (LoadImage(image, input, FileKind(input), why) != TLoadOutcome::Loaded || !SaveImage(image, output, outputKind, to8, why)) {
    err << input << ": " << why << '\n';
    return false;
  }
  return true;
}

}  // namespace

int RunInfo(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const std::string& path : options.Inputs) {
    TDibBitmap image;
    std::string why;
    const TLoadOutcome outcome = LoadImage(image, path, FileKind(path), why);
    // Like the window: a BMP that cannot be read still shows 0x0 and the
    // error caption, a sprite failing its size test only its message.
    if (outcome != TLoadOutcome::Refused) {
      out << path << ": " << SizeText(image.Width(), image.Height()) << "  " << FormatCaption(image.GetPixelFormat())
          << '\n';
    }
    if (outcome != TLoadOutcome::Loaded) {
      err << path << ": " << why << '\n';
      status = 1;
    }
  }
  return status;
}

int RunConvert(const TCliOptions& options, std::ostream& err) {
  const std::string& input = options.Inputs.front();
  return ConvertOne(input, options.Output, FileKind(options.Output), options.To8, err) ? 0 : 1;
}

int RunConvertBatch(const TCliOptions& options, std::ostream& err) {
  const char* extension = options.BatchTarget == fkPcx ? ".pcx" : ".bmp";
  std::string dir = options.OutputDir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::set<std::string> written;
  int status = 0;
  for (const std::string& input : options.Inputs) {
    const std::string output = dir + "/" + BaseName(input) + extension;
    // Two inputs with the same base name (a.bmp and a.pcx) would write the
    // same output; the later one would silently replace the earlier result.
    if (written.count(output) != 0) {
      err << input << ": " << output << " was already written from an earlier input\n";
      status = 1;
      continue;
    }
    if (ConvertOne(input, output, options.BatchTarget, options.To8, err)) {
      written.insert(output);
    } else {
      status = 1;
    }
  }
  return status;
}

}  // namespace kelvane::cli
