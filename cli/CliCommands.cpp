#include "cli/CliCommands.h"

#include <ostream>
#include <set>
#include <string>

#include "cli/LodCommands.h"
#include "image/DibBitmap.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/ImageCaptions.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane::cli {

std::string Reason(const TOutcome& why) {
  const std::string text = why.Text();
  return text.empty() ? "cannot be read" : text;
}

TLoadResult LoadForConversion(TDibBitmap& image, const std::string& path, std::string& why) {
  const TLoadResult load = LoadImagePath(image, path);
  if (load.Status == TLoadStatus::NotAnImage) why = "neither a .pcx nor a .bmp file";
  else if (load.Status != TLoadStatus::Loaded) why = load.Detail.empty() ? Reason(load.Why) : load.Detail;
  return load;
}

bool PrepareForSave(TDibBitmap& image, const TCliOptions& options, std::string& why) {
  if (image.IsEmpty()) {
    why = "the image is empty (" + SizeText(image.Width(), image.Height()) + "), nothing to write";
    return false;
  }
  if (options.To8) {
    if (const TOutcome reduced = ReduceTo8(image); !reduced) {
      why = "cannot reduce to 8 bit: " + Reason(reduced);
      return false;
    }
  }
  return true;
}

namespace {

TLoadResult Load(TDibBitmap& image, const std::string& path, std::string& why) {
  return LoadForConversion(image, path, why);
}

// Writes `image` to `path` as `target`, prepared first by the options. The
// workflow's savers write beside the target and rename, so a failure here
// leaves no partial file behind. `note` tells what the target leaves out.
bool Save(TDibBitmap& image, const std::string& path, TSaveTarget target, const TCliOptions& options,
          std::string& why, std::string& note) {
  if (!PrepareForSave(image, options, why)) return false;
  if (DropsAlpha(image, target)) note = "the image is 32 bit; its alpha channel is dropped in the 24-bit sprite";
  const TOutcome saved = SaveImage(image, path, target);
  if (saved.Error == TImageError::NotEightBit) {
    why = "the image is " + std::string(FormatCaption(image.GetPixelFormat())) +
          "; a sprite is written from an 8-bit image: use --to8 to reduce it";
    return false;
  }
  if (!saved) {
    why = "writing " + path + ": " + saved.Text();
    return false;
  }
  return true;
}

bool ConvertOne(const std::string& input, const std::string& output, TSaveTarget target, const TCliOptions& options,
                std::ostream& err) {
  TDibBitmap image;
  std::string why, note;
  const bool done =
      Load(image, input, why).Status == TLoadStatus::Loaded && Save(image, output, target, options, why, note);
  if (done && !note.empty()) err << input << ": note: " << note << '\n';
  if (!done) err << input << ": " << why << '\n';
  return done;
}

}  // namespace

int RunInfo(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const std::string& path : options.Inputs) {
    TDibBitmap image;
    std::string why;
    const TLoadResult load = Load(image, path, why);
    // What the window would show: a BMP that cannot be read still shows 0x0
    // and the error caption, a sprite failing its size test only its
    // message.
    if (load.Shown()) out << path << ": " << load.SizeText << "  " << load.FormatText << '\n';
    if (load.Status != TLoadStatus::Loaded) {
      err << path << ": " << why << '\n';
      status = 1;
    }
  }
  return status;
}

int RunConvert(const TCliOptions& options, std::ostream& err) {
  const std::string& input = options.Inputs.front();
  // An output inside an existing archive becomes an entry of it.
  if (const auto inside = SplitArchivePath(options.Output)) return ConvertIntoArchive(options, *inside, err);
  const TSaveTarget target = SaveTargetFor(FileKind(options.Output), options.SpriteDepth);
  return ConvertOne(input, options.Output, target, options, err) ? 0 : 1;
}

int RunConvertBatch(const TCliOptions& options, std::ostream& err) {
  const std::string extension =
      std::string(".") + ExtensionOf(SaveTargetFor(options.BatchTarget, options.SpriteDepth));
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
    if (ConvertOne(input, output, SaveTargetFor(options.BatchTarget, options.SpriteDepth), options, err)) {
      written.insert(output);
    } else {
      status = 1;
    }
  }
  return status;
}

}  // namespace kelvane::cli
