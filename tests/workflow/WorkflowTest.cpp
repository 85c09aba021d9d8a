// The rules the window and the command line share: which files are what,
// what a load shows, when an image is ready to become a sprite, what a
// reduction and a save do.
#include "workflow/ImageWorkflow.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/image/TestBmp.h"
#include "workflow/ImageCaptions.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::TempDir;

const std::string kSamples = std::string(KELVANE_SOURCE_DIR) + "/samples/";

TEST(FileKind, DecidesByTheLastDotOfTheWholePathIgnoringCase) {
  struct Row {
    const char* Path;
    TFileKind Kind;
  };
  const Row rows[] = {
      {"unit.pcx", fkPcx},     {"UNIT.PCX", fkPcx},       {"a.Pcx", fkPcx},       {"maps/a.b.bmp", fkBmp},
      {"x.BMP", fkBmp},        {"x.bmp.txt", fkOther},    {"pcx", fkPcx},         {"dir.pcx/file", fkOther},
      {"noext", fkOther},      {"x.pcx ", fkOther},       {"", fkOther},          {"a.PNG", fkPng},
      {"a.png.bmp", fkBmp},
  };
  for (const Row& r : rows) EXPECT_EQ(FileKind(r.Path), r.Kind) << '"' << r.Path << '"';
}

TEST(FileKind, ADefaultExtensionIsAddedOnlyToANameWithoutOne) {
  EXPECT_EQ(WithDefaultExtension("/out/hero", fkPng), "/out/hero.png");
  EXPECT_EQ(WithDefaultExtension("/out/hero", fkBmp), "/out/hero.bmp");
  EXPECT_EQ(WithDefaultExtension("hero", fkPcx), "hero.pcx");
  EXPECT_EQ(WithDefaultExtension("/out/hero.bmp", fkPng), "/out/hero.bmp");
  EXPECT_EQ(WithDefaultExtension("/out/hero.txt", fkPng), "/out/hero.txt");
  EXPECT_EQ(WithDefaultExtension("/dir.v2/hero", fkPng), "/dir.v2/hero.png");
  EXPECT_EQ(WithDefaultExtension("/out/", fkPng), "/out/");
  EXPECT_EQ(WithDefaultExtension("/out/hero", fkOther), "/out/hero");
}

TEST(Captions, SizeTextHasNoSpaces) {
  EXPECT_EQ(SizeText(64, 48), "64x48");
  EXPECT_EQ(SizeText(0, 0), "0x0");
  EXPECT_EQ(SizeText(16384, 1), "16384x1");
}

TEST(Captions, EveryFormatHasItsCaptionAndTheRestReadError) {
  EXPECT_EQ(FormatCaption(pxDevice), "<ошибка>");
  EXPECT_EQ(FormatCaption(px1), "1 bit");
  EXPECT_EQ(FormatCaption(px4), "4 bit");
  EXPECT_EQ(FormatCaption(px8), "8 bit");
  EXPECT_EQ(FormatCaption(px15), "15 bit");
  EXPECT_EQ(FormatCaption(px16), "16 bit");
  EXPECT_EQ(FormatCaption(px24), "24 bit");
  EXPECT_EQ(FormatCaption(px32), "32 bit");
  EXPECT_EQ(FormatCaption(pxCustom), "<ошибка>");
  EXPECT_EQ(FormatCaption(static_cast<TPixelFormat>(200)), "<ошибка>");
}

Bytes Sprite(std::uint32_t dataSize, std::uint32_t width, std::uint32_t height, std::size_t rest) {
  Bytes b;
  test::Put32(b, dataSize);
  test::Put32(b, width);
  test::Put32(b, height);
  b.resize(b.size() + rest, 7);
  return b;
}

