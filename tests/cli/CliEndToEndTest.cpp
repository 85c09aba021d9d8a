// kelvane-cli run as a program: every command, its exit codes, the lines it
// prints for failed files, and the files it leaves (or does not leave).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
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

using test::ReadAll;
using test::TRun;

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> DirectoryNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = fs::path(KELVANE_TEST_OUTPUT_DIR) / "cli" / info->name();
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }

  // Runs kelvane-cli with `args`. `fileSizeLimit` > 0 caps the size of any
  // file the program writes (RLIMIT_FSIZE), the one way to make a write fail
  // part-way that works for root too.
  TRun Run(const std::vector<std::string>& args, rlim_t fileSizeLimit = 0) {
    return test::RunProgram(KELVANE_CLI_PATH, args, Dir.parent_path(), [fileSizeLimit] {
      if (fileSizeLimit > 0) {
        // Default disposition: the program itself must keep the signal from
        // killing it mid-save, or the temporary file would be left behind.
        signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
    });
  }

  std::string Sample(const char* name) const { return (kSamples / name).string(); }
  std::string In(const char* name) const { return (Dir / name).string(); }

  fs::path Dir;
};

// The palette-index rows of an uncompressed 8-bit BMP, top row first.
std::vector<std::string> IndexRowsOfBmp8(const std::string& bmp) {
  auto u32 = [&](std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, bmp.data() + at, 4);
    return v;
  };
  const auto offBits = u32(10);
  const auto width = static_cast<std::int32_t>(u32(18));
  const auto height = static_cast<std::int32_t>(u32(22));
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
  const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
  std::vector<std::string> out(rows);
  for (std::size_t i = 0; i < rows; ++i) {
    const std::size_t stored = height < 0 ? i : rows - 1 - i;
    out[i] = bmp.substr(offBits + stored * stride, static_cast<std::size_t>(width));
  }
  return out;
}

TEST_F(CliTest, HelpPrintsUsageAndUsageErrorsExitWithTwo) {
  const TRun help = Run({"--help"});
  EXPECT_EQ(help.Exit, 0);
  EXPECT_NE(help.Out.find("convert [REDUCTION] [--depth 8|24] [--alpha] [-j N] --to bmp|pcx|png -o DIR INPUT..."), std::string::npos)
      << help.Out;

  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"explode"}, {"convert", Sample("sprite8-5x4.pcx")}, {"convert", "--to", "gif", "-o", ".", "x.bmp"}}) {
    const TRun r = Run(args);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_NE(r.Err.find("kelvane-cli: "), std::string::npos) << r.Err;
    EXPECT_TRUE(r.Out.empty());
  }
  EXPECT_TRUE(DirectoryNames(Dir).empty());
}

TEST_F(CliTest, InfoShowsSizeAndCaptionOfEveryDepth) {
  const TRun r = Run({"info", Sample("sprite8-5x4.pcx"), Sample("sprite24-33x24.pcx"), Sample("bmp1-37x19.bmp"),
                      Sample("bmp4rle-29x17.bmp"), Sample("bmp8topdown-47x33.bmp"), Sample("bmp16-555-45x30.bmp"),
                      Sample("bmp16-565-45x30.bmp"), Sample("bmp24-45x30.bmp"), Sample("bmp32-41x31.bmp")});
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  const std::vector<std::string> expected = {
      Sample("sprite8-5x4.pcx") + ": 5x4  8 bit",        Sample("sprite24-33x24.pcx") + ": 33x24  24 bit",
      Sample("bmp1-37x19.bmp") + ": 37x19  1 bit",       Sample("bmp4rle-29x17.bmp") + ": 29x17  4 bit",
      Sample("bmp8topdown-47x33.bmp") + ": 47x33  8 bit", Sample("bmp16-555-45x30.bmp") + ": 45x30  15 bit",
      Sample("bmp16-565-45x30.bmp") + ": 45x30  16 bit", Sample("bmp24-45x30.bmp") + ": 45x30  24 bit",
      Sample("bmp32-41x31.bmp") + ": 41x31  32 bit"};
  EXPECT_EQ(Lines(r.Out), expected);
}

