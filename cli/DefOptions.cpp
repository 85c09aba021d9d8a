#include "cli/DefOptions.h"

#include "cli/CliOptions.h"

namespace kelvane::cli {

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

TParseResult ParseDefCommand(const std::vector<std::string>& args) {
  if (args.size() < 2) return UsageError("def needs a command: info, extract or build");
  const std::string& command = args[1];
  TCliOptions o;
  if (command == "info") o.Command = TCommand::DefInfo;
  else if (command == "extract") o.Command = TCommand::DefExtract;
  else if (command == "build") o.Command = TCommand::DefBuild;
  else return UsageError("unknown def command '" + command + "': info, extract or build");

  TDefOptions& d = o.Def;
  bool haveOutput = false, optionsEnded = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      d.Inputs.push_back(a);
      continue;
    }
    std::string value, unused;  // each message below says what is missing
    if (a == "--") {
      optionsEnded = true;
    } else if (o.Command != TCommand::DefInfo && (a == "-o" || MatchesOption(a, "--output"))) {
      if (!OptionValue(args, i, a == "-o" ? "-o" : "--output", value, unused)) return UsageError(a + " needs a path");
      if (value.empty()) return UsageError("the output path must not be empty");
      d.Output = value;
      haveOutput = true;
    } else if (o.Command == TCommand::DefExtract && MatchesOption(a, "--to")) {
      if (!OptionValue(args, i, "--to", value, unused)) return UsageError("--to needs a value: png or bmp");
      const std::string format = Lower(value);
      if (format == "bmp") d.FrameTarget = TSaveTarget::Bmp;
      else if (format == "png") d.FrameTarget = TSaveTarget::Png;
      else return UsageError("--to takes png or bmp, not '" + value + "'");
    } else if (o.Command == TCommand::DefExtract && a == "--alpha") {
      d.Alpha = TPngAlpha::Shadows;
    } else if (o.Command == TCommand::DefExtract && a == "--sheet") {
      d.Sheets = TDefSheets::OnePerGroup;
    } else if (o.Command == TCommand::DefExtract && (a == "-j" || MatchesOption(a, "--jobs"))) {
      if (!OptionValue(args, i, a == "-j" ? "-j" : "--jobs", value, unused)) return UsageError(a + " needs a number");
      unsigned jobs = 0;
      for (char c : value) {
        if (c < '0' || c > '9' || jobs > 9999) return UsageError("--jobs takes a number from 1 to 9999");
        jobs = jobs * 10 + static_cast<unsigned>(c - '0');
      }
      if (jobs == 0 || jobs > 9999) return UsageError("--jobs takes a number from 1 to 9999");
      d.Jobs = jobs;
    } else {
      return UsageError("unknown option '" + a + "' for def " + command);
    }
  }

  switch (o.Command) {
    case TCommand::DefInfo:
      if (d.Inputs.empty()) return UsageError("def info needs at least one DEF file");
      break;
    case TCommand::DefExtract:
      if (!haveOutput) return UsageError("def extract needs -o DIR");
      if (d.Inputs.empty()) return UsageError("def extract needs at least one DEF file");
      if (d.Alpha != TPngAlpha::None && d.FrameTarget != TSaveTarget::Png)
        return UsageError("--alpha writes PNG transparency; it does not go with --to bmp");
      break;
    case TCommand::DefBuild:
      if (!haveOutput) return UsageError("def build needs -o OUT.def");
      if (d.Inputs.size() != 1) return UsageError("def build takes one MANIFEST");
      break;
    default:
      break;
  }
  return TParseResult{true, std::move(o), {}};
}

}  // namespace kelvane::cli
