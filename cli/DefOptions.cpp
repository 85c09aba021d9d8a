#include "cli/DefOptions.h"

#include "cli/CliOptions.h"

namespace kelvane::cli {

namespace {

TParseResult Fail(std::string error) {
  TParseResult r;
  r.Error = std::move(error);
  return r;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// A value for `option`, given as "--opt VALUE" or "--opt=VALUE".
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& option, std::string& value) {
  const std::string& a = args[i];
  if (a == option) {
    if (i + 1 == args.size()) return false;
    value = args[++i];
    return true;
  }
  value = a.substr(option.size() + 1);
  return true;
}

bool Matches(const std::string& arg, const std::string& option) {
  return arg == option || arg.rfind(option + "=", 0) == 0;
}

}  // namespace

TParseResult ParseDefCommand(const std::vector<std::string>& args) {
  if (args.size() < 2) return Fail("def needs a command: info, extract or build");
  const std::string& command = args[1];
  TCliOptions o;
  if (command == "info") o.Command = TCommand::DefInfo;
  else if (command == "extract") o.Command = TCommand::DefExtract;
  else if (command == "build") o.Command = TCommand::DefBuild;
  else return Fail("unknown def command '" + command + "': info, extract or build");

  TDefOptions& d = o.Def;
  bool haveOutput = false, optionsEnded = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      d.Inputs.push_back(a);
      continue;
    }
    std::string value;
    if (a == "--") {
      optionsEnded = true;
    } else if (o.Command != TCommand::DefInfo && (a == "-o" || Matches(a, "--output"))) {
      if (!TakeValue(args, i, a == "-o" ? "-o" : "--output", value)) return Fail(a + " needs a path");
      if (value.empty()) return Fail("the output path must not be empty");
      d.Output = value;
      haveOutput = true;
    } else if (o.Command == TCommand::DefExtract && Matches(a, "--to")) {
      if (!TakeValue(args, i, "--to", value)) return Fail("--to needs a value: png or bmp");
      const std::string format = Lower(value);
      if (format == "bmp") d.FrameTarget = TSaveTarget::Bmp;
      else if (format == "png") d.FrameTarget = TSaveTarget::Png;
      else return Fail("--to takes png or bmp, not '" + value + "'");
    } else if (o.Command == TCommand::DefExtract && a == "--alpha") {
      d.Alpha = TPngAlpha::Shadows;
    } else if (o.Command == TCommand::DefExtract && a == "--sheet") {
      d.Sheets = TDefSheets::OnePerGroup;
    } else if (o.Command == TCommand::DefExtract && (a == "-j" || Matches(a, "--jobs"))) {
      if (!TakeValue(args, i, a == "-j" ? "-j" : "--jobs", value)) return Fail(a + " needs a number");
      unsigned jobs = 0;
      for (char c : value) {
        if (c < '0' || c > '9' || jobs > 9999) return Fail("--jobs takes a number from 1 to 9999");
        jobs = jobs * 10 + static_cast<unsigned>(c - '0');
      }
      if (jobs == 0 || jobs > 9999) return Fail("--jobs takes a number from 1 to 9999");
      d.Jobs = jobs;
    } else {
      return Fail("unknown option '" + a + "' for def " + command);
    }
  }

  switch (o.Command) {
    case TCommand::DefInfo:
      if (d.Inputs.empty()) return Fail("def info needs at least one DEF file");
      break;
    case TCommand::DefExtract:
      if (!haveOutput) return Fail("def extract needs -o DIR");
      if (d.Inputs.empty()) return Fail("def extract needs at least one DEF file");
      if (d.Alpha != TPngAlpha::None && d.FrameTarget != TSaveTarget::Png)
        return Fail("--alpha writes PNG transparency; it does not go with --to bmp");
      break;
    case TCommand::DefBuild:
      if (!haveOutput) return Fail("def build needs -o OUT.def");
      if (d.Inputs.size() != 1) return Fail("def build takes one MANIFEST");
      break;
    default:
      break;
  }
  return TParseResult{true, std::move(o), {}};
}

}  // namespace kelvane::cli
