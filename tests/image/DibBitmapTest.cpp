#include "image/DibBitmap.h"

#include <gtest/gtest.h>

#include "image/Resource.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::InfoHeader;

// Records every DrawRows32 call with a copy of the pixels.
class RecordingTarget : public TDrawTarget {
 public:
  struct Call {
    int X, Y, Width, Height;
    std::vector<std::uint32_t> Pixels;
  };
  void DrawRows32(int x, int y, const TPixelRows32& rows) override {
    Call c{x, y, rows.Width, rows.Height, {}};
    for (int r = 0; r < rows.Height; ++r) c.Pixels.insert(c.Pixels.end(), rows.Row(r), rows.Row(r) + rows.Width);
    Calls.push_back(std::move(c));
  }
  std::vector<Call> Calls;
};

TEST(PixelFormatTable, BitCountsMapToFormats) {
  EXPECT_EQ(FormatFromBitCount(16), px15);
  EXPECT_EQ(FormatFromBitCount(2), pxCustom);
  EXPECT_EQ(FormatFromBitCount(0), pxCustom);
  EXPECT_EQ(FormatFromBitCount(24), px24);
  const int expected[] = {0, 1, 4, 8, 16, 16, 24, 32, 0};
  for (int f = pxDevice; f <= pxCustom; ++f) EXPECT_EQ(BitsPerPixelOf(static_cast<TPixelFormat>(f)), expected[f]);
}

// Stride is computed from the header and padded to four bytes.
TEST(DibBitmap, RowStridePadsToFourBytes) {
  struct Row {
    int Width, Bits, Stride;
  } rows[] = {{1, 24, 4}, {3, 8, 4}, {5, 4, 4}, {33, 1, 8}, {2, 32, 8}, {7, 16, 16}, {4, 24, 12}};
  for (const Row& r : rows) {
    InfoHeader h;
    h.Width = r.Width;
    h.BitCount = static_cast<std::uint16_t>(r.Bits);
    const int tableBytes = r.Bits <= 8 ? 4 << r.Bits : 0;
    auto s = test::StreamOf(test::MakeBmp(h, test::MakeTable(tableBytes / 4), Bytes(static_cast<std::size_t>(r.Stride))));
    TDibBitmap b;
    ASSERT_TRUE(b.ReadBmpStream(*s)) << r.Width << "x" << r.Bits;
    EXPECT_EQ(b.RowStride(), r.Stride) << r.Width << "x" << r.Bits;
    EXPECT_EQ(b.PixelBytes(), r.Stride);
  }
}

TEST(DibBitmap, NewDeviceBitmapOfNoSizeIsEmptyAndDrawsNothing) {
  auto b = NewDeviceBitmap(0, 0);
  EXPECT_TRUE(b->IsEmpty());
  EXPECT_EQ(b->GetPixelFormat(), pxDevice);
  RecordingTarget target;
  b->DrawAt(target, 0, 0);
  EXPECT_TRUE(target.Calls.empty());
  b->SetPixelFormat(px8);
  EXPECT_EQ(b->GetPixelFormat(), pxDevice);
  EXPECT_EQ(b->Info(), nullptr);
}

TEST(DibBitmap, DeviceBitmapConvertsToTheDefaultSixteenBits) {
  auto b = NewDeviceBitmap(3, 2);
  EXPECT_FALSE(b->IsEmpty());
  EXPECT_EQ(b->GetPixelFormat(), pxDevice);
  EXPECT_NE(b->GetHandle(), nullptr);
  b->SetHandleKind(hkDib);
  EXPECT_EQ(b->GetPixelFormat(), px15);
  ASSERT_NE(b->Info(), nullptr);
  EXPECT_EQ(b->Info()->biBitCount(), 16);
  EXPECT_EQ(b->Info()->biCompression(), 0u);
  EXPECT_EQ(b->Width(), 3);
  EXPECT_EQ(b->Height(), 2);
  EXPECT_EQ(b->PixelBytes(), 16);
}

TEST(DibBitmap, ClearKeepsKindAndRequestedFormat) {
  InfoHeader h;
  h.BitCount = 16;
  auto s = test::StreamOf(test::MakeBmp(h, {}, Bytes(4)));
  TDibBitmap b;
  ASSERT_TRUE(b.ReadBmpStream(*s));
  b.SetHandleKind(hkDevice);
  b.Clear();
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.HandleKind(), hkDevice);
  EXPECT_EQ(b.RequestedFormat(), px15);
  EXPECT_EQ(b.Info(), nullptr);
  EXPECT_EQ(b.Pixels(), nullptr);
}

