// kelvane-cli's `def` commands run as a program: what they print, the files
// they leave, extract -> build -> extract giving the same files, and the
// usage errors and failures a modder meets.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/process/RunProgram.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(KELVANE_SOURCE_DIR) / "samples";
const fs::path kHostile = fs::path(KELVANE_SOURCE_DIR) / "tests" / "corpus" / "inputs";
const std::vector<std::string> kDefs = {"creature-format1-48x40", "mapobject-format3-96x64", "terrain-format2-32x32",
                                        "interface-format0-21x13", "mixed-formats-64x33"};

using test::ReadAll;
using test::TRun;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class DefCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir =
        fs::path(KELVANE_TEST_OUTPUT_DIR) / "cli-def" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }

  TRun Run(const std::vector<std::string>& args) { return test::RunProgram(KELVANE_CLI_PATH, args, Dir); }

  static std::string Sample(const std::string& name) { return (kSamples / (name + ".def")).string(); }

  fs::path Dir;
};

TEST_F(DefCliTest, InfoListsTypeSizeAndEachGroupsFramesAndFormats) {
  const TRun r = Run({"def", "info", Sample("creature-format1-48x40"), Sample("mixed-formats-64x33")});
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(Lines(r.Out),
            (std::vector<std::string>{
                Sample("creature-format1-48x40") + ": creature (0x42), 48x40, 4 groups, 12 frames, 7 stored",
                "  group 0: 4 frames, format 1",
                "  group 1: 3 frames, format 1",
                "  group 2: 2 frames, format 1",
                "  group 5: 3 frames, format 1",
                Sample("mixed-formats-64x33") + ": sprite frame (0x48), 64x33, 1 group, 4 frames, 4 stored",
                "  group 7: 4 frames, formats 0, 1, 2, 3",
            }));

  const std::string bad = (kHostile / "def-piece-crosses-32-pixels.def").string();
  const TRun refused = Run({"def", "info", bad, Sample("terrain-format2-32x32")});
  EXPECT_EQ(refused.Exit, 1);
  EXPECT_EQ(refused.Err, bad + ": A run of pixels crosses the end of its 32-pixel piece (frame at offset 817, row 0, "
                               "piece 0)\n");
  EXPECT_EQ(Lines(refused.Out).size(), 3u) << "the good file after the bad one is listed";

  // `info` names a DEF the way the window does.
  const TRun plain = Run({"info", Sample("terrain-format2-32x32")});
  EXPECT_EQ(plain.Out, Sample("terrain-format2-32x32") + ": 32x32  DEF terrain, 5 frames\n");
}

TEST_F(DefCliTest, ExtractBuildExtractGivesTheSameFilesByteForByte) {
  std::vector<std::string> args = {"def", "extract", "--sheet", "-o", (Dir / "first").string()};
  for (const std::string& name : kDefs) args.push_back(Sample(name));
  const TRun first = Run(args);
  ASSERT_EQ(first.Exit, 0) << first.Err;
  EXPECT_EQ(first.Err, "");

  // Creature: one file per frame listed, a sheet per group, the manifest.
  const std::vector<std::string> files = Names(Dir / "first");
  const auto count = [&](const std::string& prefix) {
    return std::count_if(files.begin(), files.end(), [&](const std::string& f) { return f.rfind(prefix, 0) == 0; });
  };
  EXPECT_EQ(count("creature-format1-48x40-"), 12 + 4);
  EXPECT_EQ(count("creature-format1-48x40-5-"), 3 + 1);
  EXPECT_TRUE(fs::is_regular_file(Dir / "first" / "creature-format1-48x40-5-2.png"));
  EXPECT_TRUE(fs::is_regular_file(Dir / "first" / "creature-format1-48x40.manifest"));

  fs::create_directories(Dir / "built");
  for (const std::string& name : kDefs) {
    const TRun build = Run({"def", "build", (Dir / "first" / (name + ".manifest")).string(), "-o",
                            (Dir / "built" / (name + ".def")).string()});
    ASSERT_EQ(build.Exit, 0) << name << ": " << build.Err;
  }
  args = {"def", "extract", "--sheet", "--jobs", "2", "-o", (Dir / "second").string()};
  for (const std::string& name : kDefs) args.push_back((Dir / "built" / (name + ".def")).string());
  const TRun second = Run(args);
  ASSERT_EQ(second.Exit, 0) << second.Err;

  ASSERT_EQ(Names(Dir / "second"), files);
  for (const std::string& file : files)
    EXPECT_EQ(ReadAll(Dir / "second" / file), ReadAll(Dir / "first" / file)) << file;
}

