// Reduction onto a given palette: indexes kept when the palette is the
// image's own, exact round trips through 24 bits, reserved entries taken
// only by their own colour or by alpha, the count of inexact pixels, and the
// exact mode that refuses instead of mapping.
#include "image/PaletteReduction.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/NearestColorMap.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;

constexpr std::uint32_t kGamePalette[8] = {0x00FFFF, 0xFF96FF, 0xFF64FF, 0xFF32FF,
                                           0xFF00FF, 0xFFFF00, 0xB400FF, 0x00FF00};

// A palette with the eight reserved colours first and distinct others.
TPalette GamePalette() {
  TPalette p;
  p.Count = 256;
  for (std::size_t i = 0; i < 8; ++i) p.Colors[i] = kGamePalette[i];
  for (std::size_t i = 8; i < 256; ++i) p.Colors[i] = static_cast<std::uint32_t>((i * 37 % 256) << 16 | (i * 91 % 256) << 8 | (255 - i));
  return p;
}

std::size_t Stride(int width, int bits) { return static_cast<std::size_t>((width * bits + 31) / 32 * 4); }

// Images from top-down pixel lists, stored bottom-up as most files are.
TDibBitmap* Load(TDibBitmap& image, const test::InfoHeader& h, const Bytes& table, const Bytes& pixels) {
  auto stream = test::StreamOf(test::MakeBmp(h, table, pixels));
  EXPECT_TRUE(image.ReadBmpStream(*stream)) << image.LastErrorText();
  return &image;
}

void Load8(TDibBitmap& image, const TPalette& palette, int width, int height, const std::vector<std::uint8_t>& indexes) {
  Bytes table;
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint32_t c = palette.Colors[i];
    table.insert(table.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16), 0});
  }
  Bytes pixels(Stride(width, 8) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[static_cast<std::size_t>(height - 1 - y) * Stride(width, 8) + static_cast<std::size_t>(x)] =
          indexes[static_cast<std::size_t>(y * width + x)];
  Load(image, {.Width = width, .Height = height, .BitCount = 8}, table, pixels);
}

// 0xAARRGGBB per pixel; 24-bit drops the alpha.
void LoadDeep(TDibBitmap& image, int bits, int width, int height, const std::vector<std::uint32_t>& argb) {
  Bytes pixels(Stride(width, bits) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = argb[static_cast<std::size_t>(y * width + x)];
      std::uint8_t* at = pixels.data() + static_cast<std::size_t>(height - 1 - y) * Stride(width, bits) +
                         static_cast<std::size_t>(x * bits / 8);
      for (int k = 0; k < bits / 8; ++k) at[k] = static_cast<std::uint8_t>(c >> (8 * k));
    }
  Load(image, {.Width = width, .Height = height, .BitCount = static_cast<std::uint16_t>(bits)}, {}, pixels);
}

std::vector<std::uint8_t> IndexesOf(TDibBitmap& image) {
  EXPECT_EQ(image.GetPixelFormat(), px8);
  std::vector<std::uint8_t> out;
  const bool topDown = image.Info()->biHeight() < 0;
  for (int y = 0; y < image.Height(); ++y) {
    const int stored = topDown ? y : image.Height() - 1 - y;
    const std::uint8_t* row = image.Pixels() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(image.RowStride());
    out.insert(out.end(), row, row + image.Width());
  }
  return out;
}

TEST(PaletteReduction, KeepsTheIndexesOfAnImageThatHasThePalette) {
  const TPalette palette = GamePalette();
  // Indexes of every kind, reserved ones included, at an odd width.
  std::vector<std::uint8_t> indexes;
  for (int i = 0; i < 7 * 5; ++i) indexes.push_back(static_cast<std::uint8_t>(i * 7));
  TDibBitmap image;
  Load8(image, palette, 7, 5, indexes);
  const TReductionReport report = ReduceToPalette(image, palette, {});
  EXPECT_TRUE(report.Outcome.Ok());
  EXPECT_TRUE(report.IndexesKept);
  EXPECT_EQ(report.InexactPixels, 0);
  EXPECT_EQ(IndexesOf(image), indexes);
}

