// DEFs in the workflow: the manifest text, what the window shows for a DEF,
// extraction and building back, and the refusals a modder meets.
#include "workflow/DefWorkflow.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "formats/DefReader.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempDir;

const std::string kSamples = std::string(KELVANE_SOURCE_DIR) + "/samples/";

TDefExtractOptions BmpFrames(TDefSheets sheets = TDefSheets::None) {
  TDefExtractOptions options;
  options.Target = TSaveTarget::Bmp;
  options.Sheets = sheets;
  return options;
}

TDefManifest SmallManifest() {
  TDefManifest m;
  m.Type = 0x43;
  m.Width = 96;
  m.Height = 64;
  m.PixelFormat = 0;
  for (int i = 0; i < 768; ++i) m.Palette[i] = static_cast<std::uint8_t>(i * 5);
  m.Groups = {{0, {{"plain.pcx", "a-0-0.bmp"}, {std::string("q\"b\\s \x01\xe9#"), "dir with space/x.bmp"}}},
              {7, {}},
              {4000000000u, {{"", "/abs/z.pcx"}}}};
  return m;
}

void ExpectSameManifest(const TDefManifest& a, const TDefManifest& b) {
  EXPECT_EQ(a.Type, b.Type);
  EXPECT_EQ(a.Width, b.Width);
  EXPECT_EQ(a.Height, b.Height);
  EXPECT_EQ(a.PixelFormat, b.PixelFormat);
  EXPECT_EQ(a.Palette, b.Palette);
  ASSERT_EQ(a.Groups.size(), b.Groups.size());
  for (std::size_t g = 0; g < a.Groups.size(); ++g) {
    EXPECT_EQ(a.Groups[g].Id, b.Groups[g].Id);
    ASSERT_EQ(a.Groups[g].Frames.size(), b.Groups[g].Frames.size());
    for (std::size_t f = 0; f < a.Groups[g].Frames.size(); ++f) {
      EXPECT_EQ(a.Groups[g].Frames[f].Name, b.Groups[g].Frames[f].Name);
      EXPECT_EQ(a.Groups[g].Frames[f].File, b.Groups[g].Frames[f].File);
    }
  }
}

TEST(DefManifest, WhatIsWrittenParsesBackWithEveryByteOfNamesAndFiles) {
  const TDefManifest m = SmallManifest();
  const std::string text = FormatDefManifest(m);
  EXPECT_NE(text.find("type 0x43  # map object\n"), std::string::npos) << text;
  EXPECT_NE(text.find("frame \"q\\\"b\\\\s \\x01\\xe9#\" \"dir with space/x.bmp\"\n"), std::string::npos) << text;
  TDefManifest back;
  std::string error;
  ASSERT_TRUE(ParseDefManifest(text, back, error)) << error;
  ExpectSameManifest(back, m);

  TDefManifest automatic = m;
  automatic.PixelFormat.reset();
  ASSERT_TRUE(ParseDefManifest(FormatDefManifest(automatic), back, error)) << error;
  EXPECT_FALSE(back.PixelFormat.has_value());
}

