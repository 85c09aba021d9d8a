// Palette sources: text and RIFF palettes parsed field by field, and images
// whose table becomes the palette.
#include "formats/PaletteFile.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/PcxSprite.h"
#include "formats/PngCodec.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;

const std::string kSamples = std::string(KELVANE_SOURCE_DIR) + "/samples/";

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Riff(int count, int declaredCount, bool extraChunkFirst) {
  Bytes data;
  test::Put16(data, 0x0300);
  test::Put16(data, static_cast<std::uint16_t>(declaredCount));
  for (int i = 0; i < count; ++i) data.insert(data.end(), {std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(255 - i), 0});
  Bytes body = Text("PAL ");
  if (extraChunkFirst) {
    body.insert(body.end(), {'i', 'n', 'f', 'o'});
    test::Put32(body, 3);
    body.insert(body.end(), {1, 2, 3, 0});  // odd size, padded
  }
  body.insert(body.end(), {'d', 'a', 't', 'a'});
  test::Put32(body, static_cast<std::uint32_t>(data.size()));
  body.insert(body.end(), data.begin(), data.end());
  Bytes file = Text("RIFF");
  test::Put32(file, static_cast<std::uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

TEST(PaletteFile, ReadsTextAndRiffPalettesAndRefusesBrokenOnes) {
  struct Row {
    const char* Name;
    Bytes File;
    TImageError Kind;
    int Count;
  } rows[] = {
      {"jasc", Text("JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0\r\n1 2 3\r\n"), TImageError::None, 3},
      {"jasc, LF and tabs", Text("JASC-PAL\n0100\n2\n10\t20 30\n 40 50 60 \n"), TImageError::None, 2},
      {"jasc, 256", [] {
         std::string s = "JASC-PAL\r\n0100\r\n256\r\n";
         for (int i = 0; i < 256; ++i) s += std::to_string(i) + " " + std::to_string(255 - i) + " 7\r\n";
         return Text(s);
       }(),
       TImageError::None, 256},
      {"jasc, entries missing", Text("JASC-PAL\r\n0100\r\n3\r\n1 2 3\r\n"), TImageError::InvalidPalette, 0},
      {"jasc, value over 255", Text("JASC-PAL\r\n0100\r\n1\r\n1 256 3\r\n"), TImageError::InvalidPalette, 0},
      {"jasc, two values", Text("JASC-PAL\r\n0100\r\n1\r\n1 2\r\n"), TImageError::InvalidPalette, 0},
      {"jasc, count 0", Text("JASC-PAL\r\n0100\r\n0\r\n"), TImageError::InvalidPalette, 0},
      {"jasc, count 257", Text("JASC-PAL\r\n0100\r\n257\r\n"), TImageError::InvalidPalette, 0},
      {"jasc, version", Text("JASC-PAL\r\n0200\r\n1\r\n1 2 3\r\n"), TImageError::InvalidPalette, 0},
      {"riff", Riff(256, 256, false), TImageError::None, 256},
      {"riff, other chunk first", Riff(16, 16, true), TImageError::None, 16},
      {"riff, count over its data", Riff(16, 17, false), TImageError::InvalidPalette, 0},
      {"riff, count 0", Riff(0, 0, false), TImageError::InvalidPalette, 0},
      {"riff, cut short", [] {
         Bytes b = Riff(256, 256, false);
         b.resize(b.size() - 100);
         return b;
       }(),
       TImageError::InvalidPalette, 0},
      {"riff, not a palette form", [] {
         Bytes b = Riff(4, 4, false);
         b[8] = 'W';
         return b;
       }(),
       TImageError::NotAPalette, 0},
      {"text", Text("hello"), TImageError::NotAPalette, 0},
  };
  for (const Row& r : rows) {
    TPalette palette;
    palette.Count = -1;
    const TOutcome got = ParsePaletteFile(r.File, palette);
    EXPECT_EQ(got.Error, r.Kind) << r.Name << ": " << ImageErrorName(got.Error);
    if (r.Kind != TImageError::None) {
      EXPECT_EQ(palette.Count, -1) << r.Name << ": untouched on failure";
      continue;
    }
    EXPECT_EQ(palette.Count, r.Count) << r.Name;
  }
  TPalette jasc;
  ASSERT_TRUE(ParsePaletteFile(rows[0].File, jasc).Ok());
  EXPECT_EQ(jasc.Colors[0], 0xFF0000u);
  EXPECT_EQ(jasc.Colors[2], 0x010203u);
  EXPECT_EQ(jasc.Colors[3], 0u);
  TPalette riff;
  ASSERT_TRUE(ParsePaletteFile(rows[10].File, riff).Ok());
  EXPECT_EQ(riff.Colors[5], 0x050AFAu);
}

TEST(PaletteFile, ImagesGiveTheirTablesAndOnlyEightBitOnesDo) {
  test::TempDir dir;
  TDibBitmap sprite;
  ASSERT_TRUE(LoadSprite(sprite, kSamples + "sprite8-33x21.pcx"));
  const TPalette expected = PaletteOf(sprite);
  ASSERT_TRUE(sprite.WriteBmpFile(dir / "table.bmp").Ok());
  ASSERT_TRUE(SavePng(sprite, dir / "table.png", {}).Ok());
  // The same sprite under a name in capitals.
  test::WriteFileBytes(dir / "TABLE.PCX", test::ReadFileBytes(kSamples + "sprite8-33x21.pcx"));
  for (const char* name : {"TABLE.PCX", "table.bmp", "table.png"}) {
    TPalette palette;
    ASSERT_TRUE(LoadPaletteSource(dir / name, palette).Ok()) << name;
    EXPECT_EQ(palette, expected) << name;
  }
  test::WriteFileBytes(dir / "players.pal", Riff(256, 256, false));
  TPalette riff;
  EXPECT_TRUE(LoadPaletteSource(dir / "players.pal", riff).Ok());
  EXPECT_EQ(riff.Count, 256);

  struct Row {
    std::string Path;
    TImageError Kind;
  } refused[] = {
      {kSamples + "bmp24-45x30.bmp", TImageError::NotAPalette},
      {kSamples + "sprite24-7x7.pcx", TImageError::NotAPalette},
      {kSamples + "README.md", TImageError::NotAPalette},
      {dir / "absent.pal", TImageError::CannotOpen},
  };
  for (const Row& r : refused) {
    TPalette palette;
    EXPECT_EQ(LoadPaletteSource(r.Path, palette).Error, r.Kind) << r.Path;
  }
}

}  // namespace
}  // namespace kelvane
