// The `def` commands of kelvane-cli (DefOptions.h) over the DEF workflow.
// Like the other commands, each returns the exit code (0 all done, 1 some
// file failed) and writes one line per failed file to `err`: the file's
// name, ": ", and why, with where in the file when the reader said.
#pragma once

#include <iosfwd>

#include "cli/DefOptions.h"

namespace kelvane::cli {

int RunDefInfo(const TDefOptions& options, std::ostream& out, std::ostream& err);
// The DEFs are extracted on options.Jobs threads (one per core by default),
// each DEF by one thread; lines for failures come in the order of the inputs.
int RunDefExtract(const TDefOptions& options, std::ostream& err);
int RunDefBuild(const TDefOptions& options, std::ostream& err);

}  // namespace kelvane::cli
