// The converter against a slow reference written separately here: every
// source layout to every target format, pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "image/DibBitmap.h"
#include "image/FixedPalettes.h"
#include "image/NearestColorMap.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::InfoHeader;

struct Source {
  const char* Name;
  int Bits;
  std::uint32_t Compression;
  std::uint32_t Masks[3];
  bool TopDown;
};

const Source kSources[] = {
    {"1-bit", 1, 0, {}, false},
    {"4-bit", 4, 0, {}, true},
    {"8-bit", 8, 0, {}, false},
    {"16-bit 5-5-5", 16, 0, {}, false},
    {"16-bit 5-6-5", 16, 3, {0xF800, 0x07E0, 0x001F}, true},
    {"16-bit 4-4-4 reversed", 16, 3, {0x000F, 0x00F0, 0x0F00}, false},
    {"24-bit", 24, 0, {}, true},
    {"32-bit", 32, 0, {}, false},
    {"32-bit 10-10-10", 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}, false},
};

constexpr int kWidth = 37, kHeight = 5;

// Slow, obvious decoding of one pixel to 0xRRGGBB.
std::uint32_t ReferencePixel(const Source& s, const Bytes& table, const Bytes& pixels, int stride, int storageRow,
                             int x) {
  const std::uint8_t* row = pixels.data() + storageRow * stride;
  if (s.Bits <= 8) {
    const int bitOffset = x * s.Bits;
    const int index = (row[bitOffset / 8] >> (8 - s.Bits - bitOffset % 8)) & ((1 << s.Bits) - 1);
    return (std::uint32_t{table[4 * index + 2]} << 16) | (table[4 * index + 1] << 8) | table[4 * index];
  }
  if (s.Bits == 24) return (std::uint32_t{row[3 * x + 2]} << 16) | (row[3 * x + 1] << 8) | row[3 * x];
  std::uint32_t v = 0;
  for (int i = 0; i < s.Bits / 8; ++i) v |= std::uint32_t{row[s.Bits / 8 * x + i]} << (8 * i);
  std::uint32_t masks[3] = {s.Masks[0], s.Masks[1], s.Masks[2]};
  if (s.Compression == 0 && s.Bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  if (s.Compression == 0 && s.Bits == 32) return v & 0xFFFFFF;
  std::uint32_t rgb = 0;
  for (std::uint32_t mask : masks) {
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const double max = static_cast<double>(mask >> shift);
    rgb = (rgb << 8) | static_cast<std::uint32_t>(std::floor(((v & mask) >> shift) * 255.0 / max + 0.5));
  }
  return rgb;
}

std::uint32_t TargetPixel(const TDibBitmap& b, int bits, int storageRow, int x) {
  const int stride = (kWidth * bits + 31) / 32 * 4;
  const std::uint8_t* row = b.Pixels() + storageRow * stride;
  if (bits <= 8) {
    const int bitOffset = x * bits;
    return (row[bitOffset / 8] >> (8 - bits - bitOffset % 8)) & ((1u << bits) - 1);
  }
  std::uint32_t v = 0;
  for (int i = 0; i < bits / 8; ++i) v |= std::uint32_t{row[bits / 8 * x + i]} << (8 * i);
  return v;
}

std::uint32_t ExpectedTarget(TPixelFormat format, std::uint32_t rgb) {
  const std::uint32_t r = rgb >> 16, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  switch (format) {
    case px1: return NearestColorBruteForce(MonoPalette(), rgb);
    case px4: return NearestColorBruteForce(VgaPalette(), rgb);
    case px8: return NearestColorBruteForce(HalftonePalette(), rgb);
    case px15: return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case px16: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case px24: return rgb;
    case px32: return rgb;  // the fourth byte is zero
    default: return 0;
  }
}

TEST(PixelConversion, EverySourceToEveryTargetMatchesTheReference) {
  std::mt19937 random(1234);
  for (const Source& s : kSources) {
    const int stride = (kWidth * s.Bits + 31) / 32 * 4;
    Bytes pixels(static_cast<std::size_t>(stride * kHeight));
    for (auto& p : pixels) p = static_cast<std::uint8_t>(random());
    Bytes between;
    if (s.Bits <= 8) {
      for (int i = 0; i < (4 << s.Bits); ++i) between.push_back(static_cast<std::uint8_t>(random()));
    } else if (s.Compression == 3) {
      for (std::uint32_t m : s.Masks) test::Put32(between, m);
    }
    InfoHeader h;
    h.Width = kWidth;
    h.Height = s.TopDown ? -kHeight : kHeight;
    h.BitCount = static_cast<std::uint16_t>(s.Bits);
    h.Compression = s.Compression;
    const Bytes file = test::MakeBmp(h, between, pixels);

    for (TPixelFormat target : {px1, px4, px8, px15, px16, px24, px32}) {
      TDibBitmap b;
      auto stream = test::StreamOf(file);
      ASSERT_TRUE(b.ReadBmpStream(*stream));
      const TPixelFormat before = b.GetPixelFormat();
      b.SetPixelFormat(target);
      const TPixelFormat expectedFormat =
          (before == px15 && target == px16) || (before == px16 && target == px15) ? before : target;
      ASSERT_EQ(b.GetPixelFormat(), expectedFormat) << s.Name << " -> " << int(target);
      if (expectedFormat != target || before == target) continue;  // nothing was converted

      const int bits = BitsPerPixelOf(target);
      const TBitmapInfoBlock& info = *b.Info();
      EXPECT_EQ(info.biSize(), 40u);
      EXPECT_EQ(info.biWidth(), kWidth);
      EXPECT_EQ(info.biHeight(), kHeight) << "converted rows are bottom-up";
      EXPECT_EQ(info.biBitCount(), bits);
      EXPECT_EQ(info.biCompression(), target == px16 ? 3u : 0u);
      EXPECT_EQ(info.biClrUsed(), 0u);
      EXPECT_EQ(b.PixelBytes(), (kWidth * bits + 31) / 32 * 4 * kHeight);
      if (bits <= 8) {
        const auto palette = FixedPaletteFor(bits);
        for (std::size_t i = 0; i < palette.size(); ++i)
          EXPECT_EQ(info.U32(40 + 4 * static_cast<int>(i)), palette[i]) << "table entry " << i;
      }
      int mismatches = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          // Picture row y is storage row y of a top-down source, and storage
          // row kHeight-1-y of every converted image.
          const int sourceRow = s.TopDown ? y : kHeight - 1 - y;
          const std::uint32_t rgb = ReferencePixel(s, between, pixels, stride, sourceRow, x);
          const std::uint32_t got = TargetPixel(b, bits, kHeight - 1 - y, x);
          if (got != ExpectedTarget(target, rgb) && ++mismatches < 5)
            ADD_FAILURE() << s.Name << " -> " << bits << " bits at " << x << "," << y << ": rgb " << std::hex << rgb
                          << " got " << got << " expected " << ExpectedTarget(target, rgb);
        }
    }
  }
}