TEST(DibBitmap, SixteenBitFormatsFollowTheCompression) {
  for (std::uint32_t compression : {0u, 3u}) {
    InfoHeader h;
    h.BitCount = 16;
    h.Compression = compression;
    Bytes masks;
    if (compression == 3) {
      test::Put32(masks, 0xF800);
      test::Put32(masks, 0x07E0);
      test::Put32(masks, 0x001F);
    }
    auto s = test::StreamOf(test::MakeBmp(h, masks, Bytes(4)));
    TDibBitmap b;
    ASSERT_TRUE(b.ReadBmpStream(*s));
    EXPECT_EQ(b.GetPixelFormat(), compression == 3 ? px16 : px15);
    // Between 15 and 16 bits nothing is converted.
    b.SetPixelFormat(compression == 3 ? px15 : px16);
    EXPECT_EQ(b.GetPixelFormat(), compression == 3 ? px16 : px15);
  }
}

TEST(DibBitmap, SixteenBitsWithAnotherCompressionIsUnsupported) {
  InfoHeader h;
  h.BitCount = 16;
  h.Compression = 1;
  TDibBitmap b;
  auto s = test::StreamOf(test::MakeBmp(h, {}, Bytes(4)));
  ASSERT_TRUE(b.ReadPlainBmpStream(*s));
  EXPECT_EQ(b.GetPixelFormat(), pxCustom);
  EXPECT_STREQ(b.LastErrorText(), "Unsupported bitmap format");
}

TEST(DibBitmap, DrawAtHandsTopDownRowsWhateverTheStorageOrder) {
  // A 2 x 2 24-bit image: bottom row red, green; top row blue, white.
  const Bytes bottomUp = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
  for (bool topDown : {false, true}) {
    InfoHeader h;
    h.Width = 2;
    h.Height = topDown ? -2 : 2;
    Bytes pixels = bottomUp;
    if (topDown) std::rotate(pixels.begin(), pixels.begin() + 8, pixels.end());
    auto s = test::StreamOf(test::MakeBmp(h, {}, pixels));
    TDibBitmap b;
    ASSERT_TRUE(b.ReadBmpStream(*s));
    EXPECT_EQ(b.Height(), 2);
    RecordingTarget target;
    b.DrawAt(target, 5, 7);
    ASSERT_EQ(target.Calls.size(), 1u);
    const auto& c = target.Calls[0];
    EXPECT_EQ(c.X, 5);
    EXPECT_EQ(c.Y, 7);
    EXPECT_EQ(c.Width, 2);
    EXPECT_EQ(c.Height, 2);
    EXPECT_EQ(c.Pixels, (std::vector<std::uint32_t>{0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00})) << topDown;
  }
}

TEST(DibBitmap, CachedRowsFollowChangesToThePixels) {
  InfoHeader h;
  h.BitCount = 8;
  auto s = test::StreamOf(test::MakeBmp(h, test::MakeTable(256), Bytes{1, 0, 0, 0}));
  TDibBitmap b;
  ASSERT_TRUE(b.ReadBmpStream(*s));
  EXPECT_EQ(b.Rows32().Data[0], 0xFF01FE00u);
  b.MutablePixels()[0] = 2;
  EXPECT_EQ(b.Rows32().Data[0], 0xFF02FD01u);
  b.SetPixelFormat(px24);
  EXPECT_EQ(b.Rows32().Data[0], 0xFF02FD01u);
  b.Clear();
  EXPECT_EQ(b.Rows32().Data, nullptr);
}

TEST(DibBitmap, GetHandleMovesThePixelsUnderASection) {
  InfoHeader h;
  auto s = test::StreamOf(test::MakeBmp(h, {}, Bytes{1, 2, 3, 0}));
  TDibBitmap b;
  ASSERT_TRUE(b.ReadBmpStream(*s));
  EXPECT_FALSE(b.PixelsOwnedBySection());
  THandle handle = b.GetHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(b.GetHandle(), handle);
  EXPECT_TRUE(b.PixelsOwnedBySection());
  EXPECT_EQ(b.Pixels(), handle->Memory.get());
  EXPECT_EQ(b.Pixels()[2], 3);
  EXPECT_EQ(b.GetPixelFormat(), px24);
}

TEST(DibBitmap, LoadFromResourceGivesADeviceImage) {
  // An 8-bit 2 x 1 resource: info header, table, one padded row.
  Bytes dib;
  InfoHeader h;
  h.Width = 2;
  h.BitCount = 8;
  test::PutInfo(dib, h);
  Bytes table = test::MakeTable(256);
  dib.insert(dib.end(), table.begin(), table.end());
  dib.insert(dib.end(), {3, 4, 0, 0});
  const TResource resources[] = {{"STRIP", dib}};
  const TResourceModule module(resources);

  TDibBitmap b;
  b.LoadFromResource(module, "STRIP");
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 1);
  EXPECT_EQ(b.HandleKind(), hkDevice);
  EXPECT_EQ(b.GetPixelFormat(), pxDevice);
  const TPixelRows32 rows = b.Rows32();
  ASSERT_NE(rows.Data, nullptr);
  EXPECT_EQ(rows.Data[0], 0xFF03FC01u);
  EXPECT_EQ(rows.Data[1], 0xFF04FB02u);

  b.LoadFromResource(module, "MISSING");
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.GetHandle(), nullptr);
}

}  // namespace
}  // namespace kelvane