TEST(DefManifest, RefusesWhatItCannotUnderstandAndNamesTheLine) {
  const std::string good = FormatDefManifest(SmallManifest());
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    const auto at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return t.replace(at, from.size(), to);
  };
  const auto lineOf = [&](const std::string& what) {
    const std::string before = good.substr(0, good.find(what));
    return "line " + std::to_string(std::count(before.begin(), before.end(), '\n') + 1) + ": ";
  };
  struct Case {
    const char* Name;
    std::string Text;
    std::string ErrorStart;
  } cases[] = {
      {"another file", "P6\n1 1\n", "line 1: "},
      {"another version", replaced("kelvane-def-manifest 1", "kelvane-def-manifest 2"), "line 3: "},
      {"an unknown keyword", replaced("group 7", "grope 7"), lineOf("group 7")},
      {"a frame before any group", replaced("group 0\n", ""), lineOf("group 0")},
      {"a format out of range", replaced("format 0", "format 4"), lineOf("format 0")},
      {"a type too large", replaced("type 0x43", "type 0x100000000"), lineOf("type")},
      {"a size missing its height", replaced("size 96 64", "size 96"), lineOf("size")},
      {"a colour that is not hex", replaced("palette 00050a", "palette 00050x"), lineOf("palette 00050a")},
      {"257 colours", replaced("palette 00050a", "palette 000000 00050a"), lineOf("palette 10151a")},
      {"a name of 13 bytes", replaced("\"plain.pcx\"", "\"thirteen_byte\""), lineOf("\"plain.pcx\"")},
      {"a quote left open", replaced("\"plain.pcx\"", "\"plain.pcx"), lineOf("\"plain.pcx\"")},
      {"an escape that means nothing", replaced("plain.pcx", "pl\\ain.pcx"), lineOf("plain.pcx")},
      {"a name not in quotes", replaced("\"plain.pcx\"", "plain.pcx"), lineOf("plain.pcx")},
      {"an empty file name", replaced("\"a-0-0.bmp\"", "\"\""), lineOf("a-0-0.bmp")},
      {"no type", replaced("type 0x43", ""), "type, size and format"},
      {"255 colours", replaced("palette 00050a ", "palette "), "the palette has 255 colours"},
      {"empty", "", "not a Kelvane DEF manifest"},
  };
  for (const Case& c : cases) {
    TDefManifest m = SmallManifest();
    m.Type = 1;
    std::string error;
    EXPECT_FALSE(ParseDefManifest(c.Text, m, error)) << c.Name;
    EXPECT_EQ(error.rfind(c.ErrorStart, 0), 0u) << c.Name << ": " << error;
    EXPECT_EQ(m.Type, 1u) << c.Name << ": a refused manifest leaves the value as it was";
  }
}

TEST(LoadDefImage, ShowsTheFirstFrameWithTheFullSizeAndFrameCount) {
  EXPECT_EQ(FileKind("a/CRAB.DEF"), fkDef);
  EXPECT_EQ(FileKind("crab.def"), fkDef);
  TDibBitmap image;
  const TLoadResult load = LoadImageFile(image, kSamples + "creature-format1-48x40.def", fkDef);
  EXPECT_EQ(load.Status, TLoadStatus::Loaded);
  EXPECT_EQ(load.Panel, TImagePanel::Pcx);
  EXPECT_EQ(load.SizeText, "48x40");
  EXPECT_EQ(load.FormatText, "DEF creature, 12 frames");
  TDefAnimation a;
  ASSERT_TRUE(ReadDefFile(kSamples + "creature-format1-48x40.def", a).Ok());
  TDefCanvas shown;
  ASSERT_TRUE(CanvasOfImage(image, shown).Ok());
  EXPECT_EQ(shown, a.Frames[a.Groups[0].Frames[0].Frame].Canvas);
  EXPECT_TRUE(HasPalette(image, a.Palette));

  // Bytes in memory (an archive entry) load the same way.
  const Bytes bytes = test::ReadFileBytes(kSamples + "creature-format1-48x40.def");
  TMemorySource source(bytes);
  TDibBitmap fromMemory;
  const TLoadResult again = LoadDefImage(fromMemory, source);
  EXPECT_EQ(again.FormatText, load.FormatText);
  TDefCanvas shownAgain;
  ASSERT_TRUE(CanvasOfImage(fromMemory, shownAgain).Ok());
  EXPECT_EQ(shownAgain, shown);

  // A DEF that cannot be read is refused like a sprite, and the image stays.
  const TLoadResult refused =
      LoadImageFile(image, std::string(KELVANE_SOURCE_DIR) + "/tests/corpus/inputs/def-run-past-row.def", fkDef);
  EXPECT_EQ(refused.Status, TLoadStatus::Refused);
  EXPECT_EQ(refused.Message, kInvalidFormatText);
  EXPECT_EQ(refused.Why.Error, TImageError::RunPastRow);
  EXPECT_EQ(image.Width(), 48);
}

