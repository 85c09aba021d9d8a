#include "formats/PcxSprite.h"

#include <gtest/gtest.h>

#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::TempDir;

Bytes MakeSprite(std::int32_t dataSize, std::int32_t width, std::int32_t height, const Bytes& rows,
                 const Bytes& palette = {}) {
  Bytes b;
  test::Put32(b, static_cast<std::uint32_t>(dataSize));
  test::Put32(b, static_cast<std::uint32_t>(width));
  test::Put32(b, static_cast<std::uint32_t>(height));
  b.insert(b.end(), rows.begin(), rows.end());
  b.insert(b.end(), palette.begin(), palette.end());
  return b;
}

Bytes Palette() {
  Bytes p;
  for (int i = 0; i < 256; ++i) p.insert(p.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2),
                                                   static_cast<std::uint8_t>(255 - i)});
  return p;
}

Bytes Pattern(std::size_t n, int seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 31 + static_cast<std::size_t>(seed));
  return b;
}

// Loads a sprite written to a temporary file.
struct Loaded {
  bool Ok;
  TImageError Error;
};
Loaded LoadBytes(TDibBitmap& image, const Bytes& sprite) {
  TempDir dir;
  test::WriteFileBytes(dir / "s.pcx", sprite);
  TOutcome outcome;
  bool ok = LoadSprite(image, dir / "s.pcx", &outcome);
  return {ok, outcome.Error};
}

TEST(LoadSprite, ReadsATwoByTwoEightBitSprite) {
  const Bytes sprite = MakeSprite(4, 2, 2, Bytes{1, 2, 3, 4}, Palette());
  ASSERT_EQ(sprite.size(), 784u);
  TDibBitmap image;
  ASSERT_TRUE(LoadBytes(image, sprite).Ok);
  EXPECT_EQ(image.GetPixelFormat(), px8);
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(image.Height(), 2);
  // Sprite rows are top-down, the bitmap's bottom-up.
  EXPECT_EQ(image.Pixels()[0], 3);
  EXPECT_EQ(image.Pixels()[4], 1);
  // Palette entries come out as blue, green, red, 0.
  EXPECT_EQ(image.Info()->U32(40 + 4 * 3), 0x00030180u | 0xFC);
  EXPECT_EQ(image.Info()->U32(24), 2834u);
}

TEST(LoadSprite, ReadsATwentyFourBitSpriteInItsByteOrder) {
  TDibBitmap image;
  ASSERT_TRUE(LoadBytes(image, MakeSprite(9, 3, 1, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9})).Ok);
  EXPECT_EQ(image.GetPixelFormat(), px24);
  EXPECT_EQ(Bytes(image.Pixels(), image.Pixels() + 12), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}));
}

// Odd widths pad each BMP row differently; rows must stay straight.
TEST(LoadSprite, OddWidthsOfBothDepthsKeepStraightRows) {
  for (int width : {1, 5, 6, 7, 33}) {
    for (int bytesPerPixel : {1, 3}) {
      const int height = 3;
      const Bytes rows = Pattern(static_cast<std::size_t>(width * height * bytesPerPixel), width);
      TDibBitmap image;
      ASSERT_TRUE(LoadBytes(image, MakeSprite(width * height * bytesPerPixel, width, height, rows,
                                              bytesPerPixel == 1 ? Palette() : Bytes{}))
                      .Ok);
      const int stride = image.RowStride();
      for (int y = 0; y < height; ++y) {
        const std::uint8_t* stored = image.Pixels() + (height - 1 - y) * stride;
        const Bytes expected(rows.begin() + y * width * bytesPerPixel, rows.begin() + (y + 1) * width * bytesPerPixel);
        EXPECT_EQ(Bytes(stored, stored + width * bytesPerPixel), expected) << width << "/" << bytesPerPixel << " row " << y;
      }
    }
  }
}

TEST(LoadSprite, RefusesWhatFailsTheSizeTestAndLeavesTheImage) {
  TDibBitmap image;
  ASSERT_TRUE(LoadBytes(image, MakeSprite(9, 3, 1, Bytes(9, 1))).Ok);
  const Bytes palette = Palette();
  struct Case {
    const char* Name;
    Bytes Sprite;
  } cases[] = {
      {"data size one too many", MakeSprite(5, 2, 2, Bytes(5), palette)},
      {"shorter than the header", Bytes{4, 0, 0, 0, 2, 0}},
      {"negative sizes", MakeSprite(6, -2, -3, Bytes(6), palette)},
      {"eight-bit shorter than a palette", MakeSprite(4, 2, 2, Bytes(4))},
      {"overflowing product", MakeSprite(0, 65536, 65536, {})},
      {"pixel count times three overflows", MakeSprite(1, 0x7FFFFFFF, 0x7FFFFFFF, Bytes(768), palette)},
  };
  for (const Case& c : cases) {
    Loaded r = LoadBytes(image, c.Sprite);
    EXPECT_FALSE(r.Ok) << c.Name;
    EXPECT_STREQ(ImageErrorText(r.Error), "Неверный формат!") << c.Name;
    EXPECT_EQ(image.Width(), 3) << c.Name << ": the previous image stays";
  }
  TOutcome outcome;
  EXPECT_FALSE(LoadSprite(image, "/nonexistent.pcx", &outcome));
  EXPECT_EQ(outcome.Error, TImageError::CannotOpen);
  EXPECT_EQ(outcome.Text(), "Cannot open file: No such file or directory");
  TempDir dir;
  EXPECT_FALSE(LoadSprite(image, dir.Path(), &outcome)) << "a directory is not a sprite";
  EXPECT_EQ(outcome.Error, TImageError::NotRegularFile);
  EXPECT_EQ(image.Width(), 3);
}

