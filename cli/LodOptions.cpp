#include "cli/LodOptions.h"

namespace kelvane::cli {

namespace {

TParseResult Fail(std::string error) {
  TParseResult r;
  r.Error = std::move(error);
  return r;
}

}  // namespace

TParseResult ParseLod(const std::vector<std::string>& args) {
  if (args.size() < 2) return Fail("lod needs an action: list, extract, add or remove");
  TCliOptions o;
  o.Command = TCommand::Lod;
  const std::string& action = args[1];
  if (action == "list") o.Lod = TLodAction::List;
  else if (action == "extract") o.Lod = TLodAction::Extract;
  else if (action == "add") o.Lod = TLodAction::Add;
  else if (action == "remove") o.Lod = TLodAction::Remove;
  else return Fail("unknown lod action '" + action + "': list, extract, add or remove");

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
        if (++i == args.size()) return Fail("--as needs a name");
        o.StoreAs = args[i];
      } else {
        o.StoreAs = a.substr(5);
      }
      if (o.StoreAs.empty()) return Fail("--as needs a name");
      haveAs = true;
      continue;
    }
    if (converts) {
      std::string error;
      switch (ParseConversionOption(args, i, o, seen, error)) {
        case TOptionParse::Taken: continue;
        case TOptionParse::Failed: return Fail(error);
        case TOptionParse::NotMine: break;
      }
    }
    return Fail("unknown option '" + a + "' for lod " + action);
  }

  if (positional.empty()) return Fail("lod " + action + " needs an archive");
  o.Archive = positional.front();
  o.Names.assign(positional.begin() + 1, positional.end());
  if (o.To8 && !seen.Target) return Fail("--to8 needs --to");
  if (!o.PaletteSource.empty() && !seen.Target) return Fail("--palette needs --to");
  if (o.Alpha && (!seen.Target || o.BatchTarget != fkPng)) return Fail("--alpha applies to PNG output (--to png)");
  if (std::string error; !CheckConversionOptions(o, seen, error)) return Fail(error);
  if (seen.Depth && (!seen.Target || o.BatchTarget != fkPcx)) return Fail("--depth applies to sprites: use it with --to pcx");
  switch (o.Lod) {
    case TLodAction::List:
      if (!o.Names.empty()) return Fail("lod list takes one archive");
      break;
    case TLodAction::Extract:
      if (!seen.Dir) return Fail("lod extract needs -o DIR");
      break;
    case TLodAction::Add:
      if (seen.Dir) return Fail("lod add takes no -o DIR");
      if (o.Names.empty()) return Fail("lod add needs at least one file");
      if (haveAs && o.Names.size() != 1) return Fail("--as NAME takes exactly one file");
      break;
    case TLodAction::Remove:
      if (o.Names.empty()) return Fail("lod remove needs at least one entry name");
      break;
  }
  return TParseResult{true, std::move(o), {}};
}

}  // namespace kelvane::cli
