#include "cli/CliOptions.h"

#include <algorithm>

#include "cli/LodOptions.h"
#include "cli/ThumbnailCommand.h"
#include "version/KelvaneVersion.h"
#include "image/PaletteReduction.h"

namespace kelvane::cli {

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
  return s;
}

bool IsImageKind(TFileKind kind) { return kind == fkPcx || kind == fkBmp || kind == fkPng; }

TParseResult ParseConvert(const std::vector<std::string>& args) {
  TCliOptions o;
  std::vector<std::string> positional;
  TConversionOptionsSeen seen;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    std::string error;
    switch (ParseConversionOption(args, i, o, seen, error)) {
      case TOptionParse::Taken: continue;
      case TOptionParse::Failed: return UsageError(error);
      case TOptionParse::NotMine: break;
    }
    return UsageError("unknown option '" + a + "'");
  }

  if (std::string error; !CheckConversionOptions(o, seen, error)) return UsageError(error);

  if (seen.Target || seen.Dir) {
    if (!seen.Target) return UsageError("-o DIR needs --to bmp|pcx|png");
    if (!seen.Dir) return UsageError("--to needs -o DIR");
    if (positional.empty()) return UsageError("convert --to needs at least one input file");
    if (seen.Depth && o.BatchTarget != fkPcx) return UsageError("--depth applies to sprites: use it with --to pcx");
    if (o.Alpha && o.BatchTarget != fkPng) return UsageError("--alpha applies to PNG output (--to png)");
    o.Command = TCommand::ConvertBatch;
    o.Inputs = std::move(positional);
    return TParseResult{true, std::move(o), {}};
  }

  if (o.Jobs != 0) return UsageError("-j applies to batch conversion (--to FORMAT -o DIR)");
  if (positional.size() != 2) return UsageError("convert takes an INPUT and an OUTPUT file");
  // A DEF is read (its first frame) but never written here: that would put
  // image bytes under a .def name.
  if (const TFileKind in = FileKind(positional[0]); !IsImageKind(in) && in != fkDef)
    return UsageError("'" + positional[0] + "' is not a .pcx, .bmp, .png or .def file");
  if (!IsImageKind(FileKind(positional[1]))) return UsageError("'" + positional[1] + "' is not a .pcx, .bmp or .png file");
  if (seen.Depth && FileKind(positional[1]) != fkPcx) return UsageError("--depth applies to sprites: the OUTPUT must be a .pcx file");
  if (o.Alpha && FileKind(positional[1]) != fkPng) return UsageError("--alpha applies to PNG output (OUTPUT.png)");
  o.Command = TCommand::Convert;
  o.Inputs = {positional[0]};
  o.Output = positional[1];
  return TParseResult{true, std::move(o), {}};
}

}  // namespace