TEST_F(CliTest, InfoReportsEachBadFileAndGoesOn) {
  std::string sprite = ReadAll(Sample("sprite8-5x4.pcx"));
  sprite[0] = static_cast<char>(5 * 4 + 1);  // DataSize matches neither depth
  WriteAll(Dir / "wrong-size.pcx", sprite);
  WriteAll(Dir / "garbage.bmp", "BM this is not a bitmap");
  // Passes the size test, but its rows are cut off.
  WriteAll(Dir / "short.pcx", ReadAll(Sample("sprite24-7x7.pcx")).substr(0, 40));

  const TRun r = Run({"info", In("wrong-size.pcx"), In("missing.bmp"), In("garbage.bmp"), In("short.pcx"),
                      Sample("bmp24-45x30.bmp"), In("notes.txt")});
  EXPECT_EQ(r.Exit, 1);
  const auto err = Lines(r.Err);
  ASSERT_EQ(err.size(), 5u) << r.Err;
  EXPECT_EQ(err[0], In("wrong-size.pcx") + ": Неверный формат!");
  EXPECT_EQ(err[1].rfind(In("missing.bmp") + ": ", 0), 0u) << err[1];
  EXPECT_EQ(err[2].rfind(In("garbage.bmp") + ": ", 0), 0u) << err[2];
  EXPECT_EQ(err[3].rfind(In("short.pcx") + ": ", 0), 0u) << err[3];
  EXPECT_EQ(err[4].rfind(In("notes.txt") + ": ", 0), 0u) << err[4];
  for (const auto& line : err) EXPECT_GT(line.size(), line.find(": ") + 2) << "a reason follows the name";
  // A BMP that cannot be read, and a sprite whose rows cannot be built, show
  // what the window shows for them; a sprite failing its size test only its
  // message.
  EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{In("missing.bmp") + ": 0x0  <ошибка>",
                                                     In("garbage.bmp") + ": 0x0  <ошибка>",
                                                     In("short.pcx") + ": 0x0  <ошибка>",
                                                     Sample("bmp24-45x30.bmp") + ": 45x30  24 bit"}));
}

TEST_F(CliTest, EightBitSpriteSurvivesARoundTripThroughBmpByteForByte) {
  for (const char* name : {"sprite8-5x4.pcx", "sprite8-7x9.pcx", "sprite8-33x21.pcx"}) {
    SCOPED_TRACE(name);
    const TRun toBmp = Run({"convert", Sample(name), In("mid.BMP")});
    ASSERT_EQ(toBmp.Exit, 0) << toBmp.Err;
    const TRun back = Run({"convert", In("mid.BMP"), In("back.Pcx")});
    ASSERT_EQ(back.Exit, 0) << back.Err;
    EXPECT_EQ(ReadAll(In("back.Pcx")), ReadAll(Sample(name)));
    // Sprite to sprite goes through the same image and changes nothing either.
    ASSERT_EQ(Run({"convert", Sample(name), In("copy.pcx")}).Exit, 0);
    EXPECT_EQ(ReadAll(In("copy.pcx")), ReadAll(Sample(name)));
  }
}

