#include <gtest/gtest.h>

#include "image/DibBitmap.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::InfoHeader;

struct Loaded {
  bool Ok;
  std::int64_t Position;
};

Loaded ReadFull(TDibBitmap& b, const Bytes& bytes) {
  auto s = test::StreamOf(bytes);
  bool ok = b.ReadBmpStream(*s);
  return {ok, s->Position()};
}

Loaded ReadPlain(TDibBitmap& b, const Bytes& bytes) {
  auto s = test::StreamOf(bytes);
  bool ok = b.ReadPlainBmpStream(*s);
  return {ok, s->Position()};
}

Bytes Row(const TDibBitmap& b, int storageRow, int count) {
  const std::uint8_t* p = b.Pixels() + storageRow * const_cast<TDibBitmap&>(b).RowStride();
  return Bytes(p, p + count);
}

// Refusals: the message, an empty bitmap, the stream back at its start.
TEST(BmpReader, RefusesBadHeadersWithTheirMessages) {
  struct Case {
    const char* Name;
    InfoHeader Header;
    const char* Message;
  } cases[] = {
      {"zero width", {40, 0, 1, 1, 24, 0}, "Bitmap width must be > 0"},
      {"negative width", {40, -3, 1, 1, 24, 0}, "Bitmap width must be > 0"},
      {"zero height", {40, 1, 0, 1, 24, 0}, "Bitmap height must be > 0"},
      {"no bits", {40, 1, 1, 1, 0, 0}, "No memory"},
      {"jpeg", {40, 1, 1, 1, 24, 4}, "Unknown compression algorithm"},
      {"png", {40, 1, 1, 1, 24, 5}, "Unknown compression algorithm"},
      // 100000 x 100000 from a 60-byte file: refused before allocating.
      {"huge", {40, 100000, 100000, 1, 1, 0}, "No memory"},
      {"huge 32-bit width", {40, 0x7FFFFFFF, 1, 1, 32, 0}, "No memory"},
      {"most negative height", {40, 1, INT32_MIN, 1, 24, 0}, "No memory"},
  };
  for (const Case& c : cases) {
    TDibBitmap b;
    const Bytes file = test::MakeBmp(c.Header, {}, Bytes(6));
    auto r = ReadFull(b, file);
    EXPECT_FALSE(r.Ok) << c.Name;
    EXPECT_STREQ(b.LastErrorText(), c.Message) << c.Name;
    EXPECT_TRUE(b.IsEmpty()) << c.Name;
    EXPECT_EQ(b.Info(), nullptr) << c.Name;
    EXPECT_EQ(r.Position, 0) << c.Name;
    EXPECT_EQ(b.HandleKind(), hkDib) << c.Name;
  }
}

