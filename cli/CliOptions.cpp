#include "cli/CliOptions.h"

#include <algorithm>

#include "image/PaletteReduction.h"

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

// The value of an option given as "--name VALUE" or "--name=VALUE"; false
// (and `error` set) when it is missing.
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

bool Matches(const std::string& a, const std::string& name) { return a == name || a.rfind(name + "=", 0) == 0; }

bool IsImageKind(TFileKind kind) { return kind == fkPcx || kind == fkBmp || kind == fkPng; }

TParseResult ParseConvert(const std::vector<std::string>& args) {
  TCliOptions o;
  std::vector<std::string> positional;
  bool haveTarget = false;
  bool haveDir = false;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
    } else if (a == "--to8") {
      o.To8 = true;
    } else if (a == "--to" || a.rfind("--to=", 0) == 0) {
      std::string value;
      if (a == "--to") {
        if (++i == args.size()) return Fail("--to needs a value: bmp or pcx");
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
        return Fail("--to takes bmp, pcx or png, not '" + value + "'");
      }
      haveTarget = true;
    } else if (Matches(a, "--palette")) {
      std::string error;
      if (!OptionValue(args, i, "--palette", o.PaletteSource, error)) return Fail(error + ": a palette file");
      if (o.PaletteSource.empty()) return Fail("--palette needs a file");
    } else if (Matches(a, "--reserve")) {
      std::string error;
      if (!OptionValue(args, i, "--reserve", o.ReservedList, error)) return Fail(error + " such as 0-7,224-255 or none");
      kelvane::TReservedEntries reserved;
      if (!kelvane::ParseReservedEntries(o.ReservedList, reserved))
        return Fail("--reserve takes entries such as 0-7,224-255 or none, not '" + o.ReservedList + "'");
    } else if (a == "--exact") {
      o.Exact = true;
    } else if (a == "--alpha") {
      o.Alpha = true;
    } else if (a == "-j" || Matches(a, "--jobs") || (a.size() > 2 && a.rfind("-j", 0) == 0)) {
      std::string value, error;
      if (a == "-j" || Matches(a, "--jobs")) {
        if (!OptionValue(args, i, a == "-j" ? "-j" : "--jobs", value, error)) return Fail(error + ": a number of threads");
      } else {
        value = a.substr(2);
      }
      int jobs = 0;
      for (char c : value) jobs = c >= '0' && c <= '9' && jobs < 10000 ? jobs * 10 + (c - '0') : -1;
      if (value.empty() || jobs < 1) return Fail("-j takes a number of threads of 1 or more, not '" + value + "'");
      o.Jobs = jobs;
    } else if (a == "-o" || a.rfind("--output-dir=", 0) == 0 || a == "--output-dir") {
      if (a == "-o" || a == "--output-dir") {
        if (++i == args.size()) return Fail(a + " needs a directory");
        o.OutputDir = args[i];
      } else {
        o.OutputDir = a.substr(13);
      }
      if (o.OutputDir.empty()) return Fail("the output directory must not be empty");
      haveDir = true;
    } else {
      return Fail("unknown option '" + a + "'");
    }
  }

  if (o.To8 && !o.PaletteSource.empty()) return Fail("--to8 and --palette are two ways to reduce: give one");
  if (o.PaletteSource.empty() && (!o.ReservedList.empty() || o.Exact))
    return Fail(std::string(o.Exact ? "--exact" : "--reserve") + " goes with --palette SOURCE");

  if (haveTarget || haveDir) {
    if (!haveTarget) return Fail("-o DIR needs --to bmp|pcx|png");
    if (o.Alpha && o.BatchTarget != fkPng) return Fail("--alpha applies to PNG output (--to png)");
    if (!haveDir) return Fail("--to needs -o DIR");
    if (positional.empty()) return Fail("convert --to needs at least one input file");
    o.Command = TCommand::ConvertBatch;
    o.Inputs = std::move(positional);
    return TParseResult{true, std::move(o), {}};
  }

  if (o.Jobs != 0) return Fail("-j applies to batch conversion (--to FORMAT -o DIR)");
  if (positional.size() != 2) return Fail("convert takes an INPUT and an OUTPUT file");
  for (const std::string& p : positional)
    if (!IsImageKind(FileKind(p))) return Fail("'" + p + "' is not a .pcx, .bmp or .png file");
  if (o.Alpha && FileKind(positional[1]) != fkPng) return Fail("--alpha applies to PNG output (OUTPUT.png)");
  o.Command = TCommand::Convert;
  o.Inputs = {positional[0]};
  o.Output = positional[1];
  return TParseResult{true, std::move(o), {}};
}

}  // namespace

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
  return Fail("unknown command '" + command + "'");
}

const char* UsageText() {
  return "Usage:\n"
         "  kelvane-cli info FILE...\n"
         "      Print each image's size and format, as the window shows them\n"
         "      (for example \"64x48  8 bit\").\n"
         "  kelvane-cli convert [REDUCTION] [--alpha] INPUT OUTPUT\n"
         "      Convert one file; the extensions (.pcx, .bmp or .png, any case)\n"
         "      decide what is read and written. BMP output is uncompressed.\n"
         "  kelvane-cli convert [REDUCTION] [--alpha] [-j N] --to bmp|pcx|png -o DIR INPUT...\n"
         "      Convert every INPUT to DIR/<name>.bmp, .pcx or .png, going on\n"
         "      past files that fail; N files at a time (default: every core).\n"
         "  kelvane-cli --help\n"
         "\n"
         "Options:\n"
         "  --to8            reduce the image to 8 bits per pixel (the fixed\n"
         "                   256-colour table) before writing it; sprites can\n"
         "                   only be written from 8-bit images\n"
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
         "  --alpha          PNG output of 8-bit images: entry 0 transparent,\n"
         "                   1 alpha 64, 4 alpha 128 (the shadow convention)\n"
         "  --to FORMAT      batch mode: bmp, pcx or png\n"
         "  -o DIR           batch mode: the directory the outputs go to\n"
         "  -j N             batch mode: convert N files at a time\n"
         "\n"
         "A failed save never leaves a partial file: the old file, if any, stays.\n"
         "Exit status: 0 all files done, 1 some file failed (one line each on\n"
         "standard error), 2 usage error.\n";
}

}  // namespace kelvane::cli
