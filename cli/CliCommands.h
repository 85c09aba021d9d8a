// The commands of kelvane-cli over the image core. Each returns the exit
// code (0 every file done, 1 some file failed) and writes one line per
// failed file to `err`: the file's name, ": ", and why.
#pragma once

#include <iosfwd>

#include "cli/CliOptions.h"

namespace kelvane::cli {

int RunInfo(const TCliOptions& options, std::ostream& out, std::ostream& err);
int RunConvert(const TCliOptions& options, std::ostream& err);
int RunConvertBatch(const TCliOptions& options, std::ostream& err);

}  // namespace kelvane::cli
