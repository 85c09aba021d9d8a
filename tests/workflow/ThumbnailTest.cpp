// Thumbnails: the box a file manager asks for, area-averaged shrinking in
// premultiplied alpha, which pixels become see-through, and files that give
// no thumbnail (and no output file).
#include "workflow/Thumbnail.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "formats/PngCodec.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::TempDir;

const std::string kSource = KELVANE_SOURCE_DIR;

TEST(ThumbnailSize, FitsTheBoxKeepsTheAspectAndNeverEnlarges) {
  struct Row {
    int Width, Height, Box;
    TThumbnailSize Expected;
  };
  const Row rows[] = {
      {33, 21, 128, {33, 21}},     // smaller than the box: as it is
      {128, 128, 128, {128, 128}}, // exactly the box
      {129, 129, 128, {128, 128}},
      {256, 128, 128, {128, 64}},
      {128, 256, 128, {64, 128}},
      {300, 200, 256, {256, 171}}, // 170.67 rounds up
      {800, 600, 128, {128, 96}},
      {1000, 1, 128, {128, 1}},    // a sliver keeps one pixel
      {1, 1000, 128, {1, 128}},
      {5000, 3, 256, {256, 1}},    // 0.15 would round to nothing
      {3, 2, 1, {1, 1}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ThumbnailSizeFor(r.Width, r.Height, r.Box), r.Expected) << r.Width << "x" << r.Height << " in " << r.Box;
}

TRgbaImage Rgba(int width, int height, const std::vector<std::uint32_t>& rgba) {
  TRgbaImage image;
  image.Width = width;
  image.Height = height;
  for (std::uint32_t p : rgba)
    for (int shift : {24, 16, 8, 0}) image.Pixels.push_back(static_cast<std::uint8_t>(p >> shift));
  return image;
}

std::uint32_t PixelAt(const TRgbaImage& image, int x, int y) {
  const std::uint8_t* p = image.At(x, y);
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

TEST(ShrinkByArea, AveragesEachPixelByTheAreaItCovers) {
  // Three grey pixels into two: each output pixel covers one and a half.
  const TRgbaImage row = ShrinkByArea(Rgba(3, 1, {0x000000FF, 0x5A5A5AFF, 0xB4B4B4FF}), 2, 1);
  EXPECT_EQ(PixelAt(row, 0, 0), 0x1E1E1EFFu);  // (0 + 90 / 2) / 1.5 = 30
  EXPECT_EQ(PixelAt(row, 1, 0), 0x969696FFu);  // (90 / 2 + 180) / 1.5 = 150

  // Four pixels into one, on both axes at once.
  const TRgbaImage square = ShrinkByArea(Rgba(2, 2, {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFFFFFFFF}), 1, 1);
  EXPECT_EQ(PixelAt(square, 0, 0), 0x808080FFu);

  // A flat image stays flat whatever the ratio.
  std::vector<std::uint32_t> flat(7 * 5, 0x123456FF);
  const TRgbaImage odd = ShrinkByArea(Rgba(7, 5, flat), 3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(odd, x, y), 0x123456FFu) << x << "," << y;
}

TEST(ShrinkByArea, TransparentPixelsLendNoColourToTheirNeighbours) {
  // Cyan see-through beside opaque red: half covered, half alpha, pure red.
  const TRgbaImage mixed = ShrinkByArea(Rgba(2, 1, {0x00FFFF00, 0xFF0000FF}), 1, 1);
  EXPECT_EQ(PixelAt(mixed, 0, 0), 0xFF000080u);
  // All see-through stays all see-through.
  const TRgbaImage clear = ShrinkByArea(Rgba(2, 2, {0x00FFFF00, 0x00FFFF00, 0x00FFFF00, 0x00FFFF00}), 1, 1);
  EXPECT_EQ(clear.Pixels[3], 0);
}

// An 8-bit sprite of `width` x `height` with `indexes` (top row first),
// entry 0 the game's cyan, entry 1 red, entry 2 green.
Bytes Sprite8(std::uint32_t width, std::uint32_t height, const Bytes& indexes) {
  Bytes b;
  test::Put32(b, width * height);
  test::Put32(b, width);
  test::Put32(b, height);
  b.insert(b.end(), indexes.begin(), indexes.end());
  Bytes palette(768, 0);
  palette[0] = 0, palette[1] = 255, palette[2] = 255;
  palette[3] = 255;
  palette[7] = 255;
  b.insert(b.end(), palette.begin(), palette.end());
  return b;
}

// The written thumbnail read back as RGBA.
TRgbaImage ReadBack(const std::string& path) {
  TDibBitmap image;
  EXPECT_TRUE(LoadPng(path, image).Ok()) << path;
  TRgbaImage rgba;
  EXPECT_TRUE(ToRgba(image, TThumbnailAlpha::AlphaBytes, rgba).Ok());
  return rgba;
}

TEST(WriteThumbnail, IndexZeroOfASpriteBecomesTransparent) {
  TempDir dir;
  test::WriteFileBytes(dir / "s.pcx", Sprite8(4, 2, {0, 0, 1, 2, 0, 0, 1, 2}));

  const TThumbnailResult full = WriteThumbnail(dir / "s.pcx", 128, dir / "full.png");
  ASSERT_TRUE(full.Why.Ok()) << full.Why.Text();
  EXPECT_EQ(full.Size, (TThumbnailSize{4, 2}));
  const TRgbaImage same = ReadBack(dir / "full.png");
  EXPECT_EQ(PixelAt(same, 0, 0) & 0xFF, 0u);
  EXPECT_EQ(PixelAt(same, 1, 1) & 0xFF, 0u);
  EXPECT_EQ(PixelAt(same, 2, 0), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(same, 3, 1), 0x00FF00FFu);

  // Halved: the left pixel was all cyan, the right one red and green.
  ASSERT_TRUE(WriteThumbnail(dir / "s.pcx", 2, dir / "half.png").Why.Ok());
  const TRgbaImage half = ReadBack(dir / "half.png");
  ASSERT_EQ(half.Width, 2);
  ASSERT_EQ(half.Height, 1);
  EXPECT_EQ(PixelAt(half, 0, 0) & 0xFF, 0u);
  EXPECT_EQ(PixelAt(half, 1, 0), 0x808000FFu);
}

TEST(WriteThumbnail, ASpriteOfNothingButIndexZeroStaysSeeThrough) {
  TempDir dir;
  test::WriteFileBytes(dir / "clear.pcx", Sprite8(3, 3, Bytes(9, 0)));
  ASSERT_TRUE(WriteThumbnail(dir / "clear.pcx", 2, dir / "clear.png").Why.Ok());
  // Read as stored: ToRgba would take all-zero alpha bytes for none at all.
  TDibBitmap back;
  ASSERT_TRUE(LoadPng(dir / "clear.png", back).Ok());
  ASSERT_EQ(back.GetPixelFormat(), px32);
  ASSERT_EQ(back.Width(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(back.Pixels()[y * back.RowStride() + 4 * x + 3], 0) << x << "," << y;
}

TEST(WriteThumbnail, EveryKindGivesAThumbnailOfTheFittedSize) {
  struct Row {
    const char* File;
    int Box;
    TThumbnailSize Expected;
    bool SeeThrough;  // index 0 or alpha in the source
  };
  const Row rows[] = {
      {"samples/sprite8-33x21.pcx", 128, {33, 21}, true},
      {"samples/sprite8-33x21.pcx", 16, {16, 10}, true},
      {"samples/sprite24-33x24.pcx", 16, {16, 12}, false},
      {"samples/creature-format1-48x40.def", 24, {24, 20}, true},
      {"samples/bmp8-47x33.bmp", 47, {47, 33}, false},  // index 0 of a BMP is a colour
      {"samples/bmp24-45x30.bmp", 30, {30, 20}, false},
      {"samples/bmp4rle-29x17.bmp", 10, {10, 6}, false},
      {"tests/corpus/pcx-kinds/zsoft8-47x33.pcx", 20, {20, 14}, false},
      {"tests/corpus/pcx-kinds/p32-41x31.pcx", 20, {20, 15}, true},
  };
  TempDir dir;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.File);
    const std::string out = dir / "out.png";
    std::filesystem::remove(out);
    const TThumbnailResult made = WriteThumbnail(kSource + "/" + r.File, r.Box, out);
    ASSERT_TRUE(made.Why.Ok()) << made.Why.Text();
    EXPECT_EQ(made.Size, r.Expected);
    const TRgbaImage back = ReadBack(out);
    EXPECT_EQ(back.Width, r.Expected.Width);
    EXPECT_EQ(back.Height, r.Expected.Height);
    EXPECT_EQ(back.HasTransparency(), r.SeeThrough);
  }
  // A PNG (a thumbnail itself) thumbnails like any other image.
  ASSERT_TRUE(WriteThumbnail(kSource + "/samples/creature-format1-48x40.def", 48, dir / "def.png").Why.Ok());
  ASSERT_TRUE(WriteThumbnail(dir / "def.png", 12, dir / "again.png").Why.Ok());
  const TRgbaImage again = ReadBack(dir / "again.png");
  EXPECT_EQ(again.Width, 12);
  EXPECT_EQ(again.Height, 10);
  EXPECT_TRUE(again.HasTransparency());
}

TEST(WriteThumbnail, AFileThatGivesNoImageLeavesNoFile) {
  TempDir dir;
  test::WriteFileBytes(dir / "empty.pcx", Sprite8(0, 0, {}));
  test::WriteFileBytes(dir / "notes.txt", Bytes{'h', 'i'});
  test::WriteFileBytes(dir / "cut.def", Bytes{0x42, 0, 0, 0, 1});
  struct Row {
    std::string Input;
    std::string Output;
    TImageError Error;
  };
  const Row rows[] = {
      {dir / "missing.pcx", dir / "a.png", TImageError::CannotOpen},
      {kSource + "/tests/corpus/pcx-kinds/plain-text.pcx", dir / "b.png", TImageError::InvalidSprite},
      {kSource + "/tests/corpus/pcx-kinds/renamed-png.pcx", dir / "c.png", TImageError::NotASprite},
      {dir / "notes.txt", dir / "d.png", TImageError::UnsupportedFormat},
      {dir / "empty.pcx", dir / "e.png", TImageError::EmptyImage},
      {dir / "cut.def", dir / "f.png", TImageError::ShortRead},
      {kSource + "/samples/bmp24-45x30.bmp", dir / "no-such-folder/g.png", TImageError::CannotCreate},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Input);
    const TThumbnailResult made = WriteThumbnail(r.Input, 64, r.Output);
    EXPECT_EQ(made.Why.Error, r.Error) << ImageErrorName(made.Why.Error);
    EXPECT_FALSE(std::filesystem::exists(r.Output));
  }
  // Nothing but the inputs is left in the folder (no temporary files).
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 3);
}

}  // namespace
}  // namespace kelvane
