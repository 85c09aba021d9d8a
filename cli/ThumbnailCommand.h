// kelvane-cli thumbnail -s SIZE INPUT OUTPUT.png: the thumbnailer a file
// manager runs once per file (share/thumbnailers/kelvane.thumbnailer).
// The rules are the workflow's (workflow/Thumbnail.h); this is the command.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kelvane::cli {

struct TCliOptions;
struct TParseResult;

// Parses "thumbnail -s SIZE INPUT OUTPUT" (`args` from the command on);
// -s may be written --size, --size=N or -sN.
TParseResult ParseThumbnail(const std::vector<std::string>& args);

// Writes the thumbnail; 0 when written, 1 (one line on `err`, no file
// written) when not.
int RunThumbnail(const TCliOptions& options, std::ostream& err);

}  // namespace kelvane::cli
