// The command line as parsed text: what a batch output is called, which
// command lines are usage errors.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"

namespace kelvane {
namespace {

TEST(BaseName, DropsDirectoryAndLastExtensionOnly) {
  EXPECT_EQ(cli::BaseName("hero.pcx"), "hero");
  EXPECT_EQ(cli::BaseName("maps/a.b.pcx"), "a.b");
  EXPECT_EQ(cli::BaseName("dir.v2/plain"), "plain");
  EXPECT_EQ(cli::BaseName("/abs/x.y/z.BMP"), "z");
}

TEST(CommandLine, UsageErrorsAreRefusedBeforeAnyFileIsTouched) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"info"},
      {"info", "--verbose", "a.bmp"},
      {"convert", "a.pcx"},
      {"convert", "a.pcx", "b.bmp", "c.bmp"},
      {"convert", "a.pcx", "b.gif"},
      {"convert", "a.txt", "b.bmp"},
      {"convert", "--to", "gif", "-o", "out", "a.pcx"},
      {"convert", "--to", "bmp", "a.pcx"},
      {"convert", "-o", "out", "a.pcx"},
      {"convert", "--to", "bmp", "-o", "out"},
      {"convert", "--to"},
      {"convert", "--shrink", "a.pcx", "b.bmp"},
      {"lod"},
      {"lod", "unpack", "a.lod"},
      {"lod", "list"},
      {"lod", "list", "a.lod", "b.lod"},
      {"lod", "list", "--to", "bmp", "a.lod"},
      {"lod", "extract", "a.lod"},
      {"lod", "extract", "a.lod", "-o", "d", "--to8"},
      {"lod", "extract", "a.lod", "-o", "d", "--to", "gif"},
      {"lod", "extract", "a.lod", "-o", "d", "--as", "x"},
      {"lod", "add", "a.lod"},
      {"lod", "add", "a.lod", "-o", "d", "x.pcx"},
      {"lod", "add", "a.lod", "--as", "x.pcx", "a.pcx", "b.pcx"},
      {"lod", "add", "a.lod", "--as"},
      {"lod", "remove", "a.lod"},
      {"convert", "--depth", "16", "a.bmp", "b.pcx"},
      {"convert", "--depth"},
      {"convert", "--depth", "24", "a.pcx", "b.bmp"},
      {"convert", "--depth", "24", "--to", "bmp", "-o", "out", "a.pcx"},
      {"convert", "--depth", "24", "--to8", "a.bmp", "b.pcx"},
      {"convert", "--to", "png", "-o", "out", "--alpha"},
      {"convert", "--palette"},
      {"convert", "--palette", "", "a.png", "b.pcx"},
      {"convert", "--to8", "--palette", "p.pal", "a.png", "b.pcx"},
      {"convert", "--reserve", "0-7", "a.png", "b.pcx"},
      {"convert", "--exact", "a.png", "b.pcx"},
      {"convert", "--palette", "p.pal", "--reserve", "0-300", "a.png", "b.pcx"},
      {"convert", "--palette", "p.pal", "--reserve", "a.png", "b.pcx"},
      {"convert", "--alpha", "a.png", "b.bmp"},
      {"convert", "--alpha", "--to", "pcx", "-o", "out", "a.png"},
      {"convert", "-j", "2", "a.png", "b.pcx"},
      {"convert", "-j", "0", "--to", "png", "-o", "out", "a.bmp"},
      {"convert", "-jx", "--to", "png", "-o", "out", "a.bmp"},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& a : args) joined += a + ' ';
    const cli::TParseResult r = cli::ParseCommandLine(args);
    EXPECT_FALSE(r.Ok) << joined;
    EXPECT_FALSE(r.Error.empty()) << joined;
  }
}

TEST(CommandLine, ParsesLodCommandsWithTheConversionOptionsOfConvert) {
  cli::TParseResult r = cli::ParseCommandLine({"lod", "extract", "--to", "bmp", "H3.lod", "*.pcx", "-o", "out", "--to8"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.Command, cli::TCommand::Lod);
  EXPECT_EQ(r.Options.Lod, cli::TLodAction::Extract);
  EXPECT_EQ(r.Options.Archive, "H3.lod");
  EXPECT_EQ(r.Options.Names, std::vector<std::string>{"*.pcx"});
  EXPECT_EQ(r.Options.OutputDir, "out");
  EXPECT_EQ(r.Options.BatchTarget, cli::fkBmp);
  EXPECT_TRUE(r.Options.To8);

  r = cli::ParseCommandLine({"lod", "add", "m.lod", "--as=Hero.pcx", "--to=pcx", "--", "-odd.bmp"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.Lod, cli::TLodAction::Add);
  EXPECT_EQ(r.Options.StoreAs, "Hero.pcx");
  EXPECT_EQ(r.Options.BatchTarget, cli::fkPcx);
  EXPECT_EQ(r.Options.Names, std::vector<std::string>{"-odd.bmp"});

  r = cli::ParseCommandLine({"lod", "remove", "m.lod", "a.pcx", "B.PCX"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.Lod, cli::TLodAction::Remove);
  EXPECT_EQ(r.Options.Names, (std::vector<std::string>{"a.pcx", "B.PCX"}));
}

TEST(CommandLine, ParsesSingleAndBatchConversions) {
  cli::TParseResult r = cli::ParseCommandLine({"convert", "--to8", "in.BMP", "out.pcx"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.Command, cli::TCommand::Convert);
  EXPECT_TRUE(r.Options.To8);
  EXPECT_EQ(r.Options.Inputs, std::vector<std::string>{"in.BMP"});
  EXPECT_EQ(r.Options.Output, "out.pcx");

  r = cli::ParseCommandLine({"convert", "--to", "PCX", "a.bmp", "-o", "dir", "--", "-odd.bmp"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.Command, cli::TCommand::ConvertBatch);
  EXPECT_FALSE(r.Options.To8);
  EXPECT_EQ(r.Options.BatchTarget, cli::fkPcx);
  EXPECT_EQ(r.Options.OutputDir, "dir");
  EXPECT_EQ(r.Options.Inputs, (std::vector<std::string>{"a.bmp", "-odd.bmp"}));

  r = cli::ParseCommandLine({"convert", "--depth", "24", "in.bmp", "out.PCX"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.SpriteDepth, TSpriteDepth::TwentyFour);
  r = cli::ParseCommandLine({"convert", "--to8", "--depth=8", "--to", "pcx", "-o", "dir", "a.bmp"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.SpriteDepth, TSpriteDepth::Eight);
  EXPECT_TRUE(r.Options.To8);
  r = cli::ParseCommandLine({"convert", "--palette=players.pal", "--reserve", "0-7,224-255", "--exact", "a.PNG",
                             "b.pcx"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.PaletteSource, "players.pal");
  EXPECT_EQ(r.Options.ReservedList, "0-7,224-255");
  EXPECT_TRUE(r.Options.Exact);
  EXPECT_FALSE(r.Options.Alpha);

  r = cli::ParseCommandLine({"convert", "--alpha", "-j3", "--to=png", "-o", "out", "a.pcx", "b.pcx"});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Options.BatchTarget, cli::fkPng);
  EXPECT_TRUE(r.Options.Alpha);
  EXPECT_EQ(r.Options.Jobs, 3);

  r = cli::ParseCommandLine({"info", "x.pcx", "--help"});
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Options.Command, cli::TCommand::Help);
}

}  // namespace
}  // namespace kelvane
