// The command line of kelvane-cli, parsed into one value.
//
//   kelvane-cli info FILE...
//   kelvane-cli convert [REDUCTION] [--alpha] INPUT OUTPUT
//   kelvane-cli convert [REDUCTION] [--alpha] [-j N] --to bmp|pcx|png -o DIR INPUT...
//   kelvane-cli --help
// REDUCTION is --to8, or --palette SOURCE [--reserve LIST] [--exact].
//
// Parsing never touches a file; anything it cannot make sense of is a usage
// error with a message, which main() turns into exit code 2.
#pragma once

#include <string>
#include <vector>

#include "workflow/FileKind.h"

namespace kelvane::cli {

enum class TCommand { Help, Info, Convert, ConvertBatch };

using kelvane::FileKind;
using kelvane::TFileKind;
using kelvane::fkBmp;
using kelvane::fkOther;
using kelvane::fkPcx;
using kelvane::fkPng;

struct TCliOptions {
  TCommand Command = TCommand::Help;
  bool To8 = false;
  TFileKind BatchTarget = fkOther;  // ConvertBatch: the kind every output gets
  std::string OutputDir;            // ConvertBatch
  std::vector<std::string> Inputs;  // Info, ConvertBatch; Convert: exactly one
  std::string Output;               // Convert
  std::string PaletteSource;        // --palette: reduce onto this file's palette
  std::string ReservedList;         // --reserve, as given; empty: 0-7
  bool Exact = false;               // --exact
  bool Alpha = false;               // --alpha: PNG outputs get the shadow tRNS
  int Jobs = 0;                     // -j: threads for a batch; 0: every core
};

struct TParseResult {
  bool Ok = false;
  TCliOptions Options;
  std::string Error;  // usage error text when !Ok
};

// `args` excludes the program name.
TParseResult ParseCommandLine(const std::vector<std::string>& args);

// The file name of `path` (after the last "/") up to its last "."; the whole
// name when it has no ".". "maps/a.b.pcx" gives "a.b".
std::string BaseName(const std::string& path);

// The usage text printed by --help.
const char* UsageText();

}  // namespace kelvane::cli
