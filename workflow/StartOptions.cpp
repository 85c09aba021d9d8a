#include "workflow/StartOptions.h"

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <string_view>

#include "workflow/ArchiveEntries.h"

namespace kelvane {

namespace {

// Qt's application options (QGuiApplication and QApplication), which Qt
// takes out of the arguments itself; the first list takes a value.
constexpr std::array<std::string_view, 14> kQtOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry", "qwindowtitle",
    "title",    "qwindowicon",        "display",       "name",   "style",           "stylesheet", "session"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse", "widgetcount", "nograb",
                                                      "dograb",  "sync",        "qmljsdebugger"};

// "-platform" or "--platform" -> "platform"; "" when `argument` is no option.
std::string_view OptionName(std::string_view argument) {
  if (argument.size() < 2 || argument[0] != '-') return {};
  argument.remove_prefix(argument[1] == '-' ? 2 : 1);
  return argument;
}

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
  for (std::string_view n : names)
    if (name == n) return true;
  return false;
}

TStartOptions Refused(std::string error) {
  TStartOptions r;
  r.Action = TStartAction::Refused;
  r.Error = std::move(error);
  return r;
}

}  // namespace

TStartOptions ParseStartOptions(const std::vector<std::string>& arguments) {
  // Help and version first: they answer whatever else is wrong.
  for (const std::string& a : arguments) {
    if (a == "--") break;
    if (a == "-h" || a == "--help") return TStartOptions{TStartAction::Help, {}, {}};
    if (a == "--version") return TStartOptions{TStartAction::Version, {}, {}};
  }
  TStartOptions r;
  bool pathsOnly = false, havePath = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (!pathsOnly && a == "--") {
      pathsOnly = true;
      continue;
    }
    // "-" alone is no option; no path either, but the path check says so.
    const std::string_view option = pathsOnly || a == "-" ? std::string_view{} : OptionName(a);
    if (!option.empty()) {
      // Qt also reads "-style=fusion"; the value then comes with the name.
      const std::string_view bare = option.substr(0, option.find('='));
      if (IsOneOf(bare, kQtOptionsWithValue)) {
        if (bare == option) {
          if (i + 1 >= arguments.size()) return Refused("kelvane: option '" + a + "' needs a value");
          ++i;
        }
        continue;
      }
      if (IsOneOf(bare, kQtFlags)) continue;
      return Refused("kelvane: unknown option '" + a + "'");
    }
    if (havePath) return Refused("kelvane: more than one PATH ('" + r.Path + "', '" + a + "')");
    r.Path = a;
    havePath = true;
  }
  return r;
}

std::string StartVersionLine(const std::string& version) { return "kelvane " + version; }

TStartPlace ResolveStartPath(const std::string& path, const std::string& currentFolder) {
  namespace fs = std::filesystem;
  TStartPlace place;
  if (path.empty()) return place;
  fs::path absolute = fs::path(path).is_absolute() ? fs::path(path) : fs::path(currentFolder) / path;
  absolute = absolute.lexically_normal();
  std::string full = absolute.string();
  while (full.size() > 1 && full.back() == '/') full.pop_back();

  struct stat st;
  if (::stat(full.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      place.Kind = TStartPlace::TKind::Folder;
      place.Folder = full;
      return place;
    }
    if (S_ISREG(st.st_mode) && IsArchiveName(full)) {
      place.Kind = TStartPlace::TKind::Archive;
      place.Folder = full;
      return place;
    }
    place.Kind = TStartPlace::TKind::File;
    place.Folder = fs::path(full).parent_path().string();
    place.Name = fs::path(full).filename().string();
    place.Mask = FilterMaskFor(FileKind(place.Name));
    return place;
  }
  if (const std::optional<TArchivePath> inside = SplitArchivePath(full); inside && !inside->Entry.empty()) {
    place.Kind = TStartPlace::TKind::ArchiveEntry;
    place.Folder = inside->Archive;
    place.Name = inside->Entry;
    place.Mask = FilterMaskFor(FileKind(place.Name));
    return place;
  }
  place.Kind = TStartPlace::TKind::Missing;
  place.Folder = full;
  return place;
}

std::string FilterMaskFor(TFileKind kind) {
  switch (kind) {
    case fkPcx: return "*.pcx";
    case fkBmp: return "*.bmp";
    case fkPng: return "*.png";
    case fkDef: return "*.def";
    case fkOther: break;
  }
  return std::string();
}

}  // namespace kelvane