TEST(PaletteReduction, TwentyFourBitCopiesOfASpriteComeBackToTheSameIndexes) {
  const TPalette palette = GamePalette();
  std::mt19937 random(5);
  const int width = 13, height = 9;
  std::vector<std::uint8_t> indexes(width * height);
  std::vector<std::uint32_t> colours;
  for (auto& i : indexes) {
    i = static_cast<std::uint8_t>(random());
    colours.push_back(palette.Colors[i]);
  }
  for (int bits : {24, 32}) {
    TDibBitmap image;
    LoadDeep(image, bits, width, height, colours);
    const TReductionReport report = ReduceToPalette(image, palette, {});
    ASSERT_TRUE(report.Outcome.Ok()) << bits;
    EXPECT_FALSE(report.IndexesKept);
    EXPECT_EQ(report.InexactPixels, 0) << bits;
    EXPECT_EQ(IndexesOf(image), indexes) << bits;
    EXPECT_EQ(PaletteOf(image), palette) << "the palette becomes the image's table";
  }
}

TEST(PaletteReduction, ReservedEntriesAreTakenOnlyByTheirOwnColour) {
  const TPalette palette = GamePalette();
  // Each pixel: the colour, the index expected with entries 0-7 reserved,
  // and with none reserved.
  struct Row {
    std::uint32_t Colour;
    std::uint8_t Reserved, Unreserved;
  };
  TNearestColorMap ordinary(std::span<const std::uint32_t>(palette.Colors.data() + 8, 248));
  auto nearestOrdinary = [&](std::uint32_t c) { return static_cast<std::uint8_t>(8 + ordinary.Nearest(c)); };
  const Row rows[] = {
      {0x00FFFF, 0, 0},
      {0x00FFFE, nearestOrdinary(0x00FFFE), 0},
      {0xFF00FF, 4, 4},
      {0xFE01FE, nearestOrdinary(0xFE01FE), 4},
      {0x00FF00, 7, 7},
      {palette.Colors[200], 200, 200},
  };
  std::vector<std::uint32_t> colours;
  for (const Row& r : rows) colours.push_back(r.Colour);
  TReservedEntries none;
  ASSERT_TRUE(ParseReservedEntries("none", none));
  for (const bool reserveDefault : {true, false}) {
    TDibBitmap image;
    LoadDeep(image, 24, static_cast<int>(std::size(rows)), 1, colours);
    TReductionOptions options;
    if (!reserveDefault) options.Reserved = none;
    const TReductionReport report = ReduceToPalette(image, palette, options);
    ASSERT_TRUE(report.Outcome.Ok());
    EXPECT_EQ(report.InexactPixels, 2);
    const auto got = IndexesOf(image);
    for (std::size_t i = 0; i < std::size(rows); ++i)
      EXPECT_EQ(got[i], reserveDefault ? rows[i].Reserved : rows[i].Unreserved) << std::hex << rows[i].Colour;
  }
}

TEST(PaletteReduction, AlphaGivesTransparencyAndShadowsWhenTheImageUsesIt) {
  const TPalette palette = GamePalette();
  const std::uint32_t colour = palette.Colors[77];
  // Alpha 0, 64, 128, 255 and one other value.
  const std::vector<std::uint32_t> withAlpha = {0x00000000 | 0x123456, 0x40000000 | colour, 0x80000000 | colour,
                                                0xFF000000 | colour, 0x20000000 | colour};
  TDibBitmap image;
  LoadDeep(image, 32, 5, 1, withAlpha);
  TReductionReport report = ReduceToPalette(image, palette, {});
  ASSERT_TRUE(report.Outcome.Ok());
  EXPECT_EQ(IndexesOf(image), (std::vector<std::uint8_t>{0, 1, 4, 77, 77}));
  EXPECT_EQ(report.InexactPixels, 0);

  // A 32-bit image whose fourth bytes are all 0 has no alpha: colours count.
  std::vector<std::uint32_t> noAlpha = {colour, palette.Colors[3], palette.Colors[9]};
  TDibBitmap plain;
  LoadDeep(plain, 32, 3, 1, noAlpha);
  report = ReduceToPalette(plain, palette, {});
  ASSERT_TRUE(report.Outcome.Ok());
  EXPECT_EQ(IndexesOf(plain), (std::vector<std::uint8_t>{77, 3, 9}));
}

