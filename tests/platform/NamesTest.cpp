#include "platform/Names.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(MatchesMask, FollowsTheWildcardRules) {
  struct Row {
    const char* name;
    const char* mask;
    bool matches;
  };
  const Row rows[] = {
      {"map.pcx", "*.pcx", true},
      {"Map.PCX", "*.pcx", true},       // letters ignore case
      {"map.pcx", "*.PCX", true},
      {"map.pcx.bak", "*.pcx", false},
      {"map.bmp", "*.pcx", false},
      {".pcx", "*.pcx", true},          // "*" may stand for nothing
      {"map1.pcx", "map?.pcx", true},
      {"map.pcx", "map?.pcx", false},   // "?" needs one character
      {"map12.pcx", "map?.pcx", false},
      {"abcabd", "*abd", true},         // the star must give back characters
      {"ab", "a*b*c", false},
      {"a*b", "a*b", true},
      {"README", "*.*", true},          // the DOS "*.*" lists names without a dot
      {"map", "map.*", true},
      {"mapx", "map.*", false},
      {"map.pcx", "*", true},
      {"map.pcx", "", false},
      {"Карта.pcx", "КАРТА.PCX", true}, // Cyrillic letters ignore case too
      {"ёж.pcx", "?ж.pcx", true},       // "?" is one character, not one byte
      {"Ёж.pcx", "ЁЖ*", true},
      {"карта.pcx", "кар?а.bmp", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " / " + row.mask);
    EXPECT_EQ(MatchesMask(row.name, row.mask), row.matches);
  }
}

TEST(MatchesMask, StaysFastOnPathologicalMasks) {
  // Backtracking over every star would take ages here; the single
  // backtrack point keeps it quadratic at worst.
  std::string name(2000, 'a');
  std::string mask;
  for (int i = 0; i < 200; ++i) mask += "*a";
  mask += "b";
  EXPECT_FALSE(MatchesMask(name, mask));
}

TEST(CompareNames, IgnoresCaseAndOrdersAsTheLocaleDoes) {
  EXPECT_EQ(CompareNames("Maps", "maps"), 0);
  EXPECT_EQ(CompareNames("GAMES", "games"), 0);
  // Byte order would put every capital first; collation without case does not.
  EXPECT_EQ(CompareNames("apple", "Banana"), -1);
  EXPECT_EQ(CompareNames("Banana", "apple"), 1);
  EXPECT_EQ(CompareNames("арбуз", "Яблоко"), -1);
  EXPECT_EQ(CompareNames("Яблоко", "арбуз"), 1);
  EXPECT_EQ(CompareNames("Games", "Games2"), -1);
  EXPECT_EQ(CompareNames("", "a"), -1);
}

}  // namespace
}  // namespace kelvane
