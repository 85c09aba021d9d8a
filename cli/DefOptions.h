// The `def` commands of kelvane-cli: DEF animations listed, extracted to
// image files with a manifest, and built back.
//
//   kelvane-cli def info FILE...
//   kelvane-cli def extract [--to png|bmp] [--alpha] [--sheet] [--jobs N] -o DIR FILE...
//   kelvane-cli def build MANIFEST -o OUT.def
//
// Parsed like the rest of the command line (CliOptions.h): never touching a
// file, every problem a usage error with a message.
#pragma once

#include <string>
#include <vector>

#include "workflow/DefWorkflow.h"

namespace kelvane::cli {

struct TParseResult;

struct TDefOptions {
  std::vector<std::string> Inputs;  // info, extract: DEF files; build: the manifest
  std::string Output;               // extract: the directory; build: the DEF
  TSaveTarget FrameTarget = TSaveTarget::Png;
  TPngAlpha Alpha = TPngAlpha::None;  // extract: tRNS for entries 0, 1 and 4 of PNG frames
  TDefSheets Sheets = TDefSheets::None;
  unsigned Jobs = 0;  // extract: DEFs worked on at once; 0: one per core
};

// `args` as for ParseCommandLine, starting with "def".
TParseResult ParseDefCommand(const std::vector<std::string>& args);

}  // namespace kelvane::cli