TEST(ManifestOf, NamesTheFormatOnlyWhereTheGameWouldChooseAnother) {
  struct Case {
    const char* File;
    std::optional<std::uint32_t> Expected;
  } cases[] = {
      {"creature-format1-48x40.def", {}},     // format 1 is the creature's
      {"mapobject-format3-96x64.def", {}},    // format 3 the map object's
      {"interface-format0-21x13.def", 0u},    // the game would use 1
      {"mixed-formats-64x33.def", {}},        // no one format to keep
  };
  for (const Case& c : cases) {
    TDefAnimation a;
    ASSERT_TRUE(ReadDefFile(kSamples + c.File, a).Ok()) << c.File;
    const TDefManifest m = ManifestOf(a, "x", TSaveTarget::Bmp);
    EXPECT_EQ(m.PixelFormat, c.Expected) << c.File;
  }
}

class DefFiles : public ::testing::Test {
 protected:
  TempDir Dir;
  std::string Out() const { return Dir / "out"; }
  void SetUp() override { fs::create_directories(Out()); }
};

TEST_F(DefFiles, ExtractThenBuildGivesTheSameCanvasesInEveryGroup) {
  // PNG frames (the default), PNG with the shadow transparency, and BMP.
  TDefExtractOptions png, shadows;
  shadows.Save.PngAlpha = TPngAlpha::Shadows;
  const std::pair<const char*, TDefExtractOptions> cases[] = {
      {"creature-format1-48x40", png},   {"mapobject-format3-96x64", shadows}, {"terrain-format2-32x32", BmpFrames()},
      {"interface-format0-21x13", png},  {"mixed-formats-64x33", shadows},     {"creature-format1-48x40", BmpFrames()},
  };
  for (const auto& [name, options] : cases) {
    SCOPED_TRACE(std::string(name) + "." + ExtensionOf(options.Target));
    fs::remove_all(Out());
    fs::create_directories(Out());
    TDefAnimation a;
    ASSERT_TRUE(ReadDefFile(kSamples + name + ".def", a).Ok());
    ASSERT_TRUE(ExtractDef(a, name, Out(), options).Ok());
    ASSERT_TRUE(fs::is_regular_file(Out() + "/" + name + "-" + std::to_string(a.Groups[0].Id) + "-0." +
                                    ExtensionOf(options.Target)));
    ASSERT_TRUE(fs::is_regular_file(Out() + "/" + name + ".manifest"));
    const TDefProblem built = BuildDef(Out() + "/" + name + ".manifest", Dir / "rebuilt.def");
    ASSERT_TRUE(built.Ok()) << built.Text();
    TDefAnimation b;
    ASSERT_TRUE(ReadDefFile(Dir / "rebuilt.def", b).Ok());
    EXPECT_EQ(b.Type, a.Type);
    EXPECT_EQ(b.Width, a.Width);
    EXPECT_EQ(b.Palette, a.Palette);
    ASSERT_EQ(b.Groups.size(), a.Groups.size());
    for (std::size_t g = 0; g < a.Groups.size(); ++g) {
      EXPECT_EQ(b.Groups[g].Id, a.Groups[g].Id);
      ASSERT_EQ(b.Groups[g].Frames.size(), a.Groups[g].Frames.size());
      for (std::size_t f = 0; f < a.Groups[g].Frames.size(); ++f) {
        EXPECT_EQ(b.Groups[g].Frames[f].Name, a.Groups[g].Frames[f].Name);
        EXPECT_EQ(b.Frames[b.Groups[g].Frames[f].Frame].Canvas, a.Frames[a.Groups[g].Frames[f].Frame].Canvas)
            << "group " << a.Groups[g].Id << ", frame " << f;
      }
    }
    EXPECT_LE(b.Frames.size(), a.Frames.size()) << "frames listed twice come back stored once";
  }
}

