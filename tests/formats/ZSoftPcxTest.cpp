// ZSoft PCX: each layout read to the right colours, the header test, and
// refusals that leave the image as it was.
#include "formats/ZSoftPcx.h"

#include <gtest/gtest.h>

#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;

struct Header {
  int Width = 4, Height = 2, Bits = 8, Planes = 1, BytesPerLine = 4, Version = 5, XMin = 0, YMin = 0;
  Bytes Colours = {};  // up to 48 bytes of the 16-colour palette
};

Bytes MakeHeader(const Header& h) {
  Bytes b{0x0A, static_cast<std::uint8_t>(h.Version), 1, static_cast<std::uint8_t>(h.Bits)};
  test::Put16(b, static_cast<std::uint16_t>(h.XMin));
  test::Put16(b, static_cast<std::uint16_t>(h.YMin));
  test::Put16(b, static_cast<std::uint16_t>(h.XMin + h.Width - 1));
  test::Put16(b, static_cast<std::uint16_t>(h.YMin + h.Height - 1));
  test::Put16(b, 72);
  test::Put16(b, 72);
  Bytes colours = h.Colours;
  colours.resize(48);
  b.insert(b.end(), colours.begin(), colours.end());
  b.push_back(0);
  b.push_back(static_cast<std::uint8_t>(h.Planes));
  test::Put16(b, static_cast<std::uint16_t>(h.BytesPerLine));
  b.resize(128);
  return b;
}

// Every byte as a run of one, so any value (0xC0 and up too) is safe.
Bytes RunsOfOne(const Bytes& lines) {
  Bytes b;
  for (std::uint8_t v : lines) b.insert(b.end(), {0xC1, v});
  return b;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// 256 entries: entry i is (i, 255 - i, 7).
Bytes VgaPalette() {
  Bytes p{0x0C};
  for (int i = 0; i < 256; ++i) p.insert(p.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7});
  return p;
}

// 16 colours: entry i is (16 i, 8 i, 255 - i).
Bytes HeaderColours() {
  Bytes c;
  for (int i = 0; i < 16; ++i)
    c.insert(c.end(), {static_cast<std::uint8_t>(16 * i), static_cast<std::uint8_t>(8 * i), static_cast<std::uint8_t>(255 - i)});
  return c;
}

std::uint32_t Rgb(int r, int g, int b) { return 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b); }

std::vector<std::uint32_t> PixelsOf(TDibBitmap& image) {
  const TPixelRows32 rows = image.Rows32();
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < rows.Height; ++y) pixels.insert(pixels.end(), rows.Row(y), rows.Row(y) + rows.Width);
  return pixels;
}

TOutcome Load(TDibBitmap& image, const Bytes& file) {
  TMemorySource source(file);
  return LoadZSoftPcx(image, source);
}