TEST(LoadSprite, AnEmptySpriteCountsAsTwentyFourBitAndGivesAnEmptyImage) {
  TDibBitmap image;
  // The second claims 2^31 - 1 rows of no bytes; it must not walk them.
  for (std::int32_t height : {5, 0x7FFFFFFF}) {
    Loaded r = LoadBytes(image, MakeSprite(0, 0, height, {}));
    EXPECT_TRUE(r.Ok);
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.GetPixelFormat(), pxDevice);
  }
}

TEST(LoadSprite, ASpriteCutShortLoadsAsAnEmptyImageWithoutAllocatingItsClaim) {
  TDibBitmap image;
  // 16000 x 16000 x 3 bytes announced by a 40-byte file: read as a sprite
  // whose rows are missing, without building a 768 MB image of it.
  Loaded r = LoadBytes(image, MakeSprite(16000 * 16000 * 3, 16000, 16000, Bytes(28)));
  EXPECT_TRUE(r.Ok);
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(r.Error, TImageError::ShortRead);
  // Above the pixel cap the sprite is refused outright.
  r = LoadBytes(image, MakeSprite(26000 * 26000 * 3, 26000, 26000, Bytes(28)));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, TImageError::OverLimit);
}

TEST(LoadSprite, IgnoresBytesBetweenThePixelsAndThePalette) {
  Bytes rows(52, 0xEE);  // two pixels, then 50 bytes that are not read
  rows[0] = 7;
  rows[1] = 8;
  TDibBitmap image;
  ASSERT_TRUE(LoadBytes(image, MakeSprite(2, 2, 1, rows, Palette())).Ok);
  EXPECT_EQ(image.Pixels()[0], 7);
  EXPECT_EQ(image.Pixels()[1], 8);
  EXPECT_EQ(image.Info()->Table()[2], 0) << "entry 0's red is the palette's first byte";
}

// The promise users rely on: sprite -> BMP file -> sprite is byte-identical.
TEST(SaveSprite, RoundTripThroughABmpFileIsByteIdentical) {
  TempDir dir;
  for (int width : {1, 3, 5, 6, 7, 47}) {
    const int height = 4;
    const Bytes original = MakeSprite(width * height, width, height, Pattern(static_cast<std::size_t>(width * height), 3),
                                      Palette());
    test::WriteFileBytes(dir / "in.pcx", original);
    TDibBitmap image;
    ASSERT_TRUE(LoadSprite(image, dir / "in.pcx"));
    ASSERT_TRUE(image.WriteBmpFile(dir / "mid.bmp").Ok());
    TDibBitmap bmp;
    ASSERT_TRUE(bmp.ReadBmpFile(dir / "mid.bmp"));
    ASSERT_TRUE(SaveSprite(bmp, dir / "out.pcx").Ok());
    EXPECT_EQ(test::ReadFileBytes(dir / "out.pcx"), original) << "width " << width;
  }
}

TEST(SaveSprite, RefusesImagesThatAreNotEightBit) {
  TempDir dir;
  TDibBitmap image;
  test::WriteFileBytes(dir / "in.pcx", MakeSprite(9, 3, 1, Bytes(9, 1)));
  ASSERT_TRUE(LoadSprite(image, dir / "in.pcx"));
  const TOutcome r = SaveSprite(image, dir / "out.pcx");
  EXPECT_EQ(r.Error, TImageError::NotEightBit);
  EXPECT_EQ(r.Text(), "Not an 8-bit image");
  EXPECT_FALSE(std::filesystem::exists(dir / "out.pcx"));
  TDibBitmap empty;
  EXPECT_EQ(SaveSprite(empty, dir / "out.pcx").Error, TImageError::EmptyImage);
}