// Every way a load can end, as the window shows it and the command line
// reports it.
TEST(LoadImageFile, ShowsEachFileOnItsPanelWithTheTextsTheWindowShows) {
  TempDir dir;
  test::WriteFileBytes(dir / "cut.pcx", Sprite(300, 10, 10, 20));    // passes the test, rows missing
  test::WriteFileBytes(dir / "empty.pcx", Sprite(0, 0, 5, 0));       // 0 x 5: a 24-bit sprite of no pixels
  test::WriteFileBytes(dir / "broken.bmp", Bytes{'B', 'M', 1, 2, 3});
  struct Row {
    std::string Path;
    TFileKind Kind;
    TLoadStatus Status;
    TImagePanel Panel;
    const char* Size;
    const char* Format;
    TImageError Why;
  } rows[] = {
      {kSamples + "sprite8-33x21.pcx", fkPcx, TLoadStatus::Loaded, TImagePanel::Pcx, "33x21", "8 bit", TImageError::None},
      {kSamples + "sprite24-5x3.pcx", fkPcx, TLoadStatus::Loaded, TImagePanel::Pcx, "5x3", "24 bit", TImageError::None},
      {dir / "empty.pcx", fkPcx, TLoadStatus::Loaded, TImagePanel::Pcx, "0x5", "<ошибка>", TImageError::None},
      {dir / "cut.pcx", fkPcx, TLoadStatus::Unreadable, TImagePanel::Pcx, "0x0", "<ошибка>", TImageError::ShortRead},
      {kSamples + "bmp16-555-45x30.bmp", fkBmp, TLoadStatus::Loaded, TImagePanel::Bmp, "45x30", "15 bit",
       TImageError::None},
      {kSamples + "bmp4rle-29x17.bmp", fkBmp, TLoadStatus::Loaded, TImagePanel::Bmp, "29x17", "4 bit", TImageError::None},
      {dir / "broken.bmp", fkBmp, TLoadStatus::Unreadable, TImagePanel::Bmp, "0x0", "<ошибка>", TImageError::ShortRead},
      {dir / "missing.bmp", fkBmp, TLoadStatus::Unreadable, TImagePanel::Bmp, "0x0", "<ошибка>",
       TImageError::CannotOpen},
  };
  for (const Row& r : rows) {
    TDibBitmap image;
    const TLoadResult load = LoadImageFile(image, r.Path, r.Kind);
    EXPECT_EQ(load.Status, r.Status) << r.Path;
    EXPECT_EQ(load.Panel, r.Panel) << r.Path;
    EXPECT_EQ(load.SizeText, r.Size) << r.Path;
    EXPECT_EQ(load.FormatText, r.Format) << r.Path;
    EXPECT_EQ(load.Why.Error, r.Why) << r.Path;
    EXPECT_TRUE(load.Message.empty()) << r.Path;
  }
}

TEST(LoadImageFile, ARefusedSpriteSaysInvalidFormatAndKeepsTheImageShown) {
  TempDir dir;
  test::WriteFileBytes(dir / "bad.pcx", Sprite(5, 2, 2, 800));
  TDibBitmap image;
  ASSERT_EQ(LoadImageFile(image, kSamples + "bmp24-45x30.bmp", fkBmp).Status, TLoadStatus::Loaded);
  for (const std::string& path : {dir / "bad.pcx", dir / "missing.pcx", dir.Path()}) {
    const TLoadResult load = LoadImageFile(image, path, fkPcx);
    EXPECT_EQ(load.Status, TLoadStatus::Refused) << path;
    EXPECT_FALSE(load.Shown()) << path;
    EXPECT_EQ(load.Message, "Неверный формат!") << path;
    EXPECT_FALSE(load.Why.Ok()) << path;
    EXPECT_EQ(image.Width(), 45) << path << ": the BMP stays";
  }
  EXPECT_EQ(LoadImageFile(image, dir / "bad.pcx", fkPcx).Why.Error, TImageError::InvalidSprite);
  EXPECT_EQ(LoadImageFile(image, dir / "missing.pcx", fkPcx).Why.Text(), "Cannot open file: No such file or directory");
}