TEST(BmpReader, FailsOnShortHeadersAndTables) {
  InfoHeader h;
  h.BitCount = 8;
  const Bytes full = test::MakeBmp(h, test::MakeTable(256), Bytes(4));
  for (std::size_t cut : {std::size_t{10}, std::size_t{30}, std::size_t{100}}) {
    TDibBitmap b;
    Bytes shortFile(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(ReadFull(b, shortFile).Ok) << cut;
    EXPECT_STREQ(b.LastErrorText(), "Unexpected end of file");
    EXPECT_FALSE(ReadPlain(b, shortFile).Ok) << cut;
  }
}

TEST(BmpReader, AStreamWithoutFileHeaderStartsWithTheInfoHeader) {
  Bytes bare;
  InfoHeader h;
  h.Width = 2;
  test::PutInfo(bare, h);
  bare.insert(bare.end(), {1, 2, 3, 4, 5, 6, 0, 0});
  for (bool plain : {false, true}) {
    TDibBitmap b;
    auto r = plain ? ReadPlain(b, bare) : ReadFull(b, bare);
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(b.GetPixelFormat(), px24);
    EXPECT_EQ(Row(b, 0, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(r.Position, 48);
  }
}

TEST(BmpReader, AShortTableIsReadExactlyFromTheFileOffset) {
  InfoHeader h;
  h.BitCount = 8;
  h.ClrUsed = 16;
  TDibBitmap b;
  auto r = ReadFull(b, test::MakeBmp(h, test::MakeTable(16), Bytes{7, 0, 0, 0}, 54 + 64));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(b.Pixels()[0], 7);
  EXPECT_EQ(b.Info()->Table()[4 * 15 + 2], 15);
  EXPECT_EQ(b.Info()->Table()[4 * 16 + 1], 0) << "entries the file lacks are zero";
  EXPECT_EQ(r.Position, 54 + 64 + 4);
}

TEST(BmpReader, BitFieldMasksLandInTheTableArea) {
  InfoHeader h;
  h.BitCount = 16;
  h.Compression = 3;
  Bytes masks;
  test::Put32(masks, 0xF800);
  test::Put32(masks, 0x07E0);
  test::Put32(masks, 0x001F);
  TDibBitmap b;
  ASSERT_TRUE(ReadFull(b, test::MakeBmp(h, masks, Bytes{0x00, 0xF8, 0, 0}, 66)).Ok);
  EXPECT_EQ(b.GetPixelFormat(), px16);
  EXPECT_EQ(b.Info()->U32(40), 0xF800u);
  EXPECT_EQ(b.Rows32().Data[0], 0xFFFF0000u);
}

TEST(BmpReader, BytesAfterThePixelsAreNotRead) {
  InfoHeader h;
  TDibBitmap b;
  auto r = ReadFull(b, test::MakeBmp(h, {}, Bytes{1, 2, 3, 0, 9, 9}));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(b.PixelBytes(), 4);
  EXPECT_EQ(r.Position, 58);
}

TEST(BmpReader, AFileCutShortLoadsItsFirstRowsWithTheFullReaderOnly) {
  InfoHeader h;
  h.Height = 3;
  const Bytes file = test::MakeBmp(h, {}, Bytes{1, 2, 3, 0, 4, 5, 6, 0});  // one row missing
  TDibBitmap full;
  ASSERT_TRUE(ReadFull(full, file).Ok);
  EXPECT_EQ(full.Height(), 3);
  EXPECT_EQ(Row(full, 1, 3), (Bytes{4, 5, 6}));
  EXPECT_EQ(Row(full, 2, 3), (Bytes{0, 0, 0})) << "missing rows are zero, not old heap bytes";

  TDibBitmap plain;
  auto r = ReadPlain(plain, file);
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(plain.IsEmpty());
  EXPECT_EQ(r.Position, 0);
}

TEST(BmpReader, KeepsTopDownRowsAndTheNegativeHeight) {
  InfoHeader h;
  h.Height = -10;
  TDibBitmap b;
  ASSERT_TRUE(ReadFull(b, test::MakeBmp(h, {}, Bytes(40))).Ok);
  EXPECT_EQ(b.Height(), 10);
  EXPECT_EQ(b.Info()->biHeight(), -10);
}

TEST(BmpReader, PlainReaderTakesHeaderValuesAsTheyAre) {
  InfoHeader zeroWidth;
  zeroWidth.Width = 0;
  TDibBitmap b;
  EXPECT_TRUE(ReadPlain(b, test::MakeBmp(zeroWidth, {}, {})).Ok);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.GetPixelFormat(), pxDevice);

  InfoHeader rle;
  rle.BitCount = 8;
  rle.Compression = 1;
  ASSERT_TRUE(ReadPlain(b, test::MakeBmp(rle, test::MakeTable(256), Bytes{5, 6, 7, 8})).Ok);
  EXPECT_EQ(b.Info()->biCompression(), 1u);
  EXPECT_EQ(Row(b, 0, 4), (Bytes{5, 6, 7, 8})) << "RLE bytes are kept, not decoded";
}

TEST(BmpReader, PlainReaderStoresSixteenBitsWithCompressionAsPx16) {
  for (std::uint32_t compression : {0u, 3u}) {
    InfoHeader h;
    h.BitCount = 16;
    h.Compression = compression;
    TDibBitmap b;
    // Without a file header the plain reader takes 12 mask bytes for px16.
    Bytes bare;
    test::PutInfo(bare, h);
    if (compression == 3) {
      test::Put32(bare, 0x7C00);
      test::Put32(bare, 0x03E0);
      test::Put32(bare, 0x001F);
    }
    bare.insert(bare.end(), {0xFF, 0x7F, 0, 0});
    ASSERT_TRUE(ReadPlain(b, bare).Ok);
    EXPECT_EQ(b.RequestedFormat(), compression ? px16 : px15);
    EXPECT_EQ(b.Rows32().Data[0], 0xFFFFFFFFu);
  }
}

TEST(BmpReader, AnOffsetIntoTheHeadersIsRefused) {
  InfoHeader h;
  TDibBitmap b;
  EXPECT_FALSE(ReadFull(b, test::MakeBmp(h, {}, Bytes(4), 20)).Ok);
  EXPECT_STREQ(b.LastErrorText(), "Invalid bitmap header");
}

TEST(BmpReader, AnOversizedTableKeepsItsFirst1024Bytes) {
  InfoHeader h;
  h.BitCount = 8;
  Bytes between = test::MakeTable(256);
  between.resize(between.size() + 100, 0xEE);  // a gap before the pixels
  TDibBitmap b;
  auto r = ReadFull(b, test::MakeBmp(h, between, Bytes{42, 0, 0, 0}));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(b.Pixels()[0], 42);
  EXPECT_EQ(b.Info()->Table()[1023], 0);
}

// V4/V5 headers become an equivalent 40-byte header with the table after it.
TEST(BmpReader, LargerHeadersKeepTheirColoursAndMasks) {
  for (std::uint32_t headerSize : {108u, 124u}) {
    InfoHeader h;
    h.Size = headerSize;
    h.BitCount = 8;
    Bytes between(headerSize - 40, 0xAB);
    Bytes table = test::MakeTable(256);
    between.insert(between.end(), table.begin(), table.end());
    TDibBitmap b;
    ASSERT_TRUE(ReadFull(b, test::MakeBmp(h, between, Bytes{200, 0, 0, 0})).Ok) << headerSize;
    EXPECT_EQ(b.Info()->biSize(), 40u);
    EXPECT_EQ(b.Rows32().Data[0], 0xFFC83764u) << headerSize;

    InfoHeader bf;
    bf.Size = headerSize;
    bf.BitCount = 32;
    bf.Compression = 3;
    Bytes rest;
    test::Put32(rest, 0x0000FF00);  // red in the second byte
    test::Put32(rest, 0x00FF0000);
    test::Put32(rest, 0xFF000000);
    rest.resize(headerSize - 40, 0);
    ASSERT_TRUE(ReadFull(b, test::MakeBmp(bf, rest, Bytes{0, 0x11, 0x22, 0x33})).Ok);
    EXPECT_EQ(b.Info()->biSize(), 40u);
    EXPECT_EQ(b.Info()->U32(40), 0x0000FF00u);
    EXPECT_EQ(b.Rows32().Data[0], 0xFF112233u);
  }
}

// ---- run-length data ------------------------------------------------------

std::unique_ptr<TDibBitmap> DecodeRle(int bits, int width, int height, const Bytes& data) {
  InfoHeader h;
  h.Width = width;
  h.Height = height;
  h.BitCount = static_cast<std::uint16_t>(bits);
  h.Compression = bits == 8 ? 1 : 2;
  auto b = std::make_unique<TDibBitmap>();
  auto s = test::StreamOf(test::MakeBmp(h, test::MakeTable(1 << bits), data));
  EXPECT_TRUE(b->ReadBmpStream(*s));
  EXPECT_EQ(b->Info()->biCompression(), 0u);
  return b;
}

TEST(RleDecoding, Rle8RunsAbsoluteRunsAndPadding) {
  auto b = DecodeRle(8, 6, 2, Bytes{3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 1});
  EXPECT_EQ(Row(*b, 0, 6), (Bytes{5, 5, 5, 1, 2, 3}));
  EXPECT_EQ(Row(*b, 1, 6), Bytes(6, 0));
}

TEST(RleDecoding, Rle4RunsAlternateNibblesFromTheHighOne) {
  EXPECT_EQ(Row(*DecodeRle(4, 3, 1, Bytes{3, 0xAB}), 0, 2), (Bytes{0xAB, 0xA0}));
  // At an odd x the run still starts with the high nibble.
  auto odd = DecodeRle(4, 4, 1, Bytes{0, 2, 1, 0, 3, 0xAB});
  EXPECT_EQ(Row(*odd, 0, 2), (Bytes{0x0A, 0xBA}));
}

TEST(RleDecoding, Rle4AbsoluteRunsConsumeWholeWords) {
  // 00 03 AB C0: three pixels from two bytes; then 02 11 follows at once.
  EXPECT_EQ(Row(*DecodeRle(4, 5, 1, Bytes{0, 3, 0xAB, 0xC0, 2, 0x11}), 0, 3), (Bytes{0xAB, 0xC1, 0x10}));
  // 00 05 AB CD E0 00: five pixels, four bytes with the padding.
  EXPECT_EQ(Row(*DecodeRle(4, 7, 1, Bytes{0, 5, 0xAB, 0xCD, 0xE0, 0, 2, 0x77}), 0, 4), (Bytes{0xAB, 0xCD, 0xE7, 0x70}));
}

TEST(RleDecoding, DeltaMovesAndEndsAtTheLastRow) {
  auto b = DecodeRle(8, 4, 2, Bytes{0, 2, 2, 1, 1, 9});
  EXPECT_EQ(Row(*b, 1, 4), (Bytes{0, 0, 9, 0}));
  auto ended = DecodeRle(8, 4, 2, Bytes{0, 2, 0, 2, 1, 9});
  EXPECT_EQ(Row(*ended, 0, 4), Bytes(4, 0));
  EXPECT_EQ(Row(*ended, 1, 4), Bytes(4, 0));
}

TEST(RleDecoding, HostileRunsStayInsideTheBlock) {
  // Runs far past the row end, deltas past the image, a truncated escape:
  // nothing outside the image is written, and decoding survives.
  Bytes data;
  for (int i = 0; i < 300; ++i) data.insert(data.end(), {255, 7});
  data.insert(data.end(), {0, 255});
  data.insert(data.end(), 100, 3);
  data.insert(data.end(), {0, 2, 255, 255, 0});
  auto b8 = DecodeRle(8, 3, 2, data);
  EXPECT_EQ(Row(*b8, 0, 3), Bytes(3, 7));
  EXPECT_EQ(b8->Pixels()[3], 0) << "padding beyond the width is not written";
  auto b4 = DecodeRle(4, 3, 2, data);
  EXPECT_EQ(Row(*b4, 0, 2), (Bytes{0x07, 0x00})) << "high nibble 0, low nibble 7, alternating";
}

TEST(RleDecoding, CompressedSizeLargerThanTheFileIsRefused) {
  InfoHeader h;
  h.BitCount = 8;
  h.Compression = 1;
  TDibBitmap b;
  auto r = ReadFull(b, test::MakeBmp(h, test::MakeTable(256), Bytes{1, 1}, -1, 1u << 30));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Position, 0);
}

TEST(BmpFile, ReadBmpFileRefusesMissingAndSpecialFiles) {
  TDibBitmap b;
  EXPECT_FALSE(b.ReadBmpFile("/nonexistent/x.bmp"));
  EXPECT_STREQ(b.LastErrorText(), "Cannot open file");
  EXPECT_FALSE(b.ReadBmpFile("/dev/null"));
  EXPECT_STREQ(b.LastErrorText(), "Not a regular file");
  EXPECT_TRUE(b.IsEmpty());
}

}  // namespace
}  // namespace kelvane