// A 3 x 2 picture in each layout; pixels listed top row first.
TEST(LoadZSoftPcx, ReadsEachLayoutToItsColours) {
  const Bytes hc = HeaderColours();
  auto colour = [&](int i) { return Rgb(hc[3 * i], hc[3 * i + 1], hc[3 * i + 2]); };
  auto vga = [](int i) { return Rgb(i, 255 - i, 7); };
  struct Row {
    const char* Name;
    Header H;
    Bytes Lines;      // decoded scan lines, each plane's line in turn
    Bytes Trailer;    // bytes after the rows
    TPixelFormat Format;
    std::vector<std::uint32_t> Pixels;
  } rows[] = {
      {"1 bit", {3, 2, 1, 1, 2}, {0xA0, 0, 0x40, 0}, {}, px1,
       {Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(0, 0, 0)}},
      // Plane k holds bit k: pixel 0 of the top line has bits 0 and 1.
      {"1 bit, 2 planes", {3, 2, 1, 2, 2, 5, 0, 0, hc}, {0x80, 0, 0xA0, 0, 0x20, 0, 0x40, 0}, {}, px4,
       {colour(3), colour(0), colour(2), colour(0), colour(2), colour(1)}},
      {"1 bit, 4 planes", {3, 2, 1, 4, 2, 5, 0, 0, hc},
       {0x80, 0, 0, 0, 0x40, 0, 0x20, 0, 0x20, 0, 0, 0, 0, 0, 0xE0, 0}, {}, px4,
       {colour(1), colour(4), colour(8), colour(8), colour(8), colour(8 + 1)}},
      {"4 bits packed", {3, 2, 4, 1, 2, 5, 0, 0, hc}, {0x1F, 0x20, 0x00, 0xE0}, {}, px4,
       {colour(1), colour(15), colour(2), colour(0), colour(0), colour(14)}},
      {"8 bits with a palette", {3, 2, 8, 1, 4}, {0, 1, 200, 9, 255, 254, 3, 0}, VgaPalette(), px8,
       {vga(0), vga(1), vga(200), vga(255), vga(254), vga(3)}},
      {"8 bits without a palette", {3, 2, 8, 1, 4}, {0, 1, 200, 9, 255, 254, 3, 0}, {}, px8,
       {Rgb(0, 0, 0), Rgb(1, 1, 1), Rgb(200, 200, 200), Rgb(255, 255, 255), Rgb(254, 254, 254), Rgb(3, 3, 3)}},
      {"24 bits in three planes", {3, 2, 8, 3, 4},
       {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0}, {}, px24,
       {Rgb(1, 4, 7), Rgb(2, 5, 8), Rgb(3, 6, 9), Rgb(10, 13, 16), Rgb(11, 14, 17), Rgb(12, 15, 18)}},
      // Version 3 files keep no palette: the EGA colours stand in.
      {"4 bits packed, version 3", {3, 2, 4, 1, 2, 3, 0, 0, hc}, {0x1F, 0x60, 0x00, 0xE0}, {}, px4,
       {Rgb(0, 0, 0xAA), Rgb(255, 255, 255), Rgb(0xAA, 0x55, 0), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(0xFF, 0xFF, 0x55)}},
  };
  for (Row& r : rows) {
    TDibBitmap image;
    const TOutcome read = Load(image, Concat(Concat(MakeHeader(r.H), RunsOfOne(r.Lines)), r.Trailer));
    ASSERT_TRUE(read.Ok()) << r.Name << ": " << read.Text();
    EXPECT_EQ(image.GetPixelFormat(), r.Format) << r.Name;
    EXPECT_EQ(image.Width(), 3) << r.Name;
    EXPECT_EQ(image.Height(), 2) << r.Name;
    EXPECT_EQ(PixelsOf(image), r.Pixels) << r.Name;
  }
}

TEST(LoadZSoftPcx, RunsCrossPlanesWithinALineAndDataAfterTheLastRowIsIgnored) {
  // Top line: one run of 12 over its three 4-byte planes, then a run of
  // nothing. Bottom line: 8 bytes of 1 (red and green), 4 of 2 (blue).
  const Bytes data = {0xCC, 9, 0xC0, 77, 0xC8, 1, 0xC4, 2, 3, 3, 3, 3};
  TDibBitmap image;
  ASSERT_TRUE(Load(image, Concat(MakeHeader({4, 2, 8, 3, 4}), data)).Ok());
  const std::vector<std::uint32_t> pixels = PixelsOf(image);
  ASSERT_EQ(pixels.size(), 8u);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(pixels[x], Rgb(9, 9, 9)) << x;
    EXPECT_EQ(pixels[4 + x], Rgb(1, 1, 2)) << x;
  }
}

TEST(LoadZSoftPcx, TheWindowsOriginDoesNotMoveThePicture) {
  Header h{2, 1, 8, 1, 2};
  h.XMin = 100;
  h.YMin = 50;
  TDibBitmap image;
  ASSERT_TRUE(Load(image, Concat(MakeHeader(h), RunsOfOne({10, 20}))).Ok());
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(PixelsOf(image), (std::vector<std::uint32_t>{Rgb(10, 10, 10), Rgb(20, 20, 20)}));
}

