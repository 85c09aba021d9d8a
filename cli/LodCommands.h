// The "lod" commands of kelvane-cli over the archive unit and the shared
// extraction. Each returns the exit code (0 all done, 1 something failed)
// and writes one line per failure to `err`: "ARCHIVE/ENTRY: why", or
// "ARCHIVE: why" for the archive as a whole.
#pragma once

#include <iosfwd>

#include "cli/CliOptions.h"
#include "workflow/ArchiveEntries.h"

namespace kelvane::cli {

int RunLod(const TCliOptions& options, std::ostream& out, std::ostream& err);

// convert INPUT ARCHIVE/ENTRY: the converted image becomes the entry.
int ConvertIntoArchive(const TCliOptions& options, const TArchivePath& output, std::ostream& err);

}  // namespace kelvane::cli
