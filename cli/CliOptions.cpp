#include "cli/CliOptions.h"

#include <algorithm>

#include "cli/LodOptions.h"

namespace kelvane::cli {

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
  return s;
}

TParseResult Fail(std::string error) {
  TParseResult r;
  r.Error = std::move(error);
  return r;
}

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
      case TOptionParse::Failed: return Fail(error);
      case TOptionParse::NotMine: break;
    }
    return Fail("unknown option '" + a + "'");
  }

  // A 24-bit sprite is written without reduction; asking for both is a
  // contradiction, not a choice to guess at.
  if (o.To8 && o.SpriteDepth == TSpriteDepth::TwentyFour) return Fail("--to8 and --depth 24 exclude each other");

  if (seen.Target || seen.Dir) {
    if (!seen.Target) return Fail("-o DIR needs --to bmp|pcx");
    if (!seen.Dir) return Fail("--to needs -o DIR");
    if (positional.empty()) return Fail("convert --to needs at least one input file");
    if (seen.Depth && o.BatchTarget != fkPcx) return Fail("--depth applies to sprites: use it with --to pcx");
    o.Command = TCommand::ConvertBatch;
    o.Inputs = std::move(positional);
    return TParseResult{true, std::move(o), {}};
  }

  if (positional.size() != 2) return Fail("convert takes an INPUT and an OUTPUT file");
  if (FileKind(positional[0]) == fkOther) return Fail("'" + positional[0] + "' is neither a .pcx nor a .bmp file");
  // A DEF is read (its first frame) but never written here: that would put
  // BMP bytes under a .def name.
  if (FileKind(positional[1]) != fkPcx && FileKind(positional[1]) != fkBmp)
    return Fail("'" + positional[1] + "' is neither a .pcx nor a .bmp file");
  if (seen.Depth && FileKind(positional[1]) != fkPcx) return Fail("--depth applies to sprites: the OUTPUT must be a .pcx file");
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
        error = "--to needs a value: bmp or pcx";
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
    } else {
      error = "--to takes bmp or pcx, not '" + value + "'";
      return TOptionParse::Failed;
    }
    seen.Target = true;
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

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return StripExtension(slash == std::string::npos ? path : path.substr(slash + 1));
}

TParseResult ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return Fail("no command given");
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") return TParseResult{true, TCliOptions{}, {}};
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
      if (!optionsEnded && a.size() > 1 && a[0] == '-') return Fail("unknown option '" + a + "'");
      o.Inputs.push_back(a);
    }
    if (o.Inputs.empty()) return Fail("info needs at least one file");
    return TParseResult{true, std::move(o), {}};
  }
  if (command == "convert") return ParseConvert(args);
  if (command == "lod") return ParseLod(args);
  if (command == "def") return ParseDefCommand(args);
  return Fail("unknown command '" + command + "'");
}

const char* UsageText() {
  return "Usage:\n"
         "  kelvane-cli info FILE...\n"
         "      Print each image's size and format, as the window shows them\n"
         "      (for example \"64x48  8 bit\").\n"
         "  kelvane-cli convert [--to8] INPUT OUTPUT\n"
         "      Convert one file; the extensions (.pcx or .bmp, any case) decide\n"
         "      what is read and written. A .pcx input may be a game sprite, a\n"
         "      ZSoft PCX or a P32 image. BMP output is uncompressed.\n"
         "  kelvane-cli convert [--to8] --to bmp|pcx -o DIR INPUT...\n"
         "      Convert every INPUT to DIR/<name>.bmp or DIR/<name>.pcx, going on\n"
         "      past files that fail.\n"
         "  kelvane-cli convert --depth 24 INPUT OUTPUT.pcx\n"
         "  kelvane-cli convert --depth 24 --to pcx -o DIR INPUT...\n"
         "      Write 24-bit sprites, from images of any depth, without reduction.\n"
         "  kelvane-cli lod list ARCHIVE\n"
         "      List the entries of a LOD archive (.lod, .pac): name, original\n"
         "      size, compressed size (0: stored) and type, then a summary line.\n"
         "  kelvane-cli lod extract ARCHIVE -o DIR [--to bmp|pcx [--to8]] [PATTERN...]\n"
         "      Extract every entry, or those matching the wildcards (\"*.pcx\",\n"
         "      any case), into DIR on all cores; --to converts sprites on the way.\n"
         "  kelvane-cli lod add ARCHIVE [--as NAME] [--to pcx|bmp [--to8]] FILE...\n"
         "      Add files, replacing entries of the same name (any case); the\n"
         "      archive is created when missing. --as stores one FILE under NAME.\n"
         "  kelvane-cli lod remove ARCHIVE NAME...\n"
         "      Remove entries.\n"
         "  kelvane-cli def info FILE...\n"
         "      Print each DEF animation's type, full size, and per group its id,\n"
         "      frame count and pixel formats.\n"
         "  kelvane-cli def extract [--to bmp] [--sheet] [--jobs N] -o DIR FILE...\n"
         "      Write every frame of each DEF as DIR/<name>-<group id>-<frame>.bmp\n"
         "      (8-bit, the DEF's palette, the full canvas) and DIR/<name>.manifest;\n"
         "      --sheet adds DIR/<name>-<group id>-sheet.bmp per group. DEFs are\n"
         "      extracted N at a time (default: one per core).\n"
         "  kelvane-cli def build MANIFEST -o OUT.def\n"
         "      Build a DEF from a manifest and the frame images it names (8-bit,\n"
         "      with the manifest's palette).\n"
         "  kelvane-cli --help\n"
         "\n"
         "info and convert take ARCHIVE/ENTRY wherever they take a file, as in\n"
         "  kelvane-cli convert Data/H3bitmap.lod/AdvMap.pcx advmap.bmp\n"
         "A changed archive is written beside the old one and renamed over it only\n"
         "when complete; an extraction writes nothing outside DIR.\n"
         "\n"
         "Options:\n"
         "  --to8        reduce the image to 8 bits per pixel before writing it;\n"
         "               8-bit sprites can only be written from 8-bit images\n"
         "  --depth 24   write 24-bit sprites, from an image of any depth and\n"
         "               without reduction (a 32-bit image loses its alpha);\n"
         "               --depth 8, the default, writes 8-bit sprites\n"
         "  --to FORMAT  batch mode: bmp or pcx\n"
         "  -o DIR       batch mode: the directory the outputs go to\n"
         "\n"
         "A failed save never leaves a partial file: the old file, if any, stays.\n"
         "Exit status: 0 all files done, 1 some file failed (one line each on\n"
         "standard error), 2 usage error.\n";
}

}  // namespace kelvane::cli
