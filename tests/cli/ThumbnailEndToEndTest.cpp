// kelvane-cli as a file manager runs it: `thumbnail -s SIZE IN OUT`, one
// process per file, and --version.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/process/RunProgram.h"
#include "version/KelvaneVersion.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(KELVANE_SOURCE_DIR) / "samples";

using test::ReadAll;
using test::TRun;

// What a PNG's header says: width, height and colour type (2 RGB, 6 RGBA).
struct TPngHeader {
  std::uint32_t Width = 0, Height = 0;
  int ColourType = -1;
};
TPngHeader PngHeaderOf(const fs::path& path) {
  const std::string b = ReadAll(path);
  TPngHeader h;
  if (b.size() < 33 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0) return h;
  auto be32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
  };
  h.Width = be32(16);
  h.Height = be32(20);
  h.ColourType = static_cast<unsigned char>(b[25]);
  return h;
}

class ThumbnailCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::path(KELVANE_TEST_OUTPUT_DIR) / "cli-thumbnail" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }

  TRun Run(const std::vector<std::string>& args) { return test::RunProgram(KELVANE_CLI_PATH, args, Dir); }

  std::string At(const char* name) const { return (Dir / name).string(); }

  fs::path Dir;
};

TEST_F(ThumbnailCliTest, VersionIsTheProjectVersion) {
  const TRun r = Run({"--version"});
  EXPECT_EQ(r.Exit, 0);
  EXPECT_EQ(r.Out, std::string("kelvane-cli ") + KELVANE_VERSION + "\n");
  EXPECT_EQ(r.Err, "");
  EXPECT_NE(Run({"--help"}).Out.find("--version"), std::string::npos);
  EXPECT_EQ(Run({"--version", "extra"}).Exit, 2);
}

TEST_F(ThumbnailCliTest, WritesAFittedPngForEachKindAtTheSizesFileManagersAsk) {
  struct Row {
    const char* Sample;
    const char* Size;
    std::uint32_t Width, Height;
    int ColourType;
  };
  const Row rows[] = {
      {"sprite8-33x21.pcx", "128", 33, 21, 6},  // small: not enlarged; index 0 see-through
      {"sprite8-33x21.pcx", "16", 16, 10, 6},
      {"sprite24-33x24.pcx", "8", 8, 6, 2},
      {"mapobject-format3-96x64.def", "64", 64, 43, 6},
      {"bmp24-45x30.bmp", "15", 15, 10, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.Sample) + " at " + r.Size);
    const std::string out = At("thumb.png");
    const TRun run = Run({"thumbnail", "-s", r.Size, (kSamples / r.Sample).string(), out});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const TPngHeader h = PngHeaderOf(out);
    EXPECT_EQ(h.Width, r.Width);
    EXPECT_EQ(h.Height, r.Height);
    EXPECT_EQ(h.ColourType, r.ColourType);
    fs::remove(out);
  }
}

TEST_F(ThumbnailCliTest, TakesAnEntryInsideAnArchive) {
  // Entry names hold at most 15 characters.
  ASSERT_EQ(Run({"lod", "add", At("pack.lod"), "--as", "CREATURE.DEF", (kSamples / "creature-format1-48x40.def").string()}).Exit, 0);
  const TRun r = Run({"thumbnail", "--size=20", At("pack.lod") + "/CREATURE.DEF", At("entry.png")});
  EXPECT_EQ(r.Exit, 0) << r.Err;
  const TPngHeader h = PngHeaderOf(At("entry.png"));
  EXPECT_EQ(h.Width, 20u);
  EXPECT_EQ(h.Height, 17u);
}

TEST_F(ThumbnailCliTest, RefusalsExitOneAndLeaveNoFileUsageErrorsExitTwo) {
  std::ofstream(At("garbage.pcx")) << "not a sprite at all";
  struct Row {
    std::vector<std::string> Args;
    int Exit;
  };
  const std::string out = At("out.png");
  const Row rows[] = {
      {{"thumbnail", "-s", "128", At("missing.bmp"), out}, 1},
      {{"thumbnail", "-s", "128", At("garbage.pcx"), out}, 1},
      {{"thumbnail", "-s", "128", At("pack.lod/x.pcx"), out}, 1},
      {{"thumbnail", "-s", "0", (kSamples / "bmp24-45x30.bmp").string(), out}, 2},
      {{"thumbnail", "-s", "4097", (kSamples / "bmp24-45x30.bmp").string(), out}, 2},
      {{"thumbnail", "-s", "12x", (kSamples / "bmp24-45x30.bmp").string(), out}, 2},
      {{"thumbnail", (kSamples / "bmp24-45x30.bmp").string(), out}, 2},
      {{"thumbnail", "-s", "64", (kSamples / "bmp24-45x30.bmp").string()}, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Args[r.Args.size() - 2]);
    const TRun run = Run(r.Args);
    EXPECT_EQ(run.Exit, r.Exit);
    EXPECT_FALSE(run.Err.empty());
    EXPECT_FALSE(fs::exists(out));
  }
}

}  // namespace
}  // namespace kelvane
