// The commands of kelvane-cli over the image core. Each returns the exit
// code (0 every file done, 1 some file failed) and writes one line per
// failed file to `err`: the file's name, ": ", and why.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/CliOptions.h"
#include "image/DibBitmap.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane::cli {

int RunInfo(const TCliOptions& options, std::ostream& out, std::ostream& err);
int RunConvert(const TCliOptions& options, std::ostream& err);
int RunConvertBatch(const TCliOptions& options, std::ostream& err);

// What every conversion does to a loaded image before it is written, by the
// conversion options (--to8): convert and the lod commands share it. False,
// with `why`, when the image cannot be written.
bool PrepareForSave(TDibBitmap& image, const TCliOptions& options, std::string& why);
// Loads a file or ARCHIVE/ENTRY by the kind its name gives; `why` says what
// went wrong unless the image was loaded.
TLoadResult LoadForConversion(TDibBitmap& image, const std::string& path, std::string& why);
// The reason a reader or writer gave, or a plain word when it gave none.
std::string Reason(const TOutcome& why);

}  // namespace kelvane::cli