TEST_F(DefCliTest, ExtractGoesOnPastBadDefsAndClashingNames) {
  fs::create_directories(Dir / "other");
  fs::copy_file(Sample("interface-format0-21x13"), Dir / "other" / "terrain-format2-32x32.def");
  const std::string bad = (kHostile / "def-rect-outside-canvas.def").string();
  const TRun r = Run({"def", "extract", "-o", (Dir / "out").string(), Sample("terrain-format2-32x32"), bad,
                      (Dir / "missing.def").string(), (Dir / "other" / "terrain-format2-32x32.def").string(),
                      Sample("interface-format0-21x13")});
  EXPECT_EQ(r.Exit, 1);
  const auto err = Lines(r.Err);
  ASSERT_EQ(err.size(), 3u) << r.Err;
  EXPECT_EQ(err[0], bad + ": A frame's stored rectangle lies outside its canvas (frame at offset 817)");
  EXPECT_EQ(err[1], (Dir / "missing.def").string() + ": Cannot open file: No such file or directory");
  EXPECT_EQ(err[2].rfind((Dir / "other" / "terrain-format2-32x32.def").string() + ": a DEF named terrain-format2-32x32 "
                                                                              "was already extracted",
                         0),
            0u)
      << err[2];
  EXPECT_EQ(Names(Dir / "out"),
            (std::vector<std::string>{"interface-format0-21x13-0-0.png", "interface-format0-21x13-0-1.png",
                                      "interface-format0-21x13.manifest", "terrain-format2-32x32-0-0.png",
                                      "terrain-format2-32x32-0-1.png", "terrain-format2-32x32-0-2.png",
                                      "terrain-format2-32x32-3-0.png", "terrain-format2-32x32-3-1.png",
                                      "terrain-format2-32x32.manifest"}));
  // The terrain frames are the first input's, not the clashing one's.
  EXPECT_NE(ReadAll(Dir / "out" / "terrain-format2-32x32.manifest").find("type 0x45"), std::string::npos);
}

TEST_F(DefCliTest, BuildTakesEditedFramesOfAnyDepthAndKeepsTheOldDefOnFailure) {
  ASSERT_EQ(Run({"def", "extract", "--alpha", "-o", Dir.string(), Sample("interface-format0-21x13")}).Exit, 0);
  const std::string manifest = (Dir / "interface-format0-21x13.manifest").string();
  const fs::path frame = Dir / "interface-format0-21x13-0-1.png";
  // A 24-bit frame, as a paint program might save it: reduced onto the
  // DEF's palette, with a note saying so.
  ASSERT_EQ(Run({"convert", (kSamples / "bmp24-45x30.bmp").string(), frame.string()}).Exit, 0);
  TRun r = Run({"def", "build", manifest, "-o", (Dir / "new.def").string()});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Err.rfind(manifest + ": note: interface-format0-21x13-0-1.png: 24 bit, reduced onto the palette; ", 0),
            0u)
      << r.Err;
  r = Run({"def", "info", (Dir / "new.def").string()});
  EXPECT_NE(r.Out.find("2 frames"), std::string::npos) << r.Out;

  // A frame that is gone fails the build and leaves the old DEF alone.
  fs::remove(frame);
  std::ofstream(Dir / "old.def") << "old";
  r = Run({"def", "build", manifest, "-o", (Dir / "old.def").string()});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(r.Err, manifest + ": Cannot open file: No such file or directory (interface-format0-21x13-0-1.png)\n");
  EXPECT_EQ(ReadAll(Dir / "old.def"), "old");
}

