// kelvane-corpus-outcomes: checks that every hostile input ends as recorded.
//
//   kelvane-corpus-outcomes DIR TABLE
//
// TABLE has one line per file of DIR: the file name, then what loading it
// the way the window does gives:
//   loaded WIDTHxHEIGHT FORMAT    shown, e.g. "loaded 4x4 8 bit"
//   unreadable KIND               shown empty (0x0), KIND as in ImageError.h
//   refused KIND                  not shown ("Неверный формат!" for sprites)
// Blank lines and lines starting with '#' are comments. A file without a line,
// a line without a file and every other difference is reported; the exit
// code is 1 when there was any.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "workflow/ImageWorkflow.h"

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

std::string OutcomeOf(const fs::path& file) {
  using namespace kelvane;
  TDibBitmap image;
  const TLoadResult load = LoadImageFile(image, file.string(), FileKind(file.filename().string()));
  switch (load.Status) {
    case TLoadStatus::Loaded: return "loaded " + load.SizeText + " " + load.FormatText;
    case TLoadStatus::Unreadable: return std::string("unreadable ") + ImageErrorName(load.Why.Error);
    case TLoadStatus::Refused: return std::string("refused ") + ImageErrorName(load.Why.Error);
    case TLoadStatus::NotAnImage: return "not an image";
  }
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kelvane-corpus-outcomes DIR TABLE\n");
    return 2;
  }
  const fs::path dir = argv[1];
  std::ifstream table(argv[2]);
  if (!table) {
    std::fprintf(stderr, "%s: cannot read\n", argv[2]);
    return 2;
  }
  std::map<std::string, std::string> expected;
  int problems = 0;
  for (std::string line; std::getline(table, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.find_first_of(" \t");
    const std::string name = line.substr(0, space);
    if (space == std::string::npos || !expected.emplace(name, Trim(line.substr(space))).second) {
      std::printf("%s: line without an outcome, or a second line for the file\n", name.c_str());
      ++problems;
    }
  }
  std::map<std::string, bool> seen;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name == "README.md" || name == "outcomes.txt") continue;
    const std::string got = OutcomeOf(entry.path());
    const auto want = expected.find(name);
    if (want == expected.end()) {
      std::printf("%s: no recorded outcome; it gives: %s\n", name.c_str(), got.c_str());
      ++problems;
      continue;
    }
    seen[name] = true;
    if (got != want->second) {
      std::printf("%s: expected %s, got %s\n", name.c_str(), want->second.c_str(), got.c_str());
      ++problems;
    }
  }
  for (const auto& [name, outcome] : expected) {
    if (!seen.count(name)) {
      std::printf("%s: recorded (%s) but not in %s\n", name.c_str(), outcome.c_str(), dir.c_str());
      ++problems;
    }
  }
  std::printf("%zu files checked, %d problems\n", seen.size(), problems);
  return problems == 0 ? 0 : 1;
}
