#include "cli/CliCommands.h"

#include <algorithm>
#include <atomic>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/LodCommands.h"
#include "image/DibBitmap.h"
#include "image/NearestColorMap.h"
#include "image/PaletteReduction.h"
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
  if (load.Status == TLoadStatus::NotAnImage) why = "not a .pcx, .bmp, .png or .def file";
  else if (load.Status != TLoadStatus::Loaded) why = load.Detail.empty() ? Reason(load.Why) : load.Detail;
  return load;
}

bool MakeConversion(const TCliOptions& options, TConversion& conversion, std::ostream& err) {
  conversion.To8 = options.To8;
  conversion.Save.PngAlpha = options.Alpha ? TPngAlpha::Shadows : TPngAlpha::None;
  if (options.PaletteSource.empty()) return true;
  conversion.WithPalette = true;
  if (const TOutcome loaded = LoadPaletteChoice(options.PaletteSource, conversion.Palette); !loaded) {
    err << options.PaletteSource << ": no palette: " << Reason(loaded) << '\n';
    return false;
  }
  if (!options.ReservedList.empty()) ParseReservedEntries(options.ReservedList, conversion.Palette.Options.Reserved);
  conversion.Palette.Options.Exact = options.Exact;
  return true;
}

bool PrepareForSave(TDibBitmap& image, const TConversion& conversion, std::string& why, std::string& note) {
  if (image.IsEmpty()) {
    why = "the image is empty (" + SizeText(image.Width(), image.Height()) + "), nothing to write";
    return false;
  }
  if (conversion.To8) {
    if (const TOutcome reduced = ReduceTo8(image); !reduced) {
      why = "cannot reduce to 8 bit: " + Reason(reduced);
      return false;
    }
  }
  if (conversion.WithPalette) {
    const std::int64_t pixels = std::int64_t{image.Width()} * image.Height();
    const TReductionReport reduced = ReduceWithPalette(image, conversion.Palette);
    const std::string count = std::to_string(reduced.InexactPixels) + " of " + std::to_string(pixels) + " pixels";
    if (reduced.Outcome.Error == TImageError::InexactColors) {
      why = count + " are not colours of the palette; not converted (--exact)";
      return false;
    }
    if (!reduced.Outcome) {
      why = "cannot reduce onto the palette: " + Reason(reduced.Outcome);
      return false;
    }
    note = count + " were not colours of the palette";
  }
  return true;
}

namespace {

// Writes `image` to `path` as `target`, prepared first as `conversion` says.
// `note` gets what the file has to say besides (the pixels a palette
// reduction could not match, an alpha channel a 24-bit sprite drops). The
// workflow's savers write beside the target and rename, so a failure here
// leaves no partial file behind.
bool Save(TDibBitmap& image, const std::string& path, TSaveTarget target, const TConversion& conversion,
          std::string& why, std::string& note) {
  if (!PrepareForSave(image, conversion, why, note)) return false;
  if (DropsAlpha(image, target)) note = "note: the image is 32 bit; its alpha channel is dropped in the 24-bit sprite";
  const TOutcome saved = SaveImage(image, path, target, conversion.Save);
  if (saved.Error == TImageError::NotEightBit) {
    why = "the image is " + std::string(FormatCaption(image.GetPixelFormat())) +
          "; a sprite is written from an 8-bit image: use --to8 or --palette to reduce it";
    return false;
  }
  if (!saved) {
    why = "writing " + path + ": " + saved.Text();
    return false;
  }
  return true;
}

// Converts one file; the lines it has to say (its note, or why it failed)
// go to `err`.
bool ConvertOne(const std::string& input, const std::string& output, TSaveTarget target,
                const TConversion& conversion, std::ostream& err) {
  TDibBitmap image;
  std::string why, note;
  const bool done = LoadForConversion(image, input, why).Status == TLoadStatus::Loaded &&
                    Save(image, output, target, conversion, why, note);
  if (!note.empty()) err << input << ": " << note << '\n';
  if (!done) err << input << ": " << why << '\n';
  return done;
}

}  // namespace

int RunInfo(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const std::string& path : options.Inputs) {
    TDibBitmap image;
    std::string why;
    const TLoadResult load = LoadForConversion(image, path, why);
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
  TConversion conversion;
  if (!MakeConversion(options, conversion, err)) return 1;
  const std::string& input = options.Inputs.front();
  // An output inside an existing archive becomes an entry of it.
  if (const auto inside = SplitArchivePath(options.Output)) return ConvertIntoArchive(options, *inside, err);
  const TSaveTarget target = SaveTargetFor(FileKind(options.Output), options.SpriteDepth);
  return ConvertOne(input, options.Output, target, conversion, err) ? 0 : 1;
}

int RunConvertBatch(const TCliOptions& options, std::ostream& err) {
  TConversion conversion;
  if (!MakeConversion(options, conversion, err)) return 1;
  const TSaveTarget target = SaveTargetFor(options.BatchTarget, options.SpriteDepth);
  const std::string extension = std::string(".") + ExtensionOf(target);
  std::string dir = options.OutputDir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();

  // Outputs are named first, in input order: two inputs with the same base
  // name (a.bmp and a.pcx) would write the same output, and the later one
  // would silently replace the earlier result.
  const std::size_t count = options.Inputs.size();
  std::vector<std::string> outputs(count), lines(count);
  std::vector<char> done(count, 0);
  std::set<std::string> named;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string output = dir + "/" + BaseName(options.Inputs[i]) + extension;
    if (!named.insert(output).second) lines[i] = options.Inputs[i] + ": " + output + " was already written from an earlier input\n";
    else outputs[i] = output;
  }

  // Files are independent: each thread takes the next one. What each file
  // says is kept and printed in input order afterwards, so the output does
  // not depend on the threads.
  std::atomic<std::size_t> next{0};
  const TNearestColorMapSharing sharing;  // one colour map for every file of the batch
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      if (outputs[i].empty()) continue;
      std::ostringstream said;
      done[i] = ConvertOne(options.Inputs[i], outputs[i], target, conversion, said) ? 1 : 0;
      lines[i] = said.str();
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min<std::size_t>(options.Jobs > 0 ? static_cast<std::size_t>(options.Jobs) : cores, count);
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();

  int status = 0;
  for (std::size_t i = 0; i < count; ++i) {
    err << lines[i];
    if (!done[i]) status = 1;
  }
  return status;
}

}  // namespace kelvane::cli