TOptionParse ParseConversionOption(const std::vector<std::string>& args, std::size_t& i, TCliOptions& o,
                                   TConversionOptionsSeen& seen, std::string& error) {
  const std::string& a = args[i];
  if (a == "--to8") {
    o.To8 = true;
    return TOptionParse::Taken;
  }
  if (a == "--depth" || a.rfind("--depth=", 0) == 0) {
    std::string value;
    if (a == "--depth") {
      if (++i == args.size()) {
        error = "--depth needs a value: 8 or 24";
        return TOptionParse::Failed;
      }
      value = args[i];
    } else {
      value = a.substr(8);
    }
    if (value == "8") {
      o.SpriteDepth = TSpriteDepth::Eight;
    } else if (value == "24") {
      o.SpriteDepth = TSpriteDepth::TwentyFour;
    } else {
      error = "--depth takes 8 or 24, not '" + value + "'";
      return TOptionParse::Failed;
    }
    seen.Depth = true;
    return TOptionParse::Taken;
  }
  if (a == "--to" || a.rfind("--to=", 0) == 0) {
    std::string value;
    if (a == "--to") {
      if (++i == args.size()) {
        error = "--to needs a value: bmp, pcx or png";
        return TOptionParse::Failed;
      }
      value = args[i];
    } else {
      value = a.substr(5);
    }
    const std::string v = Upper(value);
    if (v == "BMP") {
      o.BatchTarget = fkBmp;
    } else if (v == "PCX") {
      o.BatchTarget = fkPcx;
    } else if (v == "PNG") {
      o.BatchTarget = fkPng;
    } else {
      error = "--to takes bmp, pcx or png, not '" + value + "'";
      return TOptionParse::Failed;
    }
    seen.Target = true;
    return TOptionParse::Taken;
  }
  if (MatchesOption(a, "--palette")) {
    if (!OptionValue(args, i, "--palette", o.PaletteSource, error)) {
      error += ": a palette file";
      return TOptionParse::Failed;
    }
    if (o.PaletteSource.empty()) {
      error = "--palette needs a file";
      return TOptionParse::Failed;
    }
    return TOptionParse::Taken;
  }
  if (MatchesOption(a, "--reserve")) {
    if (!OptionValue(args, i, "--reserve", o.ReservedList, error)) {
      error += " such as 0-7,224-255 or none";
      return TOptionParse::Failed;
    }
    kelvane::TReservedEntries reserved;
    if (!kelvane::ParseReservedEntries(o.ReservedList, reserved)) {
      error = "--reserve takes entries such as 0-7,224-255 or none, not '" + o.ReservedList + "'";
      return TOptionParse::Failed;
    }
    return TOptionParse::Taken;
  }
  if (a == "--exact") {
    o.Exact = true;
    return TOptionParse::Taken;
  }
  if (a == "--alpha") {
    o.Alpha = true;
    return TOptionParse::Taken;
  }
  if (a == "-j" || MatchesOption(a, "--jobs") || (a.size() > 2 && a.rfind("-j", 0) == 0)) {
    std::string value;
    if (a == "-j" || MatchesOption(a, "--jobs")) {
      if (!OptionValue(args, i, a == "-j" ? "-j" : "--jobs", value, error)) {
        error += ": a number of threads";
        return TOptionParse::Failed;
      }
    } else {
      value = a.substr(2);
    }
    int jobs = 0;
    for (char c : value) jobs = c >= '0' && c <= '9' && jobs < 10000 ? jobs * 10 + (c - '0') : -1;
    if (value.empty() || jobs < 1) {
      error = "-j takes a number of threads of 1 or more, not '" + value + "'";
      return TOptionParse::Failed;
    }
    o.Jobs = jobs;
    return TOptionParse::Taken;
  }
  if (a == "-o" || a.rfind("--output-dir=", 0) == 0 || a == "--output-dir") {
    if (a == "-o" || a == "--output-dir") {
      if (++i == args.size()) {
        error = a + " needs a directory";
        return TOptionParse::Failed;
      }
      o.OutputDir = args[i];
    } else {
      o.OutputDir = a.substr(13);
    }
    if (o.OutputDir.empty()) {
      error = "the output directory must not be empty";
      return TOptionParse::Failed;
    }
    seen.Dir = true;
    return TOptionParse::Taken;
  }
  return TOptionParse::NotMine;
}

bool CheckConversionOptions(const TCliOptions& o, const TConversionOptionsSeen& seen, std::string& error) {
  (void)seen;
  // A 24-bit sprite is written without reduction; asking for both is a
  // contradiction, not a choice to guess at.
  if (o.To8 && o.SpriteDepth == TSpriteDepth::TwentyFour) error = "--to8 and --depth 24 exclude each other";
  else if (o.To8 && !o.PaletteSource.empty()) error = "--to8 and --palette are two ways to reduce: give one";
  else if (!o.PaletteSource.empty() && o.SpriteDepth == TSpriteDepth::TwentyFour)
    error = "--palette and --depth 24 exclude each other";
  else if (o.PaletteSource.empty() && (!o.ReservedList.empty() || o.Exact))
    error = std::string(o.Exact ? "--exact" : "--reserve") + " goes with --palette SOURCE";
  return error.empty();
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return StripExtension(slash == std::string::npos ? path : path.substr(slash + 1));
}