TEST(LoadZSoftPcx, RefusesBrokenFilesAndKeepsTheImage) {
  const Bytes line4 = RunsOfOne({1, 2, 3, 4, 5, 6, 7, 8});  // two lines of a 4 x 2 8-bit image
  Bytes xBackwards = MakeHeader({4, 2, 8, 1, 4});
  xBackwards[4] = 10;  // xmin 10, xmax 3
  Bytes yBackwards = MakeHeader({4, 2, 8, 1, 4});
  yBackwards[6] = 9;  // ymin 9, ymax 1
  struct Row {
    const char* Name;
    Bytes File;
    TImageError Error;
  } rows[] = {
      {"xmax below xmin", Concat(xBackwards, line4), TImageError::BadHeader},
      {"ymax below ymin", Concat(yBackwards, line4), TImageError::BadHeader},
      {"lines too short for the width", Concat(MakeHeader({9, 2, 8, 1, 4}), line4), TImageError::BadHeader},
      {"a run past its line", Concat(MakeHeader({4, 2, 8, 1, 4}), Bytes{0xC5, 1, 0xC3, 1, 0xC4, 2}),
       TImageError::DamagedCompression},
      {"a run's value missing", Concat(MakeHeader({4, 2, 8, 1, 4}), Bytes{0xC4, 1, 0xC4}), TImageError::ShortRead},
      {"rows missing", Concat(MakeHeader({4, 2, 8, 1, 4}), RunsOfOne({1, 2, 3, 4})), TImageError::ShortRead},
      {"two bits per pixel", Concat(MakeHeader({4, 2, 2, 1, 2}), RunsOfOne({1, 2, 3, 4})),
       TImageError::UnsupportedFormat},
      {"8 bits in 4 planes", Concat(MakeHeader({2, 1, 8, 4, 2}), RunsOfOne(Bytes(8, 1))), TImageError::UnsupportedFormat},
      {"above the pixel cap", Concat(MakeHeader({65534, 65535, 8, 3, 65534}), Bytes(64, 0xFF)),
       TImageError::OverLimit},
      {"not ZSoft at all", Bytes(200, 0), TImageError::BadHeader},
  };
  for (const Row& r : rows) {
    TDibBitmap image;
    ASSERT_TRUE(Load(image, Concat(MakeHeader({2, 1, 8, 1, 2}), RunsOfOne({1, 2}))).Ok());
    EXPECT_EQ(Load(image, r.File).Error, r.Error) << r.Name;
    EXPECT_EQ(image.Width(), 2) << r.Name << ": the image stays";
  }
}

TEST(LooksLikeZSoftPcx, NeedsEveryFieldOfTheHeaderTest) {
  const Bytes good = MakeHeader({4, 2, 8, 1, 4});
  struct Row {
    const char* Name;
    std::size_t Offset;
    std::uint8_t Value;
    bool Looks;
  } rows[] = {
      {"as made", 0, 0x0A, true},          {"manufacturer", 0, 0x0B, false}, {"version 1", 1, 1, false},
      {"version 0", 1, 0, true},           {"version 6", 1, 6, false},       {"encoding 0", 2, 0, false},
      {"3 bits per plane", 3, 3, false},   {"2 bits per plane", 3, 2, true}, {"reserved byte", 64, 1, false},
      {"no planes", 65, 0, false},         {"5 planes", 65, 5, false},       {"odd bytes per line", 66, 5, false},
      {"no bytes per line", 66, 0, false},
  };
  for (const Row& r : rows) {
    Bytes file = good;
    file[r.Offset] = r.Value;
    TMemorySource source(file);
    EXPECT_EQ(LooksLikeZSoftPcx(source), r.Looks) << r.Name;
  }
  const Bytes shortFile(good.begin(), good.begin() + 127);
  TMemorySource shortSource(shortFile);
  EXPECT_FALSE(LooksLikeZSoftPcx(shortSource)) << "shorter than the header";
}

}  // namespace
}  // namespace kelvane