TEST(SaveSprite, ATopDownImageIsSavedTheRightWayUp) {
  // A top-down 8-bit BMP: first stored row is the top row.
  test::InfoHeader h;
  h.Width = 3;
  h.Height = -2;
  h.BitCount = 8;
  TDibBitmap image;
  auto s = test::StreamOf(test::MakeBmp(h, test::MakeTable(256), Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
  ASSERT_TRUE(image.ReadBmpStream(*s));
  TempDir dir;
  ASSERT_TRUE(SaveSprite(image, dir / "t.pcx").Ok());
  const Bytes sprite = test::ReadFileBytes(dir / "t.pcx");
  ASSERT_EQ(sprite.size(), 12u + 6 + 768);
  EXPECT_EQ(Bytes(sprite.begin() + 12, sprite.begin() + 18), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(SaveSprite, ReducedImagesSaveWithTheirFixedTable) {
  TempDir dir;
  TDibBitmap image;
  test::WriteFileBytes(dir / "in.pcx", MakeSprite(6, 2, 1, Bytes{255, 0, 0, 0, 0, 255}));
  ASSERT_TRUE(LoadSprite(image, dir / "in.pcx"));
  image.SetPixelFormat(px8);
  ASSERT_TRUE(SaveSprite(image, dir / "out.pcx").Ok());
  const Bytes sprite = test::ReadFileBytes(dir / "out.pcx");
  ASSERT_EQ(sprite.size(), 12u + 2 + 768);
  // Pure blue and pure red are first found in the colour cube: 10 + 5 and
  // 10 + 5 x 36.
  EXPECT_EQ(sprite[12], 15);
  EXPECT_EQ(sprite[13], 190);
  EXPECT_EQ(Bytes(sprite.begin() + 14 + 3 * 190, sprite.begin() + 14 + 3 * 191), (Bytes{255, 0, 0}));
}

// A 24-bit sprite -> BMP file -> 24-bit sprite comes back byte for byte.
TEST(SaveSprite24, RoundTripThroughABmpFileIsByteIdentical) {
  TempDir dir;
  for (int width : {1, 3, 5, 6, 7, 47}) {
    const int height = 3;
    const Bytes original =
        MakeSprite(width * height * 3, width, height, Pattern(static_cast<std::size_t>(width * height * 3), 5));
    test::WriteFileBytes(dir / "in.pcx", original);
    TDibBitmap image;
    ASSERT_TRUE(LoadSprite(image, dir / "in.pcx"));
    ASSERT_TRUE(image.WriteBmpFile(dir / "mid.bmp").Ok());
    TDibBitmap bmp;
    ASSERT_TRUE(bmp.ReadBmpFile(dir / "mid.bmp"));
    ASSERT_TRUE(SaveSprite24(bmp, dir / "out.pcx").Ok());
    EXPECT_EQ(test::ReadFileBytes(dir / "out.pcx"), original) << "width " << width;
  }
}

// Every depth becomes a 24-bit sprite of exactly the colours it shows.
TEST(SaveSprite24, WritesTheColoursOfEveryDepthWithoutReduction) {
  const std::string samples = std::string(KELVANE_SOURCE_DIR) + "/samples/";
  TempDir dir;
  for (const char* name : {"bmp1-37x19.bmp", "bmp4rle-29x17.bmp", "bmp8topdown-47x33.bmp", "bmp16-555-45x30.bmp",
                           "bmp16-565-45x30.bmp", "bmp24topdown-45x30.bmp", "bmp32-41x31.bmp"}) {
    TDibBitmap image;
    ASSERT_TRUE(image.ReadBmpFile(samples + name)) << name;
    ASSERT_TRUE(SaveSprite24(image, dir / "out.pcx").Ok()) << name;
    const Bytes sprite = test::ReadFileBytes(dir / "out.pcx");
    const TPixelRows32 rows = image.Rows32();
    ASSERT_EQ(sprite.size(), 12u + std::size_t(rows.Width) * std::size_t(rows.Height) * 3) << name;
    EXPECT_EQ(test::Get32(sprite, 0), std::uint32_t(rows.Width * rows.Height * 3)) << name;
    std::size_t at = 12, wrong = 0;
    for (int y = 0; y < rows.Height; ++y)
      for (int x = 0; x < rows.Width; ++x, at += 3)
        if ((0xFF000000u | std::uint32_t(sprite[at + 2]) << 16 | std::uint32_t(sprite[at + 1]) << 8 | sprite[at]) !=
            rows.Row(y)[x])
          ++wrong;
    EXPECT_EQ(wrong, 0u) << name;
    TDibBitmap back;
    ASSERT_TRUE(LoadSprite(back, dir / "out.pcx")) << name;
    EXPECT_EQ(back.GetPixelFormat(), px24) << name;
  }
}

TEST(SaveSprite24, DropsTheAlphaByteAndRefusesAnEmptyImage) {
  // A 32-bit BMP whose pixels carry alpha 0x80 and 0x00.
  test::InfoHeader h;
  h.Width = 2;
  h.BitCount = 32;
  TDibBitmap image;
  auto s = test::StreamOf(test::MakeBmp(h, {}, Bytes{1, 2, 3, 0x80, 4, 5, 6, 0}));
  ASSERT_TRUE(image.ReadBmpStream(*s));
  TempDir dir;
  ASSERT_TRUE(SaveSprite24(image, dir / "a.pcx").Ok());
  const Bytes sprite = test::ReadFileBytes(dir / "a.pcx");
  EXPECT_EQ(Bytes(sprite.begin() + 12, sprite.end()), (Bytes{1, 2, 3, 4, 5, 6}));

  TDibBitmap empty;
  EXPECT_EQ(SaveSprite24(empty, dir / "e.pcx").Error, TImageError::EmptyImage);
  EXPECT_FALSE(std::filesystem::exists(dir / "e.pcx"));
}

}  // namespace
}  // namespace kelvane