TParseResult UsageError(std::string error) {
  TParseResult r;
  r.Error = std::move(error);
  return r;
}

bool MatchesOption(const std::string& arg, const std::string& name) {
  return arg == name || arg.rfind(name + "=", 0) == 0;
}

bool OptionValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name, std::string& value,
                 std::string& error) {
  const std::string& a = args[i];
  if (a == name) {
    if (++i == args.size()) {
      error = name + " needs a value";
      return false;
    }
    value = args[i];
    return true;
  }
  value = a.substr(name.size() + 1);
  return true;
}

TParseResult ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("no command given");
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") return TParseResult{true, TCliOptions{}, {}};
  }
  if (args[0] == "--version") {
    if (args.size() > 1) return UsageError("--version takes nothing after it");
    TCliOptions o;
    o.Command = TCommand::Version;
    return TParseResult{true, std::move(o), {}};
  }
  const std::string& command = args[0];
  if (command == "help") return TParseResult{true, TCliOptions{}, {}};
  if (command == "info") {
    TCliOptions o;
    o.Command = TCommand::Info;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (!optionsEnded && a == "--") {
        optionsEnded = true;
        continue;
      }
      if (!optionsEnded && a.size() > 1 && a[0] == '-') return UsageError("unknown option '" + a + "'");
      o.Inputs.push_back(a);
    }
    if (o.Inputs.empty()) return UsageError("info needs at least one file");
    return TParseResult{true, std::move(o), {}};
  }
  if (command == "convert") return ParseConvert(args);
  if (command == "lod") return ParseLod(args);
  if (command == "def") return ParseDefCommand(args);
  if (command == "thumbnail") return ParseThumbnail(args);
  return UsageError("unknown command '" + command + "'");
}

std::string VersionText() { return std::string("kelvane-cli ") + KELVANE_VERSION + "\n"; }