TEST_F(DefCliTest, ArchivedDefsExtractAsFramesWhenConvertedAndAsStoredOtherwise) {
  const std::string lod = (Dir / "mod.lod").string();
  fs::copy_file(Sample("creature-format1-48x40"), Dir / "ADAG.def");
  ASSERT_EQ(Run({"lod", "add", lod, (Dir / "ADAG.def").string()}).Exit, 0);

  // --to png: the frames and manifest def extract writes, which build back.
  TRun r = Run({"lod", "extract", lod, "-o", (Dir / "frames").string(), "--to", "png", "*.def"});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  TRun direct = Run({"def", "extract", "-o", (Dir / "direct").string(), (Dir / "ADAG.def").string()});
  ASSERT_EQ(direct.Exit, 0) << direct.Err;
  const std::vector<std::string> files = Names(Dir / "frames");
  ASSERT_EQ(files, Names(Dir / "direct"));
  for (const std::string& file : files)
    EXPECT_EQ(ReadAll(Dir / "frames" / file), ReadAll(Dir / "direct" / file)) << file;
  r = Run({"def", "build", (Dir / "frames" / "ADAG.manifest").string(), "-o", (Dir / "back.def").string()});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(Lines(Run({"def", "info", (Dir / "back.def").string()}).Out).size(),
            Lines(Run({"def", "info", (Dir / "ADAG.def").string()}).Out).size());

  // Without --to the DEF is copied out as it is stored.
  r = Run({"lod", "extract", lod, "-o", (Dir / "plain").string()});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(Names(Dir / "plain"), std::vector<std::string>{"ADAG.def"});
  EXPECT_EQ(ReadAll(Dir / "plain" / "ADAG.def"), ReadAll(Dir / "ADAG.def"));
}

TEST_F(DefCliTest, UsageErrorsExitWithTwoAndTouchNothing) {
  const std::string def = Sample("terrain-format2-32x32");
  const std::string out = (Dir / "out").string();
  struct Case {
    std::vector<std::string> Args;
    std::string Says;
  } cases[] = {
      {{"def"}, "def needs a command"},
      {{"def", "explode", def}, "unknown def command"},
      {{"def", "info"}, "at least one DEF file"},
      {{"def", "extract", def}, "needs -o DIR"},
      {{"def", "extract", "-o", out}, "at least one DEF file"},
      {{"def", "extract", "--to", "gif", "-o", out, def}, "--to takes png or bmp"},
      {{"def", "extract", "--alpha", "--to", "bmp", "-o", out, def}, "does not go with --to bmp"},
      {{"def", "extract", "--jobs", "0", "-o", out, def}, "--jobs takes a number"},
      {{"def", "extract", "--sheets", "-o", out, def}, "unknown option '--sheets'"},
      {{"def", "build", "m.manifest"}, "needs -o OUT.def"},
      {{"def", "build", "a", "b", "-o", out}, "takes one MANIFEST"},
      {{"def", "info", "--sheet", def}, "unknown option"},
      {{"convert", (kSamples / "bmp8-47x33.bmp").string(), (Dir / "x.def").string()}, "is not a .pcx, .bmp or .png file"},
  };
  for (const Case& c : cases) {
    const TRun r = Run(c.Args);
    EXPECT_EQ(r.Exit, 2) << c.Says;
    EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
  }
  EXPECT_TRUE(fs::is_empty(Dir));
  EXPECT_NE(Run({"--help"}).Out.find("def extract [--to png|bmp] [--alpha] [--sheet] [--jobs N] -o DIR FILE..."), std::string::npos);
}

}  // namespace
}  // namespace kelvane