TEST_F(DefFiles, SheetsHoldEachFrameInItsCell) {
  TDefAnimation a;
  ASSERT_TRUE(ReadDefFile(kSamples + "creature-format1-48x40.def", a).Ok());
  ASSERT_TRUE(ExtractDef(a, "c", Out(), BmpFrames(TDefSheets::OnePerGroup)).Ok());
  // Group 1 has three frames: two columns, two rows of 48 x 40 cells.
  TDibBitmap sheet;
  ASSERT_TRUE(sheet.ReadBmpFile(Out() + "/c-1-sheet.bmp"));
  TDefCanvas cells;
  ASSERT_TRUE(CanvasOfImage(sheet, cells).Ok());
  ASSERT_EQ(cells.Width, 96);
  ASSERT_EQ(cells.Height, 80);
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t x0 = i % 2 * 48, y0 = i / 2 * 40;
    const TDefCanvas* frame = i < 3 ? &a.Frames[a.Groups[1].Frames[i].Frame].Canvas : nullptr;
    for (std::size_t y = 0; y < 40; ++y)
      for (std::size_t x = 0; x < 48; ++x)
        ASSERT_EQ(cells.Indexes[(y0 + y) * 96 + x0 + x], frame ? frame->Indexes[y * 48 + x] : 0)
            << "cell " << i << " at " << x << "," << y;
  }
}

TEST_F(DefFiles, DuplicateGroupIdsAreRefusedBeforeAnythingIsWritten) {
  TDefAnimation a;
  ASSERT_TRUE(ReadDefFile(kSamples + "terrain-format2-32x32.def", a).Ok());
  a.Groups[1].Id = a.Groups[0].Id;
  const TDefProblem problem = ExtractDef(a, "t", Out(), {});
  EXPECT_EQ(problem.Why.Error, TImageError::DuplicateGroupId);
  EXPECT_TRUE(fs::is_empty(Out()));
}

TEST_F(DefFiles, AFailedExtractionNamesTheFileAndWritesNoManifest) {
  TDefAnimation a;
  ASSERT_TRUE(ReadDefFile(kSamples + "interface-format0-21x13.def", a).Ok());
  fs::create_directories(Out() + "/i-0-1.bmp");  // a folder where a frame goes
  const TDefProblem problem = ExtractDef(a, "i", Out(), BmpFrames());
  EXPECT_EQ(problem.Why.Error, TImageError::NotRegularFile);
  EXPECT_EQ(problem.Where, "i-0-1.bmp");
  EXPECT_FALSE(fs::exists(Out() + "/i.manifest"));
  for (const auto& entry : fs::directory_iterator(Out()))
    EXPECT_EQ(entry.path().filename().string().rfind('.', 0), std::string::npos) << "no temporary file is left";
}

