#include "cli/LodOptions.h"

namespace kelvane::cli {

TParseResult ParseLod(const std::vector<std::string>& args) {
  if (args.size() < 2) return UsageError("lod needs an action: list, extract, add or remove");
  TCliOptions o;
  o.Command = TCommand::Lod;
  const std::string& action = args[1];
  if (action == "list") o.Lod = TLodAction::List;
  else if (action == "extract") o.Lod = TLodAction::Extract;
  else if (action == "add") o.Lod = TLodAction::Add;
  else if (action == "remove") o.Lod = TLodAction::Remove;
  else return UsageError("unknown lod action '" + action + "': list, extract, add or remove");

  const bool converts = o.Lod == TLodAction::Extract || o.Lod == TLodAction::Add;
  std::vector<std::string> positional;
  TConversionOptionsSeen seen;
  bool haveAs = false;
  bool optionsEnded = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (o.Lod == TLodAction::Add && (a == "--as" || a.rfind("--as=", 0) == 0)) {
      if (a == "--as") {
        if (++i == args.size()) return UsageError("--as needs a name");
        o.StoreAs = args[i];
      } else {
        o.StoreAs = a.substr(5);
      }
      if (o.StoreAs.empty()) return UsageError("--as needs a name");
      haveAs = true;
      continue;
    }
    if (converts) {
      std::string error;
      switch (ParseConversionOption(args, i, o, seen, error)) {
        case TOptionParse::Taken: continue;
        case TOptionParse::Failed: return UsageError(error);
        case TOptionParse::NotMine: break;
      }
    }
    return UsageError("unknown option '" + a + "' for lod " + action);
  }

  if (positional.empty()) return UsageError("lod " + action + " needs an archive");
  o.Archive = positional.front();
  o.Names.assign(positional.begin() + 1, positional.end());
  if (o.To8 && !seen.Target) return UsageError("--to8 needs --to");
  if (!o.PaletteSource.empty() && !seen.Target) return UsageError("--palette needs --to");
  if (o.Alpha && (!seen.Target || o.BatchTarget != fkPng)) return UsageError("--alpha applies to PNG output (--to png)");
  if (std::string error; !CheckConversionOptions(o, seen, error)) return UsageError(error);
  if (seen.Depth && (!seen.Target || o.BatchTarget != fkPcx)) return UsageError("--depth applies to sprites: use it with --to pcx");
  switch (o.Lod) {
    case TLodAction::List:
      if (!o.Names.empty()) return UsageError("lod list takes one archive");
      break;
    case TLodAction::Extract:
      if (!seen.Dir) return UsageError("lod extract needs -o DIR");
      break;
    case TLodAction::Add:
      if (seen.Dir) return UsageError("lod add takes no -o DIR");
      if (o.Names.empty()) return UsageError("lod add needs at least one file");
      if (haveAs && o.Names.size() != 1) return UsageError("--as NAME takes exactly one file");
      break;
    case TLodAction::Remove:
      if (o.Names.empty()) return UsageError("lod remove needs at least one entry name");
      break;
  }
  return TParseResult{true, std::move(o), {}};
}

}  // namespace kelvane::cli