const char* UsageText() {
  return "Usage:\n"
         "  kelvane-cli info FILE...\n"
         "      Print each image's size and format, as the window shows them\n"
         "      (for example \"64x48  8 bit\").\n"
         "  kelvane-cli convert [REDUCTION] [--depth 8|24] [--alpha] INPUT OUTPUT\n"
         "      Convert one file; the extensions (.pcx, .bmp or .png, any case)\n"
         "      decide what is read and written. A .pcx input may be a game\n"
         "      sprite, a ZSoft PCX or a P32 image; a .def input gives its first\n"
         "      frame. BMP output is uncompressed.\n"
         "  kelvane-cli convert [REDUCTION] [--depth 8|24] [--alpha] [-j N] --to bmp|pcx|png -o DIR INPUT...\n"
         "      Convert every INPUT to DIR/<name>.bmp, .pcx or .png, going on\n"
         "      past files that fail; N files at a time (default: every core).\n"
         "  kelvane-cli lod list ARCHIVE\n"
         "      List the entries of a LOD archive (.lod, .pac): name, original\n"
         "      size, compressed size (0: stored) and type, then a summary line.\n"
         "  kelvane-cli lod extract ARCHIVE -o DIR [--to bmp|pcx|png [REDUCTION] [--depth 8|24] [--alpha]] [PATTERN...]\n"
         "      Extract every entry, or those matching the wildcards (\"*.pcx\",\n"
         "      any case), into DIR on all cores; --to converts on the way, a DEF\n"
         "      entry into its frames and manifest as def extract writes them.\n"
         "  kelvane-cli lod add ARCHIVE [--as NAME] [--to pcx|bmp|png [REDUCTION] [--depth 8|24]] FILE...\n"
         "      Add files, replacing entries of the same name (any case); the\n"
         "      archive is created when missing. --as stores one FILE under NAME.\n"
         "  kelvane-cli lod remove ARCHIVE NAME...\n"
         "      Remove entries.\n"
         "  kelvane-cli def info FILE...\n"
         "      Print each DEF animation's type, full size, and per group its id,\n"
         "      frame count and pixel formats.\n"
         "  kelvane-cli def extract [--to png|bmp] [--alpha] [--sheet] [--jobs N] -o DIR FILE...\n"
         "      Write every frame of each DEF as DIR/<name>-<group id>-<frame>.png\n"
         "      (8-bit, the DEF's palette, the full canvas) and DIR/<name>.manifest;\n"
         "      --sheet adds DIR/<name>-<group id>-sheet.png per group; --alpha\n"
         "      makes entries 0, 1 and 4 of PNG frames transparent. DEFs are\n"
         "      extracted N at a time (default: one per core).\n"
         "  kelvane-cli def build MANIFEST -o OUT.def\n"
         "      Build a DEF from a manifest and the frame images it names (.png,\n"
         "      .bmp or .pcx). Frames in the manifest's palette keep their indexes;\n"
         "      others are reduced onto it, entries 0-7 only for their own colour.\n"
         "  kelvane-cli thumbnail -s SIZE INPUT OUTPUT.png\n"
         "      Write a PNG thumbnail of INPUT that fits in SIZE x SIZE pixels,\n"
         "      keeping its aspect ratio and never enlarging it; index 0 of\n"
         "      sprites and DEF frames is transparent. A file manager runs this\n"
         "      (kelvane.thumbnailer); nothing is written when INPUT cannot be read.\n"
         "  kelvane-cli --help\n"
         "  kelvane-cli --version\n"
         "\n"
         "info, convert, def and thumbnail take ARCHIVE/ENTRY wherever they take a file, as in\n"
         "  kelvane-cli convert Data/H3bitmap.lod/AdvMap.pcx advmap.bmp\n"
         "A changed archive is written beside the old one and renamed over it only\n"
         "when complete; an extraction writes nothing outside DIR.\n"
         "\n"
         "REDUCTION is --to8, or --palette FILE [--reserve LIST] [--exact].\n"
         "\n"
         "Options:\n"
         "  --to8            reduce the image to 8 bits per pixel (the fixed\n"
         "                   256-colour table) before writing it; 8-bit sprites\n"
         "                   can only be written from 8-bit images\n"
         "  --palette FILE   reduce to 8 bits onto the palette of FILE: an 8-bit\n"
         "                   sprite or BMP, a palette PNG, a JASC-PAL or RIFF .pal\n"
         "                   file. An 8-bit image with that palette keeps its\n"
         "                   indexes; other pixels take the nearest colour, never\n"
         "                   a reserved entry unless of exactly its colour (alpha\n"
         "                   0, 64, 128 give entries 0, 1, 4). Prints, per file,\n"
         "                   how many pixels were not palette colours\n"
         "  --reserve LIST   the reserved entries (default 0-7), e.g. 0-7,224-255\n"
         "                   for player-coloured images, or none\n"
         "  --exact          with --palette: fail a file that has colours the\n"
         "                   palette lacks instead of mapping them\n"
         "  --depth 24       write 24-bit sprites, from an image of any depth and\n"
         "                   without reduction (a 32-bit image loses its alpha);\n"
         "                   --depth 8, the default, writes 8-bit sprites\n"
         "  --alpha          PNG output of 8-bit images: entry 0 transparent,\n"
         "                   1 alpha 64, 4 alpha 128 (the shadow convention)\n"
         "  --to FORMAT      batch mode: bmp, pcx or png\n"
         "  -o DIR           batch mode: the directory the outputs go to\n"
         "  -j N             batch mode: convert N files at a time\n"
         "  -s SIZE          thumbnail: the box size in pixels (1 to 4096)\n"
         "  -h, --help       print this help and exit\n"
         "  --version        print the version and exit\n"
         "\n"
         "A failed save never leaves a partial file: the old file, if any, stays.\n"
         "Exit status: 0 all files done, 1 some file failed (one line each on\n"
         "standard error), 2 usage error.\n";
}

}  // namespace kelvane::cli