TEST_F(DefFiles, BuildMapsOtherFramesOntoThePaletteAndRefusesWhatItCannotTake) {
  TDefAnimation a;
  ASSERT_TRUE(ReadDefFile(kSamples + "interface-format0-21x13.def", a).Ok());
  ASSERT_TRUE(ExtractDef(a, "i", Out(), BmpFrames()).Ok());
  const std::string manifest = Out() + "/i.manifest", frame = Out() + "/i-0-1.bmp";
  test::WriteFileBytes(Dir / "old.def", {'o', 'l', 'd'});
  const Bytes original = test::ReadFileBytes(frame);

  std::vector<std::string> notes;
  const auto build = [&] {
    notes.clear();
    return BuildDef(manifest, Dir / "old.def", &notes);
  };
  TDibBitmap image;
  // The colour of every canvas pixel of frame 1, which must survive a trip
  // through other depths.
  const auto colours = [](const TDefAnimation& def) {
    std::vector<std::uint32_t> out;
    const TDefCanvas& canvas = def.Frames[def.Groups[0].Frames[1].Frame].Canvas;
    for (const std::uint8_t index : canvas.Indexes)
      out.push_back(std::uint32_t{def.Palette[3 * index]} << 16 | std::uint32_t{def.Palette[3 * index + 1]} << 8 |
                    def.Palette[3 * index + 2]);
    return out;
  };

  // A 24-bit frame of the palette's colours comes back colour for colour,
  // transparent cyan on entry 0, with a note that it was reduced.
  ASSERT_TRUE(image.ReadBmpFile(frame));
  image.SetPixelFormat(px24);
  ASSERT_TRUE(image.WriteBmpFile(frame).Ok());
  ASSERT_TRUE(build().Ok());
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], "i-0-1.bmp: 24 bit, reduced onto the palette; every pixel was a palette colour");
  {
    TDefAnimation rebuilt;
    ASSERT_TRUE(ReadDefFile(Dir / "old.def", rebuilt).Ok());
    EXPECT_EQ(colours(rebuilt), colours(a));
    const TDefCanvas& was = a.Frames[a.Groups[0].Frames[1].Frame].Canvas;
    const TDefCanvas& now = rebuilt.Frames[rebuilt.Groups[0].Frames[1].Frame].Canvas;
    for (std::size_t i = 0; i < was.Indexes.size(); ++i)
      if (was.Indexes[i] == 0) {
        ASSERT_EQ(now.Indexes[i], 0) << i;
      }
  }

  // An 8-bit frame with another palette is mapped by colour, and the
  // pixels the DEF's palette lacks are counted.
  ASSERT_TRUE(image.ReadBmpFile(kSamples + "bmp8-47x33.bmp"));
  ASSERT_TRUE(image.WriteBmpFile(frame).Ok());
  ASSERT_TRUE(build().Ok());
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].rfind("i-0-1.bmp: 8 bit, reduced onto the palette; ", 0), 0u) << notes[0];
  EXPECT_NE(notes[0].find("pixels were not palette colours"), std::string::npos) << notes[0];
  test::WriteFileBytes(Dir / "old.def", {'o', 'l', 'd'});

  // A frame file that is missing, or not an image kind.
  fs::remove(frame);
  TDefProblem problem = build();
  EXPECT_EQ(problem.Why.Error, TImageError::CannotOpen);
  EXPECT_EQ(problem.Where, "i-0-1.bmp");
  const Bytes manifestBytes = test::ReadFileBytes(manifest);
  const std::string text(manifestBytes.begin(), manifestBytes.end());
  {
    std::string changed = text;
    changed.replace(changed.find("i-0-1.bmp"), 9, "notes.txt");
    test::WriteFileBytes(manifest, Bytes(changed.begin(), changed.end()));
    EXPECT_EQ(build().Why.Error, TImageError::UnsupportedFormat);
    changed.replace(changed.find("size"), 4, "sise");
    test::WriteFileBytes(manifest, Bytes(changed.begin(), changed.end()));
    problem = build();
    EXPECT_EQ(problem.Why.Error, TImageError::BadManifest);
    EXPECT_EQ(problem.Where.rfind("line 5: unknown keyword", 0), 0u) << problem.Where;
  }
  EXPECT_EQ(test::ReadFileBytes(Dir / "old.def"), (Bytes{'o', 'l', 'd'})) << "no failed build touched the old DEF";

  // The frame as extracted builds again.
  test::WriteFileBytes(manifest, Bytes(text.begin(), text.end()));
  test::WriteFileBytes(frame, original);
  ASSERT_TRUE(build().Ok());
  TDefAnimation back;
  ASSERT_TRUE(ReadDefFile(Dir / "old.def", back).Ok());
  EXPECT_EQ(back.Frames.size(), 2u);
}

TEST_F(DefFiles, FramesNamingOneFileShareOneStoredFrame) {
  TDefManifest m;
  m.Type = 0x42;
  m.Width = 21;
  m.Height = 13;
  TDefAnimation a;
  ASSERT_TRUE(ReadDefFile(kSamples + "interface-format0-21x13.def", a).Ok());
  m.Palette = a.Palette;
  ASSERT_TRUE(ExtractDef(a, "i", Out(), BmpFrames()).Ok());
  m.Groups = {{2, {{"x", "i-0-0.bmp"}, {"y", "i-0-1.bmp"}}}, {9, {{"z", Out() + "/i-0-0.bmp"}}}};
  const std::string text = FormatDefManifest(m);
  test::WriteFileBytes(Out() + "/m.manifest", Bytes(text.begin(), text.end()));
  ASSERT_TRUE(BuildDef(Out() + "/m.manifest", Dir / "m.def").Ok());
  TDefAnimation back;
  ASSERT_TRUE(ReadDefFile(Dir / "m.def", back).Ok());
  EXPECT_EQ(back.Frames.size(), 2u);
  EXPECT_EQ(back.Groups[1].Frames[0].Frame, back.Groups[0].Frames[0].Frame)
      << "a relative and an absolute name of one file";
  EXPECT_EQ(back.Frames[0].PixelFormat, kDefRowRuns) << "format auto: the creature's";
}

}  // namespace
}  // namespace kelvane