TEST_F(CliTest, BmpToBmpDecodesRunLengthData) {
  const TRun r = Run({"convert", Sample("bmp8rle-47x33.bmp"), In("plain.bmp")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const std::string out = ReadAll(In("plain.bmp"));
  const std::string reference = ReadAll(Sample("bmp8-47x33.bmp"));
  ASSERT_GE(out.size(), 54u);
  std::uint32_t compression;
  std::memcpy(&compression, out.data() + 30, 4);
  EXPECT_EQ(compression, 0u);
  EXPECT_EQ(out.substr(54, 1024), reference.substr(54, 1024)) << "palette";
  EXPECT_EQ(IndexRowsOfBmp8(out), IndexRowsOfBmp8(reference));
}

TEST_F(CliTest, EveryEightBitBmpLayoutGivesTheSameSprite) {
  // Bottom-up, top-down and run-length files of one picture: the sprite rows
  // must come out top row first in all three.
  ASSERT_EQ(Run({"convert", Sample("bmp8-47x33.bmp"), In("a.pcx")}).Exit, 0);
  ASSERT_EQ(Run({"convert", Sample("bmp8topdown-47x33.bmp"), In("b.pcx")}).Exit, 0);
  ASSERT_EQ(Run({"convert", Sample("bmp8rle-47x33.bmp"), In("c.pcx")}).Exit, 0);
  const std::string a = ReadAll(In("a.pcx"));
  ASSERT_EQ(a.size(), 12u + 47 * 33 + 768);
  EXPECT_EQ(ReadAll(In("b.pcx")), a);
  EXPECT_EQ(ReadAll(In("c.pcx")), a);
  const auto rows = IndexRowsOfBmp8(ReadAll(Sample("bmp8-47x33.bmp")));
  for (std::size_t y = 0; y < rows.size(); ++y) EXPECT_EQ(a.substr(12 + y * 47, 47), rows[y]) << "row " << y;
}

TEST_F(CliTest, SpritesNeedEightBitsAndToEightMakesThem) {
  const TRun refused = Run({"convert", Sample("bmp24-45x30.bmp"), In("x.pcx")});
  EXPECT_EQ(refused.Exit, 1);
  ASSERT_EQ(Lines(refused.Err).size(), 1u) << refused.Err;
  EXPECT_EQ(refused.Err.rfind(Sample("bmp24-45x30.bmp") + ": ", 0), 0u);
  EXPECT_NE(refused.Err.find("--to8"), std::string::npos) << refused.Err;
  EXPECT_FALSE(fs::exists(In("x.pcx")));

  for (const char* name : {"bmp24-45x30.bmp", "bmp1-37x19.bmp", "bmp16-565-45x30.bmp", "sprite24-7x7.pcx"}) {
    SCOPED_TRACE(name);
    const TRun r = Run({"convert", "--to8", Sample(name), In("x.pcx")});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const TRun info = Run({"info", In("x.pcx")});
    ASSERT_EQ(info.Exit, 0) << info.Err;
    EXPECT_NE(info.Out.find("  8 bit"), std::string::npos) << info.Out;
  }
  const TRun bmp = Run({"convert", "--to8", Sample("bmp32-41x31.bmp"), In("y.bmp")});
  ASSERT_EQ(bmp.Exit, 0) << bmp.Err;
  EXPECT_EQ(Run({"info", In("y.bmp")}).Out, In("y.bmp") + ": 41x31  8 bit\n");
}

TEST_F(CliTest, BatchWritesEachOutputAndGoesOnPastFailures) {
  std::string sprite = ReadAll(Sample("sprite8-7x9.pcx"));
  sprite[0] = 1;
  WriteAll(Dir / "broken.pcx", sprite);
  WriteAll(Dir / "bmp8-47x33.bmp", ReadAll(Sample("bmp8rle-47x33.bmp")));
  fs::create_directories(Dir / "out");
  const TRun r = Run({"convert", "--to", "pcx", "-o", (Dir / "out").string(), Sample("sprite8-5x4.pcx"), In("broken.pcx"),
                      In("absent.bmp"), Sample("bmp24-45x30.bmp"), Sample("bmp8-47x33.bmp"), In("bmp8-47x33.bmp")});
  EXPECT_EQ(r.Exit, 1);
  const auto err = Lines(r.Err);
  ASSERT_EQ(err.size(), 4u) << r.Err;
  EXPECT_EQ(err[0], In("broken.pcx") + ": Неверный формат!");
  EXPECT_EQ(err[1].rfind(In("absent.bmp") + ": ", 0), 0u) << err[1];
  EXPECT_EQ(err[2].rfind(Sample("bmp24-45x30.bmp") + ": ", 0), 0u) << err[2];
  EXPECT_NE(err[2].find("--to8"), std::string::npos);
  EXPECT_EQ(err[3].rfind(In("bmp8-47x33.bmp") + ": ", 0), 0u) << "two inputs, one output name: " << err[3];
  EXPECT_EQ(DirectoryNames(Dir / "out"), (std::vector<std::string>{"bmp8-47x33.pcx", "sprite8-5x4.pcx"}));
  EXPECT_EQ(ReadAll(Dir / "out" / "sprite8-5x4.pcx"), ReadAll(Sample("sprite8-5x4.pcx")));

  const TRun toBmp = Run({"convert", "--to8", "--to=BMP", "-o", (Dir / "out").string() + "/", Sample("sprite24-5x3.pcx"),
                          Sample("bmp16-555-45x30.bmp")});
  EXPECT_EQ(toBmp.Exit, 0) << toBmp.Err;
  EXPECT_TRUE(fs::is_regular_file(Dir / "out" / "sprite24-5x3.bmp"));
  EXPECT_EQ(Run({"info", (Dir / "out" / "bmp16-555-45x30.bmp").string()}).Out,
            (Dir / "out" / "bmp16-555-45x30.bmp").string() + ": 45x30  8 bit\n");
}

TEST_F(CliTest, FailedConversionsLeaveNoFileAndKeepTheOldOne) {
  // Output directory missing.
  TRun r = Run({"convert", Sample("bmp24-45x30.bmp"), In("nowhere/x.bmp")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
  EXPECT_FALSE(fs::exists(Dir / "nowhere"));

  // A directory where the output file should be.
  fs::create_directories(Dir / "taken.bmp");
  r = Run({"convert", Sample("bmp24-45x30.bmp"), In("taken.bmp")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_TRUE(fs::is_directory(Dir / "taken.bmp"));
  fs::remove(Dir / "taken.bmp");

  // The write itself fails part-way: the file size cap stops it after 1000
  // bytes. The file it would replace keeps its content and no temporary
  // file is left beside it.
  WriteAll(Dir / "old.bmp", "the old content");
  WriteAll(Dir / "old.pcx", "the old sprite");
  r = Run({"convert", Sample("bmp24-45x30.bmp"), In("old.bmp")}, 1000);
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
  r = Run({"convert", Sample("sprite8-33x21.pcx"), In("old.pcx")}, 1000);
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(ReadAll(Dir / "old.bmp"), "the old content");
  EXPECT_EQ(ReadAll(Dir / "old.pcx"), "the old sprite");

  // An input that cannot be read does not touch the output either.
  r = Run({"convert", In("absent.pcx"), In("old.bmp")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(ReadAll(Dir / "old.bmp"), "the old content");
  EXPECT_EQ(DirectoryNames(Dir), (std::vector<std::string>{"old.bmp", "old.pcx"}));
}

// ---- lod ---------------------------------------------------------------------

const fs::path kArchives = fs::path(KELVANE_SOURCE_DIR) / "tests/corpus/archives";

std::string Fixture(const char* name) { return (kArchives / name).string(); }

TEST_F(CliTest, LodListPrintsOneLinePerEntryAndASummary) {
  const TRun r = Run({"lod", "list", Fixture("sound.lod")});
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  const auto lines = Lines(r.Out);
  ASSERT_EQ(lines.size(), 8u) << r.Out;
  EXPECT_EQ(lines[0], "Empty.pcx                12         11    0");
  EXPECT_EQ(lines[2], "Game.pal                768          0    0");
  EXPECT_EQ(lines[7], "7 entries, 4306 bytes, 4074 in the archive (version 500)");

  // Every unreadable entry is listed and named once more on stderr, with
  // control characters escaped so the name cannot drive the terminal.
  const TRun hostile = Run({"lod", "list", Fixture("hostile-names.lod")});
  EXPECT_EQ(hostile.Exit, 1);
  EXPECT_EQ(Lines(hostile.Out).size(), 14u);
  EXPECT_EQ(Lines(hostile.Err).size(), 11u) << hostile.Err;
  EXPECT_EQ(hostile.Out.find('\x1b'), std::string::npos);
  EXPECT_EQ(hostile.Err.find('\x1b'), std::string::npos);
  EXPECT_NE(hostile.Err.find("/esc\\x1B[2J.pcx: Unsafe entry name"), std::string::npos) << hostile.Err;

  const TRun notOne = Run({"lod", "list", Fixture("not-an-archive.lod")});
  EXPECT_EQ(notOne.Exit, 1);
  EXPECT_EQ(notOne.Err, Fixture("not-an-archive.lod") + ": Not a LOD archive\n");
}

TEST_F(CliTest, LodExtractWritesTheGoodEntriesAndOneLinePerBadOne) {
  const TRun r = Run({"lod", "extract", Fixture("bad-compressed-data.lod"), "-o", In("out")});
  EXPECT_EQ(r.Exit, 1);
  const auto err = Lines(r.Err);
  ASSERT_EQ(err.size(), 5u) << r.Err;
  EXPECT_EQ(err[0], Fixture("bad-compressed-data.lod") +
                        "/beyond.pcx: Compressed data is larger than its declared size (more than the declared 743 bytes)");
  EXPECT_EQ(DirectoryNames(Dir / "out"), std::vector<std::string>{"a.pcx"});
  EXPECT_EQ(r.Out, "1 of 6 entries extracted to " + In("out") + "\n");

  const TRun names = Run({"lod", "extract", Fixture("hostile-names.lod"), "-o", In("names"), "*"});
  EXPECT_EQ(names.Exit, 1);
  EXPECT_EQ(Lines(names.Err).size(), 11u) << names.Err;
  EXPECT_EQ(DirectoryNames(Dir), (std::vector<std::string>{"names", "out"}));
  EXPECT_EQ(DirectoryNames(Dir / "names"), (std::vector<std::string>{"good.pcx", "last.pcx"}));
}

TEST_F(CliTest, LodExtractConvertsLikeConvertAndNamesUnmatchedPatterns) {
  const TRun r = Run({"lod", "extract", Fixture("sound.lod"), "-o", In("bmp"), "--to", "bmp", "H*.PCX", "*.txt", "*.def"});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(r.Err, Fixture("sound.lod") + ": no entry matches '*.def'\n");
  EXPECT_EQ(DirectoryNames(Dir / "bmp"), (std::vector<std::string>{"Hero.bmp", "Readme.txt"}));
  ASSERT_EQ(Run({"convert", Fixture("sound.lod") + "/hero.pcx", In("hero.bmp")}).Exit, 0);
  EXPECT_EQ(ReadAll(Dir / "bmp/Hero.bmp"), ReadAll(Dir / "hero.bmp"));

  // --to pcx with --to8 reduces a BMP entry exactly as convert --to8 does.
  const TRun pcx = Run({"lod", "extract", Fixture("sound.lod"), "-o", In("pcx"), "--to", "pcx", "--to8", "*.bmp"});
  EXPECT_EQ(pcx.Exit, 0) << pcx.Err;
  ASSERT_EQ(Run({"convert", "--to8", Fixture("sound.lod") + "/Flag.bmp", In("flag.pcx")}).Exit, 0);
  EXPECT_EQ(ReadAll(Dir / "pcx/Flag.pcx"), ReadAll(Dir / "flag.pcx"));
}

TEST_F(CliTest, LodAddCreatesReplacesConvertsAndRemoveRemoves) {
  const std::string archive = In("mod.lod");
  // Entry names hold at most 15 characters: the samples get shorter ones.
  fs::create_directories(Dir / "in");
  fs::copy_file(Sample("sprite8-5x4.pcx"), Dir / "in/s8.pcx");
  fs::copy_file(Sample("sprite24-7x7.pcx"), Dir / "in/s24.pcx");
  TRun r = Run({"lod", "add", archive, In("in/s8.pcx"), In("in/s24.pcx")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Out, archive + ": 2 added, 0 replaced, 2 entries\n");
  r = Run({"lod", "add", archive, "--as", "Hero.PCX", Sample("sprite8-7x9.pcx")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  r = Run({"lod", "add", archive, "--to", "pcx", "--to8", Sample("bmp24-45x30.bmp")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  // Replacing ignores case; a 24-bit image needs --to8 to become a sprite.
  r = Run({"lod", "add", archive, "--as", "hero.pcx", Sample("sprite8-33x21.pcx")});
  EXPECT_EQ(r.Out, archive + ": 0 added, 1 replaced, 4 entries\n");
  r = Run({"lod", "add", archive, "--to", "pcx", Sample("bmp32-41x31.bmp")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_NE(r.Err.find("--to8"), std::string::npos) << r.Err;

  const TRun list = Run({"lod", "list", archive});
  ASSERT_EQ(list.Exit, 0) << list.Err;
  const auto lines = Lines(list.Out);
  ASSERT_EQ(lines.size(), 5u) << list.Out;
  EXPECT_EQ(lines[0].substr(0, 16), "bmp24-45x30.pcx ");
  EXPECT_EQ(lines[1].substr(0, 16), "hero.pcx        ") << "the entry takes the name it was replaced under";
  EXPECT_EQ(lines[2].substr(0, 16), "s24.pcx         ");
  EXPECT_EQ(lines[3].substr(0, 16), "s8.pcx          ");
  r = Run({"lod", "add", archive, Sample("sprite8-33x21.pcx")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_NE(r.Err.find("longer than 15 characters"), std::string::npos) << r.Err;

  // What goes in comes out: stored files byte for byte, the converted BMP
  // as convert --to8 writes it.
  ASSERT_EQ(Run({"lod", "extract", archive, "-o", In("x")}).Exit, 0);
  EXPECT_EQ(ReadAll(Dir / "x/hero.pcx"), ReadAll(Sample("sprite8-33x21.pcx")));
  EXPECT_EQ(ReadAll(Dir / "x/s24.pcx"), ReadAll(Sample("sprite24-7x7.pcx")));
  ASSERT_EQ(Run({"convert", "--to8", Sample("bmp24-45x30.bmp"), In("direct.pcx")}).Exit, 0);
  EXPECT_EQ(ReadAll(Dir / "x/bmp24-45x30.pcx"), ReadAll(Dir / "direct.pcx"));

  r = Run({"lod", "remove", archive, "HERO.pcx", "missing.pcx"});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(r.Err, archive + "/missing.pcx: No such entry in the archive\n");
  EXPECT_EQ(r.Out, archive + ": 1 removed, 3 entries\n");
  EXPECT_EQ(Lines(Run({"lod", "list", archive}).Out).size(), 4u);
}

TEST_F(CliTest, ArchiveEntriesWorkInInfoAndConvertBothWays) {
  const std::string sound = Fixture("sound.lod");
  TRun r = Run({"info", sound + "/Hero.pcx", sound + "/SKY24.PCX", sound + "/Flag.bmp", sound + "/none.pcx"});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{sound + "/Hero.pcx: 33x21  8 bit", sound + "/SKY24.PCX: 5x3  24 bit",
                                                     sound + "/Flag.bmp: 6x5  8 bit"}));
  EXPECT_EQ(r.Err, sound + "/none.pcx: No such entry in the archive\n");

  // An entry converted from the archive is the loose file converted.
  WriteAll(Dir / "hero.pcx", [&] {
    fs::create_directories(Dir / "loose");
    EXPECT_EQ(Run({"lod", "extract", sound, "-o", In("loose"), "Hero.pcx"}).Exit, 0);
    return ReadAll(Dir / "loose/Hero.pcx");
  }());
  ASSERT_EQ(Run({"convert", sound + "/Hero.pcx", In("from-archive.bmp")}).Exit, 0);
  ASSERT_EQ(Run({"convert", In("hero.pcx"), In("from-file.bmp")}).Exit, 0);
  EXPECT_EQ(ReadAll(Dir / "from-archive.bmp"), ReadAll(Dir / "from-file.bmp"));

  // An output inside an existing archive becomes an entry of it.
  fs::copy_file(sound, Dir / "copy.lod");
  r = Run({"convert", "--to8", Sample("bmp24-45x30.bmp"), In("copy.lod") + "/New.pcx"});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  r = Run({"info", In("copy.lod") + "/new.pcx"});
  EXPECT_EQ(r.Out, In("copy.lod") + "/new.pcx: 45x30  8 bit\n");
}

TEST_F(CliTest, AFailedArchiveChangeLeavesTheOldArchive) {
  const std::string archive = In("a.lod");
  ASSERT_EQ(Run({"lod", "add", archive, Sample("sprite8-5x4.pcx")}).Exit, 0);
  const std::string before = ReadAll(archive);
  // The file size cap stops the write of the new archive part-way.
  TRun r = Run({"lod", "add", archive, "--as", "big.pcx", Sample("sprite8-33x21.pcx")}, 100000);
  EXPECT_EQ(r.Exit, 1);
  EXPECT_NE(r.Err.find(archive + ": writing the archive: "), std::string::npos) << r.Err;
  EXPECT_EQ(ReadAll(archive), before);
  EXPECT_EQ(DirectoryNames(Dir), std::vector<std::string>{"a.lod"});

  // Neither is a damaged archive rewritten, nor a file that is no archive.
  fs::copy_file(Fixture("overlapping-data.lod"), Dir / "damaged.lod");
  r = Run({"lod", "remove", In("damaged.lod"), "c.pcx"});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_NE(r.Err.find("The archive has damaged entries"), std::string::npos) << r.Err;
  EXPECT_EQ(ReadAll(Dir / "damaged.lod"), ReadAll(Fixture("overlapping-data.lod")));
  WriteAll(Dir / "notes.lod", "my notes");
  r = Run({"lod", "add", In("notes.lod"), Sample("sprite8-5x4.pcx")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(ReadAll(Dir / "notes.lod"), "my notes");
  // A name that cannot be an entry's is refused before anything is written.
  r = Run({"lod", "add", archive, "--as", "../up.pcx", Sample("sprite8-5x4.pcx")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(ReadAll(archive), before);
}

const fs::path kKinds = fs::path(KELVANE_SOURCE_DIR) / "tests" / "corpus" / "pcx-kinds";

// Whatever is named .pcx is read by what it holds, and what is not read is
// named on the error line.
TEST_F(CliTest, InfoReadsZSoftAndP32AndNamesEveryOtherKind) {
  auto kind = [](const char* name) { return (kKinds / name).string(); };
  const TRun r = Run({"info", kind("zsoft1-37x19.pcx"), kind("zsoft4planar-29x17.pcx"), kind("zsoft8-47x33.pcx"),
                      kind("zsoft24-45x30.pcx"), kind("p32-41x31.pcx"), kind("renamed-png.pcx"),
                      kind("renamed-bmp.pcx"), kind("dds-image.pcx"), kind("zlib-entry.pcx"), kind("def-animation.pcx"),
                      kind("d32-animation.pcx"), kind("plain-text.pcx")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{
                              kind("zsoft1-37x19.pcx") + ": 37x19  1 bit", kind("zsoft4planar-29x17.pcx") + ": 29x17  4 bit",
                              kind("zsoft8-47x33.pcx") + ": 47x33  8 bit", kind("zsoft24-45x30.pcx") + ": 45x30  24 bit",
                              kind("p32-41x31.pcx") + ": 41x31  32 bit"}));
  EXPECT_EQ(Lines(r.Err),
            (std::vector<std::string>{
                kind("renamed-png.pcx") + ": this is a PNG image, not a game sprite",
                kind("renamed-bmp.pcx") + ": this is a BMP image, not a game sprite",
                kind("dds-image.pcx") + ": this is a DDS image, not a game sprite",
                kind("zlib-entry.pcx") + ": this is an archive entry still compressed with zlib, not a game sprite",
                kind("def-animation.pcx") + ": this is a DEF animation of the game, not a sprite",
                kind("d32-animation.pcx") + ": this is a D32 animation, not a game sprite",
                kind("plain-text.pcx") + ": Неверный формат!"}));
}

TEST_F(CliTest, ADamagedZSoftImageSaysWhatItIsAndWhy) {
  const fs::path inputs = fs::path(KELVANE_SOURCE_DIR) / "tests" / "corpus" / "inputs";
  const std::string file = (inputs / "zsoft-run-past-the-row.pcx").string();
  const TRun r = Run({"convert", file, In("out.bmp")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(r.Err, file + ": a ZSoft PCX image that cannot be read: Damaged compressed data\n");
  EXPECT_FALSE(fs::exists(In("out.bmp")));
}

TEST_F(CliTest, DepthTwentyFourWritesSpritesWithoutReductionAndNotesADroppedAlpha) {
  // A 24-bit BMP becomes a 24-bit sprite of the same rows, and back.
  const TRun fromBmp = Run({"convert", "--depth", "24", Sample("bmp24-45x30.bmp"), In("bmp.pcx")});
  ASSERT_EQ(fromBmp.Exit, 0) << fromBmp.Err;
  EXPECT_EQ(fromBmp.Err, "");
  EXPECT_EQ(ReadAll(In("bmp.pcx")).size(), 12u + 45u * 30u * 3u);
  ASSERT_EQ(Run({"convert", In("bmp.pcx"), In("back.bmp")}).Exit, 0);
  const std::string original = ReadAll(Sample("bmp24-45x30.bmp")), back = ReadAll(In("back.bmp"));
  ASSERT_EQ(back.size(), original.size());
  EXPECT_EQ(back.substr(54), original.substr(54)) << "the same rows";

  // A 32-bit P32 image loses its alpha channel, and says so.
  const std::string p32 = (kKinds / "p32-41x31.pcx").string();
  const TRun fromP32 = Run({"convert", "--depth", "24", p32, In("p32.pcx")});
  ASSERT_EQ(fromP32.Exit, 0) << fromP32.Err;
  EXPECT_EQ(fromP32.Err, p32 + ": note: the image is 32 bit; its alpha channel is dropped in the 24-bit sprite\n");
  EXPECT_EQ(ReadAll(In("p32.pcx")).size(), 12u + 41u * 31u * 3u);

  // Batch mode too; without --depth a 24-bit image still needs --to8.
  fs::create_directories(Dir / "out");
  const TRun batch = Run({"convert", "--depth", "24", "--to", "pcx", "-o", In("out"), Sample("bmp16-565-45x30.bmp"),
                          (kKinds / "zsoft24-45x30.pcx").string()});
  EXPECT_EQ(batch.Exit, 0) << batch.Err;
  EXPECT_EQ(DirectoryNames(Dir / "out"), (std::vector<std::string>{"bmp16-565-45x30.pcx", "zsoft24-45x30.pcx"}));
  const TRun plain = Run({"convert", (kKinds / "zsoft24-45x30.pcx").string(), In("plain.pcx")});
  EXPECT_EQ(plain.Exit, 1);
  EXPECT_NE(plain.Err.find("use --to8"), std::string::npos) << plain.Err;
}

// A sprite of a game-like palette: the eight reserved colours first, every
// colour distinct, every entry used.
std::string GameSprite(int width, int height) {
  std::string s;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
  };
  put32(static_cast<std::uint32_t>(width * height));
  put32(static_cast<std::uint32_t>(width));
  put32(static_cast<std::uint32_t>(height));
  for (int i = 0; i < width * height; ++i) s.push_back(static_cast<char>(i * 7 % 256));
  const std::uint8_t reserved[8][3] = {{0, 255, 255}, {255, 150, 255}, {255, 100, 255}, {255, 50, 255},
                                       {255, 0, 255}, {255, 255, 0},   {180, 0, 255},   {0, 255, 0}};
  for (int i = 0; i < 256; ++i) {
    if (i < 8) {
      s.append(reinterpret_cast<const char*>(reserved[i]), 3);
    } else {
      s.push_back(static_cast<char>(i));
      s.push_back(static_cast<char>(255 - i));
      s.push_back(static_cast<char>(i * 3 % 251));
    }
  }
  return s;
}

// The 24-bit BMP file another program makes of an 8-bit sprite: every
// index replaced by its palette colour.
std::string TwentyFourBitBmpOf(const std::string& sprite) {
  std::uint32_t width, height;
  std::memcpy(&width, sprite.data() + 4, 4);
  std::memcpy(&height, sprite.data() + 8, 4);
  const std::string palette = sprite.substr(sprite.size() - 768);
  const std::size_t stride = (width * 3 + 3) / 4 * 4;
  std::string bmp(54 + stride * height, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(bmp.data() + at, &v, 4); };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  put32(26, 1 | 24 << 16);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      const auto index = static_cast<std::uint8_t>(sprite[12 + y * width + x]);
      char* at = bmp.data() + 54 + (height - 1 - y) * stride + x * 3;
      at[0] = palette[index * 3 + 2];
      at[1] = palette[index * 3 + 1];
      at[2] = palette[index * 3];
    }
  return bmp;
}

TEST_F(CliTest, SpritesRoundTripThroughPngAndComeBackFromTwentyFourBits) {
  WriteAll(Dir / "game.pcx", GameSprite(37, 19));
  for (const std::vector<std::string>& alpha : {std::vector<std::string>{}, std::vector<std::string>{"--alpha"}}) {
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), alpha.begin(), alpha.end());
    args.insert(args.end(), {In("game.pcx"), In("game.png")});
    ASSERT_EQ(Run(args).Exit, 0);
    ASSERT_EQ(Run({"convert", In("game.png"), In("back.pcx")}).Exit, 0);
    EXPECT_EQ(ReadAll(In("back.pcx")), ReadAll(In("game.pcx")));
  }
  // 24 bits in between, as an editor saves: the palette brings it back.
  WriteAll(Dir / "wide.bmp", TwentyFourBitBmpOf(ReadAll(In("game.pcx"))));
  const TRun r = Run({"convert", "--palette", In("game.pcx"), In("wide.bmp"), In("again.pcx")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Err, In("wide.bmp") + ": 0 of 703 pixels were not colours of the palette\n");
  EXPECT_EQ(ReadAll(In("again.pcx")), ReadAll(In("game.pcx")));
}

TEST_F(CliTest, PaletteReductionReportsInexactPixelsAndExactRefuses) {
  WriteAll(Dir / "game.pcx", GameSprite(5, 4));
  TRun r = Run({"convert", "--palette", In("game.pcx"), Sample("bmp24-45x30.bmp"), In("a.pcx")});
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto lines = Lines(r.Err);
  ASSERT_EQ(lines.size(), 1u) << r.Err;
  EXPECT_EQ(lines[0].rfind(Sample("bmp24-45x30.bmp") + ": ", 0), 0u);
  EXPECT_NE(lines[0].find(" of 1350 pixels were not colours of the palette"), std::string::npos) << lines[0];
  EXPECT_EQ(ReadAll(In("a.pcx")).substr(12 + 45 * 30), ReadAll(In("game.pcx")).substr(12 + 20)) << "the palette";

  r = Run({"convert", "--palette", In("game.pcx"), "--exact", Sample("bmp24-45x30.bmp"), In("b.pcx")});
  EXPECT_EQ(r.Exit, 1);
  ASSERT_EQ(Lines(r.Err).size(), 1u) << r.Err;
  EXPECT_NE(r.Err.find("not converted (--exact)"), std::string::npos) << r.Err;
  EXPECT_FALSE(fs::exists(In("b.pcx")));

  r = Run({"convert", "--palette", In("absent.pal"), Sample("bmp24-45x30.bmp"), In("c.pcx")});
  EXPECT_EQ(r.Exit, 1);
  EXPECT_EQ(r.Err.rfind(In("absent.pal") + ": no palette: ", 0), 0u) << r.Err;
  EXPECT_FALSE(fs::exists(In("c.pcx")));
}

TEST_F(CliTest, BatchesToPngGiveTheSameFilesOnOneThreadOrMany) {
  std::vector<std::string> inputs;
  for (const char* name : {"sprite8-5x4.pcx", "sprite24-7x7.pcx", "bmp1-37x19.bmp", "bmp16-565-45x30.bmp",
                           "bmp32-41x31.bmp", "bmp8rle-47x33.bmp"})
    inputs.push_back(Sample(name));
  WriteAll(Dir / "broken.bmp", "BM nothing");
  inputs.push_back(In("broken.bmp"));
  for (const char* jobs : {"1", "4"}) {
    const fs::path out = Dir / (std::string("out") + jobs);
    fs::create_directories(out);
    std::vector<std::string> args = {"convert", "-j", jobs, "--to", "png", "-o", out.string()};
    args.insert(args.end(), inputs.begin(), inputs.end());
    const TRun r = Run(args);
    EXPECT_EQ(r.Exit, 1);
    ASSERT_EQ(Lines(r.Err).size(), 1u) << r.Err;
    EXPECT_EQ(r.Err.rfind(In("broken.bmp") + ": ", 0), 0u) << r.Err;
    EXPECT_EQ(DirectoryNames(out).size(), 6u);
  }
  for (const std::string& name : DirectoryNames(Dir / "out1")) {
    EXPECT_EQ(ReadAll(Dir / "out1" / name), ReadAll(Dir / "out4" / name)) << name;
    EXPECT_EQ(ReadAll(Dir / "out1" / name).substr(1, 3), "PNG") << name;
  }
  const TRun info = Run({"info", (Dir / "out1" / "sprite24-7x7.png").string(), (Dir / "out1" / "bmp1-37x19.png").string()});
  EXPECT_EQ(Lines(info.Out), (std::vector<std::string>{(Dir / "out1" / "sprite24-7x7.png").string() + ": 7x7  24 bit",
                                                        (Dir / "out1" / "bmp1-37x19.png").string() + ": 37x19  8 bit"}));
}

}  // namespace
}  // namespace kelvane