TEST(PixelConversion, ReducingAnEightBitImageDoesNothing) {
  InfoHeader h;
  h.BitCount = 8;
  h.ClrUsed = 3;
  TDibBitmap b;
  auto s = test::StreamOf(test::MakeBmp(h, test::MakeTable(256), Bytes{9, 0, 0, 0}));
  ASSERT_TRUE(b.ReadBmpStream(*s));
  const TBitmapInfoBlock before = *b.Info();
  b.SetPixelFormat(px8);
  EXPECT_EQ(b.Info()->Bytes, before.Bytes);
  EXPECT_EQ(b.Pixels()[0], 9);
}

TEST(PixelConversion, HeaderFieldsAreNotCarriedOver) {
  InfoHeader h;
  h.BitCount = 8;
  h.ClrUsed = 7;
  TDibBitmap b;
  auto s = test::StreamOf(test::MakeBmp(h, test::MakeTable(256), Bytes(4)));
  ASSERT_TRUE(b.ReadBmpStream(*s));
  b.MutableInfo()->SetU32(24, 2834);
  b.SetPixelFormat(px24);
  EXPECT_EQ(b.Info()->U32(24), 0u);
  EXPECT_EQ(b.Info()->biClrUsed(), 0u);
}

TEST(PixelConversion, UndecodableSourcesAreLeftAlone) {
  InfoHeader h;
  h.BitCount = 64;
  TDibBitmap b;
  auto s = test::StreamOf(test::MakeBmp(h, {}, Bytes(8, 0x33)));
  ASSERT_TRUE(b.ReadBmpStream(*s));
  EXPECT_EQ(b.GetPixelFormat(), pxCustom);
  b.SetPixelFormat(px8);
  EXPECT_EQ(b.GetPixelFormat(), pxCustom);
  EXPECT_STREQ(b.LastErrorText(), "Unsupported bitmap format");
  EXPECT_EQ(b.Pixels()[7], 0x33);
}

TEST(FixedPalettes, HoldTheSystemColours) {
  const auto p = HalftonePalette();
  ASSERT_EQ(p.size(), 256u);
  EXPECT_EQ(p[0], 0x000000u);
  EXPECT_EQ(p[7], 0xC0C0C0u);
  EXPECT_EQ(p[8], 0xC0DCC0u);
  EXPECT_EQ(p[9], 0xA6CAF0u);
  EXPECT_EQ(p[246], 0xFFFBF0u);
  EXPECT_EQ(p[247], 0xA0A0A4u);
  EXPECT_EQ(p[249], 0xFF0000u);
  EXPECT_EQ(p[255], 0xFFFFFFu);
  EXPECT_EQ(VgaPalette().size(), 16u);
  EXPECT_EQ(MonoPalette()[1], 0xFFFFFFu);
}

}  // namespace
}  // namespace kelvane
