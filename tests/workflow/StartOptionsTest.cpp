// `kelvane [PATH]`: which arguments open, help, print the version or are
// refused, and what a PATH names on disk.
#include "workflow/StartOptions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "formats/LodArchive.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::TempDir;
using Kind = TStartPlace::TKind;

TEST(StartOptions, ReadsOnePathHelpVersionAndLetsQtOptionsThrough) {
  struct Case {
    std::vector<std::string> Arguments;
    TStartAction Action;
    std::string Path;
  };
  const Case cases[] = {
      {{}, TStartAction::Open, ""},
      {{"maps"}, TStartAction::Open, "maps"},
      {{"-h"}, TStartAction::Help, ""},
      {{"--help"}, TStartAction::Help, ""},
      {{"--version"}, TStartAction::Version, ""},
      {{"x.pcx", "--help"}, TStartAction::Help, ""},
      {{"--bogus", "--version"}, TStartAction::Version, ""},
      // Qt's options with their values, one dash or two, or "=".
      {{"-platform", "offscreen", "a.def"}, TStartAction::Open, "a.def"},
      {{"a.def", "--style", "fusion"}, TStartAction::Open, "a.def"},
      {{"-style=fusion", "-reverse", "b"}, TStartAction::Open, "b"},
      {{"-platform", "xcb", "-qwindowgeometry", "640x480", "--sync"}, TStartAction::Open, ""},
      // After "--" everything is a path, and so is a lone "-".
      {{"--", "-odd.pcx"}, TStartAction::Open, "-odd.pcx"},
      {{"--", "--help"}, TStartAction::Open, "--help"},
      {{"-"}, TStartAction::Open, "-"},
  };
  for (const Case& c : cases) {
    const TStartOptions o = ParseStartOptions(c.Arguments);
    const std::string shown = ::testing::PrintToString(c.Arguments);
    EXPECT_EQ(o.Action, c.Action) << shown;
    EXPECT_EQ(o.Path, c.Path) << shown;
    EXPECT_EQ(o.Error, "") << shown;
  }
}

TEST(StartOptions, RefusesWhatItDoesNotKnowWithOneLine) {
  struct Case {
    std::vector<std::string> Arguments;
    std::string Error;
  };
  const Case cases[] = {
      {{"--bogus"}, "kelvane: unknown option '--bogus'"},
      {{"-x", "a.pcx"}, "kelvane: unknown option '-x'"},
      {{"a.pcx", "-help"}, "kelvane: unknown option '-help'"},
      {{"-platform"}, "kelvane: option '-platform' needs a value"},
      {{"a.pcx", "b.pcx"}, "kelvane: more than one PATH ('a.pcx', 'b.pcx')"},
  };
  for (const Case& c : cases) {
    const TStartOptions o = ParseStartOptions(c.Arguments);
    EXPECT_EQ(o.Action, TStartAction::Refused) << c.Error;
    EXPECT_EQ(o.Error, c.Error);
    EXPECT_EQ(o.Error.find('\n'), std::string::npos);
  }
  EXPECT_EQ(StartVersionLine("0.1.0"), "kelvane 0.1.0");
}

TEST(StartPlace, NamesFoldersFilesArchivesAndTheirEntries) {
  TempDir dir;
  std::filesystem::create_directory(dir / "Sub Folder");
  test::WriteFileBytes(dir / "Hero.PCX", {1, 2, 3});
  test::WriteFileBytes(dir / "anim.def", {1});
  test::WriteFileBytes(dir / "readme.txt", {1});
  TLodBuilder builder;
  ASSERT_TRUE(builder.Put("ADAG.def", std::vector<std::uint8_t>{1, 2}));
  ASSERT_TRUE(builder.Save(dir / "H3sprite.lod"));

  struct Case {
    std::string Path;
    Kind Expected;
    std::string Folder;
    std::string Name;
    std::string Mask;
  };
  const std::string root = dir.Path();
  const Case cases[] = {
      {"", Kind::CurrentFolder, "", "", ""},
      {root, Kind::Folder, root, "", ""},
      {root + "/Sub Folder/", Kind::Folder, root + "/Sub Folder", "", ""},
      {"Sub Folder/../Sub Folder", Kind::Folder, root + "/Sub Folder", "", ""},
      {".", Kind::Folder, root, "", ""},
      {"Hero.PCX", Kind::File, root, "Hero.PCX", "*.pcx"},
      {root + "/anim.def", Kind::File, root, "anim.def", "*.def"},
      {"readme.txt", Kind::File, root, "readme.txt", ""},
      {"H3sprite.lod", Kind::Archive, root + "/H3sprite.lod", "", ""},
      {"H3sprite.lod/ADAG.def", Kind::ArchiveEntry, root + "/H3sprite.lod", "ADAG.def", "*.def"},
      // The entry need not exist yet: the browser shows the archive, with
      // nothing selected.
      {root + "/H3sprite.lod/gone.bmp", Kind::ArchiveEntry, root + "/H3sprite.lod", "gone.bmp", "*.bmp"},
      {"nothing.pcx", Kind::Missing, root + "/nothing.pcx", "", ""},
      {"Hero.PCX/inside.pcx", Kind::Missing, root + "/Hero.PCX/inside.pcx", "", ""},
      {"readme.txt.lod/a.pcx", Kind::Missing, root + "/readme.txt.lod/a.pcx", "", ""},
  };
  for (const Case& c : cases) {
    const TStartPlace place = ResolveStartPath(c.Path, root);
    EXPECT_EQ(place.Kind, c.Expected) << c.Path;
    EXPECT_EQ(place.Folder, c.Folder) << c.Path;
    EXPECT_EQ(place.Name, c.Name) << c.Path;
    EXPECT_EQ(place.Mask, c.Mask) << c.Path;
  }
}

}  // namespace
}  // namespace kelvane
