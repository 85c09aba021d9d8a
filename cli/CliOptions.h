// The command line of kelvane-cli, parsed into one value.
//
//   kelvane-cli info FILE...
//   kelvane-cli convert [REDUCTION] [--depth 8|24] [--alpha] INPUT OUTPUT
//   kelvane-cli convert [REDUCTION] [--depth 8|24] [--alpha] [-j N] --to bmp|pcx|png -o DIR INPUT...
//   kelvane-cli lod list|extract|add|remove ARCHIVE ... (cli/LodOptions.h)
//   kelvane-cli def info|extract|build ...   (cli/DefOptions.h)
// REDUCTION is --to8, or --palette FILE [--reserve LIST] [--exact]; --depth
// only for sprite output, and --depth 24 excludes a reduction.
//   kelvane-cli thumbnail -s SIZE INPUT OUTPUT.png   (cli/ThumbnailCommand.h)
//   kelvane-cli --help | --version
// REDUCTION is --to8, or --palette SOURCE [--reserve LIST] [--exact].
//
// Parsing never touches a file; anything it cannot make sense of is a usage
// error with a message, which main() turns into exit code 2.
#pragma once

#include <string>
#include <vector>

#include "cli/DefOptions.h"
#include "workflow/FileKind.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane::cli {

enum class TCommand { Help, Version, Info, Convert, ConvertBatch, Lod, DefInfo, DefExtract, DefBuild, Thumbnail };
enum class TLodAction { List, Extract, Add, Remove };

using kelvane::FileKind;
using kelvane::TFileKind;
using kelvane::fkBmp;
using kelvane::fkOther;
using kelvane::fkPcx;
using kelvane::fkPng;

struct TCliOptions {
  TCommand Command = TCommand::Help;
  bool To8 = false;
  // The depth of sprites written; --depth 24 writes 24-bit sprites from any
  // image without reduction.
  kelvane::TSpriteDepth SpriteDepth = kelvane::TSpriteDepth::Eight;
  TFileKind BatchTarget = fkOther;  // ConvertBatch: the kind every output gets
  std::string OutputDir;            // ConvertBatch
  std::vector<std::string> Inputs;  // Info, ConvertBatch; Convert: exactly one
  std::string Output;               // Convert
  std::string PaletteSource;        // --palette: reduce onto this file's palette
  std::string ReservedList;         // --reserve, as given; empty: 0-7
  bool Exact = false;               // --exact
  bool Alpha = false;               // --alpha: PNG outputs get the shadow tRNS
  int Jobs = 0;                     // -j: threads for a batch; 0: every core
  // Lod: the action, the archive, and its patterns (extract), files (add)
  // or entry names (remove); StoreAs is add's --as NAME.
  TLodAction Lod = TLodAction::List;
  std::string Archive;
  std::vector<std::string> Names;
  std::string StoreAs;
  TDefOptions Def;                  // DefInfo, DefExtract, DefBuild
  int ThumbnailSize = 0;            // Thumbnail: -s, the box in pixels
};

struct TParseResult {
  bool Ok = false;
  TCliOptions Options;
  std::string Error;  // usage error text when !Ok
};

// `args` excludes the program name.
TParseResult ParseCommandLine(const std::vector<std::string>& args);

// What every command's parser is made of.
// A usage error saying `error`.
TParseResult UsageError(std::string error);
// Whether `arg` is the option `name`, alone or as "name=VALUE".
bool MatchesOption(const std::string& arg, const std::string& name);
// The value of the option at args[i], given as "--name VALUE" (moving `i`
// on) or "--name=VALUE"; false (and `error` set) when it is missing.
bool OptionValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name, std::string& value,
                 std::string& error);

// The options of a conversion, shared by every command that converts
// (convert, lod extract, lod add): --to8, --depth 8|24, --palette FILE,
// --reserve LIST, --exact, --alpha, -j N, --to FORMAT, -o DIR. Looks at
// args[i] and takes it (and its value, moving `i` on) when it is one of
// them; Failed with `error` for a bad value.
enum class TOptionParse { NotMine, Taken, Failed };
struct TConversionOptionsSeen {
  bool Target = false;
  bool Dir = false;
  bool Depth = false;
};
TOptionParse ParseConversionOption(const std::vector<std::string>& args, std::size_t& i, TCliOptions& o,
                                   TConversionOptionsSeen& seen, std::string& error);
// The rules between those options that hold for every command: one way to
// reduce, --reserve and --exact only with --palette. False with `error`.
bool CheckConversionOptions(const TCliOptions& o, const TConversionOptionsSeen& seen, std::string& error);

// The file name of `path` (after the last "/") up to its last "."; the whole
// name when it has no ".". "maps/a.b.pcx" gives "a.b".
std::string BaseName(const std::string& path);

// The usage text printed by --help, and the line --version prints.
std::string VersionText();
const char* UsageText();

}  // namespace kelvane::cli