TEST(PaletteReduction, ExactModeRefusesAndLeavesTheImageAsItWas) {
  const TPalette palette = GamePalette();
  TDibBitmap image;
  LoadDeep(image, 24, 3, 2, {palette.Colors[10], 0x010203, palette.Colors[11], 0x010203, 0x040506, palette.Colors[0]});
  TReductionOptions options;
  options.Exact = true;
  const TReductionReport report = ReduceToPalette(image, palette, options);
  EXPECT_EQ(report.Outcome.Error, TImageError::InexactColors);
  EXPECT_EQ(report.InexactPixels, 3);
  EXPECT_EQ(image.GetPixelFormat(), px24);

  options.Exact = false;
  EXPECT_TRUE(ReduceToPalette(image, palette, options).Outcome.Ok());
  EXPECT_EQ(image.GetPixelFormat(), px8);
}

TEST(PaletteReduction, EveryDepthMapsLikeTheDefinition) {
  // Sources through a colour table (1, 4 and 8 bits with another palette)
  // and 16-bit: each pixel must land on the nearest ordinary entry of what
  // it shows.
  const TPalette palette = GamePalette();
  std::mt19937 random(11);
  for (int bits : {1, 4, 8, 16}) {
    const int width = 11, height = 3;
    Bytes table;
    if (bits <= 8)
      for (int i = 0; i < (1 << bits); ++i)
        table.insert(table.end(), {std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random()), 0});
    Bytes pixels(Stride(width, bits) * height);
    for (auto& b : pixels) b = static_cast<std::uint8_t>(random());
    TDibBitmap image;
    Load(image, {.Width = width, .Height = height, .BitCount = static_cast<std::uint16_t>(bits)}, table, pixels);
    const TPixelRows32 rows = image.Rows32();
    std::vector<std::uint32_t> shown;
    for (int y = 0; y < height; ++y) shown.insert(shown.end(), rows.Row(y), rows.Row(y) + width);
    ASSERT_TRUE(ReduceToPalette(image, palette, {}).Outcome.Ok()) << bits;
    const auto got = IndexesOf(image);
    TNearestColorMap reference(palette.Colors, DefaultReservedEntries());
    for (std::size_t i = 0; i < got.size(); ++i)
      ASSERT_EQ(got[i], reference.Nearest(shown[i] & 0xFFFFFF)) << bits << " bits, pixel " << i;
  }
}

TEST(PaletteReduction, RefusesEmptyImagesAndPalettesWithoutOrdinaryEntries) {
  TDibBitmap empty;
  EXPECT_EQ(ReduceToPalette(empty, GamePalette(), {}).Outcome.Error, TImageError::EmptyImage);
  TDibBitmap image;
  LoadDeep(image, 24, 1, 1, {0x112233});
  TPalette small;
  small.Count = 8;
  for (std::size_t i = 0; i < 8; ++i) small.Colors[i] = kGamePalette[i];
  EXPECT_EQ(ReduceToPalette(image, small, {}).Outcome.Error, TImageError::InvalidPalette);
  EXPECT_EQ(ReduceToPalette(image, TPalette{}, {}).Outcome.Error, TImageError::InvalidPalette);
  EXPECT_EQ(image.GetPixelFormat(), px24);
}

TEST(ReservedEntries, ReadsListsRangesAndNone) {
  struct Row {
    const char* Text;
    bool Ok;
    std::vector<int> Set;
  } rows[] = {
      {"0-7", true, {0, 1, 2, 3, 4, 5, 6, 7}},
      {"0-1,224-226", true, {0, 1, 224, 225, 226}},
      {"5", true, {5}},
      {"255", true, {255}},
      {"none", true, {}},
      {"", false, {}},
      {"256", false, {}},
      {"7-0", false, {}},
      {"1,,2", false, {}},
      {"1-", false, {}},
      {"a", false, {}},
      {"0-7 ", false, {}},
      {"00000001", false, {}},
  };
  for (const Row& r : rows) {
    TReservedEntries got;
    got[100] = true;  // untouched on failure
    EXPECT_EQ(ParseReservedEntries(r.Text, got), r.Ok) << '"' << r.Text << '"';
    if (!r.Ok) {
      EXPECT_TRUE(got[100]) << r.Text;
      continue;
    }
    TReservedEntries want;
    for (int i : r.Set) want[static_cast<std::size_t>(i)] = true;
    EXPECT_EQ(got, want) << r.Text;
  }
  EXPECT_EQ(DefaultReservedEntries().count(), 8u);
}

}  // namespace
}  // namespace kelvane
