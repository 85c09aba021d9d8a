// P32 images: read with their alpha kept, refused when their fields
// disagree, the image left as it was.
#include "formats/P32Image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;

struct Fields {
  std::uint32_t Bits = 32, FileSize = 0, HeaderSize = 40, DataSize = 0, Width = 0, Height = 0;
};

// A P32 file of `width` x `height` pixels whose byte i of the data is i;
// fields given in `f` replace the computed ones (0 = computed).
Bytes MakeP32(std::uint32_t width, std::uint32_t height, Fields f = {}, std::size_t extra = 0) {
  const std::uint32_t data = width * height * 4;
  Bytes b{'P', '3', '2', 'F'};
  test::Put32(b, 0);
  test::Put32(b, f.Bits);
  test::Put32(b, f.FileSize != 0 ? f.FileSize : 40 + data);
  test::Put32(b, f.HeaderSize);
  test::Put32(b, f.DataSize != 0 ? f.DataSize : data);
  test::Put32(b, f.Width != 0 ? f.Width : width);
  test::Put32(b, f.Height != 0 ? f.Height : height);
  test::Put32(b, 0);
  test::Put32(b, 0);
  for (std::uint32_t i = 0; i < data + extra; ++i) b.push_back(static_cast<std::uint8_t>(i));
  return b;
}

TOutcome Load(TDibBitmap& image, const Bytes& file) {
  TMemorySource source(file);
  return LoadP32(image, source);
}

TEST(LoadP32, KeepsEveryByteOfItsBottomUpRowsAlphaIncluded) {
  const Bytes file = MakeP32(3, 2, {}, 5);  // five bytes after the pixels, ignored
  TDibBitmap image;
  ASSERT_TRUE(Load(image, file).Ok());
  EXPECT_EQ(image.GetPixelFormat(), px32);
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 2);
  ASSERT_EQ(image.PixelBytes(), 24);
  EXPECT_EQ(std::memcmp(image.Pixels(), file.data() + 40, 24), 0);
  // The file's first row is the bottom one; the preview shows colours only.
  const TPixelRows32 rows = image.Rows32();
  EXPECT_EQ(rows.Row(1)[0], 0xFF020100u);
  EXPECT_EQ(rows.Row(0)[0], 0xFF0E0D0Cu);
}

TEST(LoadP32, RefusesFieldsThatDisagreeAndKeepsTheImage) {
  Bytes cut = MakeP32(4, 4);
  cut.pop_back();
  struct Row {
    const char* Name;
    Bytes File;
    TImageError Error;
  } rows[] = {
      {"24 bits per pixel", MakeP32(2, 2, {24}), TImageError::BadHeader},
      {"a 44-byte header", MakeP32(2, 2, {32, 0, 44}), TImageError::BadHeader},
      {"data size of another width", MakeP32(2, 2, {32, 0, 40, 3 * 2 * 4}), TImageError::BadHeader},
      {"file size one byte more", MakeP32(2, 2, {32, 40 + 16 + 1}), TImageError::BadHeader},
      {"width 0", MakeP32(0, 2, {32, 0, 40, 0, 0, 2}), TImageError::BadHeader},
      // 2^30 x 2^2 x 4 wraps to 0 in 32 bits: the product is checked in 64.
      {"a product that wraps", MakeP32(0, 0, {32, 40, 40, 0, 1u << 30, 4}), TImageError::BadHeader},
      {"pixels cut short", cut, TImageError::ShortRead},
      {"above the cap", MakeP32(1, 1, {32, 40 + 0x80000000u, 40, 0x80000000u, 0x8000, 0x4000}), TImageError::OverLimit},
      {"shorter than the header", Bytes{'P', '3', '2', 'F', 0, 0}, TImageError::ShortRead},
      {"no magic", Bytes(64, 0), TImageError::BadHeader},
  };
  for (const Row& r : rows) {
    TDibBitmap image;
    ASSERT_TRUE(Load(image, MakeP32(1, 1)).Ok());
    EXPECT_EQ(Load(image, r.File).Error, r.Error) << r.Name;
    EXPECT_EQ(image.Width(), 1) << r.Name << ": the image stays";
  }
}

}  // namespace
}  // namespace kelvane