TEST(LoadImageFile, OtherKindsAreNotLoadedAtAll) {
  TDibBitmap image;
  ASSERT_EQ(LoadImageFile(image, kSamples + "sprite8-5x4.pcx", fkPcx).Status, TLoadStatus::Loaded);
  const TLoadResult load = LoadImageFile(image, kSamples + "README.md", fkOther);
  EXPECT_EQ(load.Status, TLoadStatus::NotAnImage);
  EXPECT_EQ(load.Panel, TImagePanel::None);
  EXPECT_EQ(image.Width(), 5);
}

TEST(LoadImageFile, PngFilesLoadLikeBmpFiles) {
  TempDir dir;
  TDibBitmap sprite;
  ASSERT_EQ(LoadImageFile(sprite, kSamples + "sprite24-7x7.pcx", fkPcx).Status, TLoadStatus::Loaded);
  ASSERT_TRUE(SaveImage(sprite, dir / "a.png", SaveTargetFor(fkPng)).Ok());
  test::WriteFileBytes(dir / "broken.png", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
  test::WriteFileBytes(dir / "text.png", Bytes{'h', 'i'});
  struct Row {
    std::string Path;
    TLoadStatus Status;
    const char* Size;
    const char* Format;
    TImageError Why;
  } rows[] = {
      {dir / "a.png", TLoadStatus::Loaded, "7x7", "24 bit", TImageError::None},
      {dir / "broken.png", TLoadStatus::Unreadable, "0x0", "<ошибка>", TImageError::ShortRead},
      {dir / "text.png", TLoadStatus::Unreadable, "0x0", "<ошибка>", TImageError::NotPng},
      {dir / "missing.png", TLoadStatus::Unreadable, "0x0", "<ошибка>", TImageError::CannotOpen},
  };
  for (const Row& r : rows) {
    TDibBitmap image;
    const TLoadResult load = LoadImageFile(image, r.Path, FileKind(r.Path));
    EXPECT_EQ(load.Status, r.Status) << r.Path;
    EXPECT_EQ(load.Panel, TImagePanel::Bmp) << r.Path;
    EXPECT_EQ(load.SizeText, r.Size) << r.Path;
    EXPECT_EQ(load.FormatText, r.Format) << r.Path;
    EXPECT_EQ(load.Why.Error, r.Why) << r.Path;
  }
}

TEST(PaletteChoice, TheStandardTableIsTodaysReductionAndAFileGivesItsPalette) {
  TDibBitmap standard, fromFile;
  ASSERT_EQ(LoadImageFile(standard, kSamples + "bmp24-45x30.bmp", fkBmp).Status, TLoadStatus::Loaded);
  ASSERT_EQ(LoadImageFile(fromFile, kSamples + "bmp24-45x30.bmp", fkBmp).Status, TLoadStatus::Loaded);
  TDibBitmap today;
  ASSERT_EQ(LoadImageFile(today, kSamples + "bmp24-45x30.bmp", fkBmp).Status, TLoadStatus::Loaded);
  ASSERT_TRUE(ReduceTo8(today).Ok());

  const TPaletteChoice fixed;
  EXPECT_TRUE(ReduceWithPalette(standard, fixed).Outcome.Ok());
  EXPECT_EQ(PaletteOf(standard), PaletteOf(today));
  EXPECT_EQ(std::vector<std::uint8_t>(standard.Pixels(), standard.Pixels() + standard.PixelBytes()),
            std::vector<std::uint8_t>(today.Pixels(), today.Pixels() + today.PixelBytes()));

  TPaletteChoice choice;
  TempDir dir;
  EXPECT_EQ(LoadPaletteChoice(dir / "absent.pal", choice).Error, TImageError::CannotOpen);
  EXPECT_EQ(choice.Kind, TPaletteChoice::TKind::Standard) << "untouched";
  ASSERT_TRUE(LoadPaletteChoice(kSamples + "sprite8-33x21.pcx", choice).Ok());
  EXPECT_EQ(choice.Kind, TPaletteChoice::TKind::FromFile);
  EXPECT_EQ(choice.Options.Reserved, DefaultReservedEntries());
  const TReductionReport report = ReduceWithPalette(fromFile, choice);
  ASSERT_TRUE(report.Outcome.Ok());
  EXPECT_EQ(fromFile.GetPixelFormat(), px8);
  EXPECT_EQ(PaletteOf(fromFile), choice.Palette);
  EXPECT_GT(report.InexactPixels, 0);
}

TEST(Readiness, OnlyEightBitImagesAreReadyAndOnlyDeepOnesWarn) {
  struct Row {
    TPixelFormat Format;
    bool Ready, Warning;
  } rows[] = {
      {pxDevice, false, false}, {px1, false, false}, {px4, false, false}, {px8, true, false},  {px15, false, true},
      {px16, false, true},      {px24, false, true}, {px32, false, true}, {pxCustom, false, false},
  };
  for (const Row& r : rows) {
    const TReadiness readiness = ReadinessOf(r.Format);
    EXPECT_EQ(readiness.ReadyForSprite, r.Ready) << int(r.Format);
    EXPECT_EQ(readiness.ShowsWarning, r.Warning) << int(r.Format);
    EXPECT_STREQ(readiness.StatusText, r.Ready ? kReadyText : kNotReadyText) << int(r.Format);
  }
}

TEST(ReduceTo8, MakesAnyDepthEightBitAndLeavesAnEmptyImageEmpty) {
  for (const char* name : {"bmp1-37x19.bmp", "bmp16-565-45x30.bmp", "bmp24topdown-45x30.bmp", "bmp32-41x31.bmp",
                           "bmp8-47x33.bmp"}) {
    TDibBitmap image;
    ASSERT_EQ(LoadImageFile(image, kSamples + name, fkBmp).Status, TLoadStatus::Loaded) << name;
    EXPECT_TRUE(ReduceTo8(image).Ok()) << name;
    EXPECT_EQ(image.GetPixelFormat(), px8) << name;
    EXPECT_EQ(ReducedFormatText(image), "8 bit") << name;
  }
  TDibBitmap empty;
  EXPECT_EQ(ReduceTo8(empty).Error, TImageError::EmptyImage);
  EXPECT_EQ(ReducedFormatText(empty), "<ошибка>");
}

TEST(SaveImage, WritesByTargetAndNeverLeavesAFileItCouldNotWrite) {
  TempDir dir;
  TDibBitmap image;
  ASSERT_EQ(LoadImageFile(image, kSamples + "bmp24-45x30.bmp", fkBmp).Status, TLoadStatus::Loaded);
  EXPECT_EQ(SaveTargetFor(fkPcx), TSaveTarget::Sprite);
  EXPECT_EQ(SaveTargetFor(fkBmp), TSaveTarget::Bmp);
  EXPECT_EQ(SaveTargetFor(fkPng), TSaveTarget::Png);
  EXPECT_EQ(SaveTargetFor(fkOther), TSaveTarget::Bmp);

  EXPECT_EQ(SaveImage(image, dir / "no.pcx", TSaveTarget::Sprite).Error, TImageError::NotEightBit);
  EXPECT_FALSE(std::filesystem::exists(dir / "no.pcx"));
  ASSERT_TRUE(SaveImage(image, dir / "copy.bmp", TSaveTarget::Bmp).Ok());

  ASSERT_TRUE(ReduceTo8(image).Ok());
  ASSERT_TRUE(SaveImage(image, dir / "yes.pcx", TSaveTarget::Sprite).Ok());
  EXPECT_EQ(std::filesystem::file_size(dir / "yes.pcx"), 12u + 45u * 30u + 768u);
  TDibBitmap back;
  const TLoadResult load = LoadImageFile(back, dir / "yes.pcx", fkPcx);
  EXPECT_EQ(load.SizeText, "45x30");
  EXPECT_EQ(load.FormatText, "8 bit");

  const TOutcome failed = SaveImage(image, dir / "no-such-dir/x.pcx", TSaveTarget::Sprite);
  EXPECT_EQ(failed.Error, TImageError::CannotCreate);
  EXPECT_EQ(failed.Text(), "Cannot create file: No such file or directory");
}

const std::string kKinds = std::string(KELVANE_SOURCE_DIR) + "/tests/corpus/pcx-kinds/";

// What the window shows and says for each kind of file under ".pcx".
TEST(LoadImageFile, EveryKindUnderPcxIsShownOrNamed) {
  struct Row {
    const char* Name;
    TLoadStatus Status;
    const char* Size;
    const char* Format;
    const char* Message;
    const char* Detail;
  } rows[] = {
      {"zsoft1-37x19.pcx", TLoadStatus::Loaded, "37x19", "1 bit", "", ""},
      {"zsoft4packed-29x17.pcx", TLoadStatus::Loaded, "29x17", "4 bit", "", ""},
      {"zsoft8grey-37x29.pcx", TLoadStatus::Loaded, "37x29", "8 bit", "", ""},
      {"zsoft24-45x30.pcx", TLoadStatus::Loaded, "45x30", "24 bit", "", ""},
      {"p32-41x31.pcx", TLoadStatus::Loaded, "41x31", "32 bit", "", ""},
      {"renamed-png.pcx", TLoadStatus::Refused, "", "", "Неверный формат!\nЭто изображение PNG, а не спрайт игры",
       "this is a PNG image, not a game sprite"},
      {"renamed-bmp.pcx", TLoadStatus::Refused, "", "", "Неверный формат!\nЭто изображение BMP, а не спрайт игры",
       "this is a BMP image, not a game sprite"},
      {"zlib-entry.pcx", TLoadStatus::Refused, "", "",
       "Неверный формат!\nЭто запись архива, ещё сжатая zlib, а не спрайт игры",
       "this is an archive entry still compressed with zlib, not a game sprite"},
      {"d32-animation.pcx", TLoadStatus::Refused, "", "", "Неверный формат!\nЭто анимация D32, а не спрайт игры",
       "this is a D32 animation, not a game sprite"},
      {"plain-text.pcx", TLoadStatus::Refused, "", "", "Неверный формат!", ""},
  };
  for (const Row& r : rows) {
    TDibBitmap image;
    ASSERT_EQ(LoadImageFile(image, kSamples + "bmp8-47x33.bmp", fkBmp).Status, TLoadStatus::Loaded);
    const TLoadResult load = LoadImageFile(image, kKinds + r.Name, fkPcx);
    EXPECT_EQ(load.Status, r.Status) << r.Name;
    EXPECT_EQ(load.Panel, r.Status == TLoadStatus::Loaded ? TImagePanel::Pcx : TImagePanel::None) << r.Name;
    EXPECT_EQ(load.SizeText, r.Size) << r.Name;
    EXPECT_EQ(load.FormatText, r.Format) << r.Name;
    EXPECT_EQ(load.Message, r.Message) << r.Name;
    EXPECT_EQ(load.Detail, r.Detail) << r.Name;
    if (r.Status == TLoadStatus::Refused) {
      EXPECT_EQ(image.Width(), 47) << r.Name << ": the image shown stays";
    }
  }
  // A damaged ZSoft image is named with the reason on the command line.
  TDibBitmap image;
  const TLoadResult damaged =
      LoadImageFile(image, std::string(KELVANE_SOURCE_DIR) + "/tests/corpus/inputs/zsoft-runs-past-the-file.pcx", fkPcx);
  EXPECT_EQ(damaged.Message, "Неверный формат!\nЭто изображение ZSoft PCX, но прочитать его не удалось");
  EXPECT_EQ(damaged.Detail, "a ZSoft PCX image that cannot be read: Unexpected end of file");
  EXPECT_EQ(damaged.Content, TContentKind::ZSoft);
}

TEST(SaveImage, TwentyFourBitSpritesAreOfferedAboveEightBitsAndDropOnlyAlpha) {
  EXPECT_EQ(SaveTargetFor(fkPcx, TSpriteDepth::TwentyFour), TSaveTarget::Sprite24);
  EXPECT_EQ(SaveTargetFor(fkBmp, TSpriteDepth::TwentyFour), TSaveTarget::Bmp);
  for (TPixelFormat format : {pxDevice, px1, px4, px8, px15, px16, px24, px32}) {
    const std::vector<TSaveType> types = PreviewSaveTypes(format);
    const bool deep = format == px15 || format == px16 || format == px24 || format == px32;
    ASSERT_EQ(types.size(), deep ? 3u : 2u) << int(format);
    EXPECT_STREQ(types[0].Caption, "Bitmaps (*.bmp)");
    EXPECT_EQ(types[0].Target, TSaveTarget::Bmp);
    EXPECT_STREQ(types[1].Caption, "PNG images (*.png)");
    EXPECT_EQ(types[1].Target, TSaveTarget::Png);
    if (deep) {
      EXPECT_STREQ(types[2].Caption, "PCX 24 bit (*.pcx)");
      EXPECT_STREQ(types[2].Extension, "pcx");
      EXPECT_EQ(types[2].Target, TSaveTarget::Sprite24);
    }
  }

  // The name's extension wins over the type chosen; only offered types count.
  const std::vector<TSaveType> deep = PreviewSaveTypes(px24), flat = PreviewSaveTypes(px8);
  struct Row {
    const std::vector<TSaveType>* Types;
    int Chosen;
    const char* Path;
    TSaveTarget Target;
  } rows[] = {
      {&deep, 2, "/d/hero.pcx", TSaveTarget::Sprite24}, {&deep, 2, "/d/hero.bmp", TSaveTarget::Bmp},
      {&deep, 0, "/d/hero.PCX", TSaveTarget::Sprite24}, {&deep, 2, "/d/hero", TSaveTarget::Sprite24},
      {&deep, 0, "/d/hero.png", TSaveTarget::Png},      {&deep, 7, "/d/hero", TSaveTarget::Bmp},
      {&deep, 1, "/d/hero", TSaveTarget::Png},          {&flat, 0, "/d/hero.gif", TSaveTarget::Bmp},
      {&flat, 0, "/d/hero.pcx", TSaveTarget::Bmp},      {&flat, 0, "/d/hero.bmp", TSaveTarget::Bmp},
  };
  for (const Row& r : rows) EXPECT_EQ(PreviewSaveTarget(*r.Types, r.Chosen, r.Path), r.Target) << r.Path;

  TempDir dir;
  TDibBitmap image;
  ASSERT_EQ(LoadImageFile(image, kKinds + "p32-41x31.pcx", fkPcx).Status, TLoadStatus::Loaded);
  EXPECT_TRUE(DropsAlpha(image, TSaveTarget::Sprite24));
  EXPECT_FALSE(DropsAlpha(image, TSaveTarget::Bmp));
  ASSERT_TRUE(SaveImage(image, dir / "p32.pcx", TSaveTarget::Sprite24).Ok());
  TDibBitmap back;
  const TLoadResult load = LoadImageFile(back, dir / "p32.pcx", fkPcx);
  EXPECT_EQ(load.FormatText, "24 bit");
  EXPECT_EQ(load.SizeText, "41x31");
  ASSERT_EQ(LoadImageFile(image, kSamples + "bmp24-45x30.bmp", fkBmp).Status, TLoadStatus::Loaded);
  EXPECT_FALSE(DropsAlpha(image, TSaveTarget::Sprite24));
}

}  // namespace
}  // namespace kelvane
