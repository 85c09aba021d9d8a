// The commands of kelvane-cli over the image core. Each returns the exit
// code (0 every file done, 1 some file failed) and writes one line per
// failed file to `err`: the file's name, ": ", and why.
#pragma once

#include <iosfwd>
#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "image/DibBitmap.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane::cli {

int RunInfo(const TCliOptions& options, std::ostream& out, std::ostream& err);
int RunConvert(const TCliOptions& options, std::ostream& err);
int RunConvertBatch(const TCliOptions& options, std::ostream& err);

// What every file of one command goes through: the reduction, if any, and
// how the output is written. convert and the lod commands share it.
struct TConversion {
  bool To8 = false;
  bool WithPalette = false;
  TPaletteChoice Palette;
  TSaveOptions Save;
};
// The conversion the options ask for; false (with the line said on `err`)
// when the palette file gives no palette.
bool MakeConversion(const TCliOptions& options, TConversion& conversion, std::ostream& err);
// What a conversion does to a loaded image before it is written: --to8 or
// --palette. False, with `why`, when the image cannot be written; `note`
// gets the count of pixels a palette could not match.
bool PrepareForSave(TDibBitmap& image, const TConversion& conversion, std::string& why, std::string& note);
// Loads a file or ARCHIVE/ENTRY by the kind its name gives; `why` says what
// went wrong unless the image was loaded.
TLoadResult LoadForConversion(TDibBitmap& image, const std::string& path, std::string& why);
// The reason a reader or writer gave, or a plain word when it gave none.
std::string Reason(const TOutcome& why);

}  // namespace kelvane::cli
