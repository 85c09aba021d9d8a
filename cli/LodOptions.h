// The "lod" commands of kelvane-cli, parsed into TCliOptions:
//
//   lod list ARCHIVE
//   lod extract ARCHIVE -o DIR [--to bmp|pcx] [--to8] [PATTERN...]
//   lod add ARCHIVE [--as NAME] [--to pcx|bmp] [--to8] FILE...
//   lod remove ARCHIVE NAME...
//
// extract and add take the conversion options of convert
// (ParseConversionOption), so every option convert learns reaches them.
// Options may stand anywhere; "--" ends them.
#pragma once

#include <string>
#include <vector>

#include "cli/CliOptions.h"

namespace kelvane::cli {

// `args` starts with "lod".
TParseResult ParseLod(const std::vector<std::string>& args);

}  // namespace kelvane::cli
