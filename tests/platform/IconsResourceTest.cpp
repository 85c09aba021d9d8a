// The "ICONS" strip and the "ARCHIVE" icon: their headers are what the image
// list expects, and each picture has both drawn and transparent pixels.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "resources/Resources.h"

namespace kelvane {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

constexpr std::size_t kHeaderBytes = 40;
constexpr std::size_t kPaletteBytes = 1024;
constexpr int kWidth = 96;
constexpr int kHeight = 16;

TEST(IconsResource, IsAHeaderlessEightBitStripOfSixIcons) {
  const TResource* icons = KelvaneResources().Find("ICONS");
  ASSERT_NE(icons, nullptr);
  const std::uint8_t* b = icons->Bytes.data();
  ASSERT_EQ(icons->Bytes.size(), kHeaderBytes + kPaletteBytes + std::size_t{kWidth} * kHeight);
  EXPECT_EQ(Le32(b + 0), 40u);                      // biSize
  EXPECT_EQ(static_cast<std::int32_t>(Le32(b + 4)), kWidth);
  EXPECT_EQ(static_cast<std::int32_t>(Le32(b + 8)), kHeight);  // positive: bottom-up
  EXPECT_EQ(Le16(b + 12), 1u);                      // planes
  EXPECT_EQ(Le16(b + 14), 8u);                      // bits per pixel
  EXPECT_EQ(Le32(b + 16), 0u);                      // uncompressed
  const std::uint32_t used = Le32(b + 32);          // 0 means all 256
  EXPECT_TRUE(used == 0 || used == 256);

  // Colour table entries are blue, green, red, reserved.
  auto isWhite = [&](std::uint8_t index) {
    const std::uint8_t* c = b + kHeaderBytes + 4 * std::size_t{index};
    return c[0] == 255 && c[1] == 255 && c[2] == 255;
  };
  const std::uint8_t* pixels = b + kHeaderBytes + kPaletteBytes;
  std::vector<std::vector<std::uint8_t>> icons6(6);
  for (int icon = 0; icon < 6; ++icon) {
    SCOPED_TRACE(icon);
    int white = 0, drawn = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < 16; ++x) {
        std::uint8_t index = pixels[y * kWidth + icon * 16 + x];
        icons6[static_cast<std::size_t>(icon)].push_back(index);
        (isWhite(index) ? white : drawn)++;
      }
    EXPECT_GT(white, 16) << "no transparent surround";
    EXPECT_GT(drawn, 40) << "hardly anything drawn";
  }
  // Six different pictures, not one repeated.
  EXPECT_EQ(std::set<std::vector<std::uint8_t>>(icons6.begin(), icons6.end()).size(), 6u);
}

TEST(IconsResource, TheArchiveIconIsAHeaderlessEightBitPictureOfItsOwn) {
  const TResource* archive = KelvaneResources().Find("ARCHIVE");
  const TResource* strip = KelvaneResources().Find("ICONS");
  ASSERT_NE(archive, nullptr);
  ASSERT_NE(strip, nullptr);
  const std::uint8_t* b = archive->Bytes.data();
  ASSERT_EQ(archive->Bytes.size(), kHeaderBytes + kPaletteBytes + 16u * 16u);
  EXPECT_EQ(Le32(b + 0), 40u);
  EXPECT_EQ(static_cast<std::int32_t>(Le32(b + 4)), 16);
  EXPECT_EQ(static_cast<std::int32_t>(Le32(b + 8)), 16);
  EXPECT_EQ(Le16(b + 12), 1u);
  EXPECT_EQ(Le16(b + 14), 8u);
  EXPECT_EQ(Le32(b + 16), 0u);

  // Compared by colour, as the image list sees them: the two files have
  // palettes of their own.
  auto colour = [](const std::uint8_t* bytes, std::uint8_t index) {
    const std::uint8_t* c = bytes + kHeaderBytes + 4 * std::size_t{index};
    return std::uint32_t{c[0]} | std::uint32_t{c[1]} << 8 | std::uint32_t{c[2]} << 16;
  };
  constexpr std::uint32_t kWhite = 0xFFFFFF;
  std::vector<std::uint32_t> picture;
  int white = 0;
  for (std::size_t i = 0; i < 256; ++i) {
    picture.push_back(colour(b, b[kHeaderBytes + kPaletteBytes + i]));
    if (picture.back() == kWhite) ++white;
  }
  EXPECT_GT(white, 16) << "no transparent surround";
  EXPECT_GT(256 - white, 40) << "hardly anything drawn";
  // Not one of the six folder and drive pictures again.
  const std::uint8_t* s = strip->Bytes.data();
  for (int icon = 0; icon < 6; ++icon) {
    std::vector<std::uint32_t> other;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) other.push_back(colour(s, s[kHeaderBytes + kPaletteBytes + y * kWidth + icon * 16 + x]));
    EXPECT_NE(picture, other) << icon;
  }
}

}  // namespace
}  // namespace kelvane
