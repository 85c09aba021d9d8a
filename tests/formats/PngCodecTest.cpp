// The PNG wrapper: round trips at every depth and odd widths, the palette
// written whole and the alpha convention, and hostile files refused with
// the kind that names their fault.
#include "formats/PngCodec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "formats/PcxSprite.h"
#include "image/PaletteReduction.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;

const std::string kSamples = std::string(KELVANE_SOURCE_DIR) + "/samples/";

struct TChunk {
  std::string Type;
  Bytes Data;
};

// The chunks of a PNG, read field by field (the test does not trust the
// code it checks).
std::vector<TChunk> Chunks(const Bytes& png) {
  std::vector<TChunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = std::uint32_t{png[at]} << 24 | std::uint32_t{png[at + 1]} << 16 |
                                 std::uint32_t{png[at + 2]} << 8 | png[at + 3];
    TChunk c;
    c.Type.assign(reinterpret_cast<const char*>(png.data() + at + 4), 4);
    c.Data.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    chunks.push_back(c);
    at += 12 + length;
  }
  return chunks;
}

const TChunk* Find(const std::vector<TChunk>& chunks, const std::string& type) {
  for (const TChunk& c : chunks)
    if (c.Type == type) return &c;
  return nullptr;
}

Bytes Encode(TDibBitmap& image, TPngWriteOptions options = {}) {
  auto stream = NewMemoryByteStream();
  const TOutcome encoded = EncodePng(image, options, *stream);
  EXPECT_TRUE(encoded.Ok()) << encoded.Text();
  return Bytes(stream->Memory(), stream->Memory() + stream->Size());
}

std::vector<std::uint32_t> Pixels(TDibBitmap& image) {
  const TPixelRows32 rows = image.Rows32();
  std::vector<std::uint32_t> out;
  for (int y = 0; y < rows.Height; ++y) out.insert(out.end(), rows.Row(y), rows.Row(y) + rows.Width);
  return out;
}

// The stored bytes of every row, top row first, without padding.
Bytes RowBytes(TDibBitmap& image) {
  Bytes out;
  const std::size_t rowBytes = static_cast<std::size_t>(image.Width()) * image.Info()->biBitCount() / 8;
  const bool topDown = image.Info()->biHeight() < 0;
  for (int y = 0; y < image.Height(); ++y) {
    const int stored = topDown ? y : image.Height() - 1 - y;
    const std::uint8_t* row = image.Pixels() + static_cast<std::size_t>(stored) * image.RowStride();
    out.insert(out.end(), row, row + rowBytes);
  }
  return out;
}

void LoadBmp(TDibBitmap& image, int bits, int width, int height, std::mt19937& random, bool topDown = false) {
  Bytes table;
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i)
      table.insert(table.end(), {std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random()), 0});
  Bytes pixels(static_cast<std::size_t>((width * bits + 31) / 32 * 4 * height));
  for (auto& b : pixels) b = static_cast<std::uint8_t>(random());
  auto stream = test::StreamOf(test::MakeBmp(
      {.Width = width, .Height = topDown ? -height : height, .BitCount = static_cast<std::uint16_t>(bits)}, table,
      pixels));
  ASSERT_TRUE(image.ReadBmpStream(*stream)) << image.LastErrorText();
}

TEST(PngCodec, EightBitImagesKeepTheirWholeTableAndTheirIndexes) {
  for (const char* name : {"sprite8-5x4.pcx", "sprite8-7x9.pcx", "sprite8-33x21.pcx"}) {
    SCOPED_TRACE(name);
    TDibBitmap sprite;
    ASSERT_TRUE(LoadSprite(sprite, kSamples + name));
    const Bytes png = Encode(sprite);
    const auto chunks = Chunks(png);
    ASSERT_NE(Find(chunks, "PLTE"), nullptr);
    EXPECT_EQ(Find(chunks, "PLTE")->Data.size(), 768u);
    EXPECT_EQ(Find(chunks, "tRNS"), nullptr) << "no transparency unless asked";
    EXPECT_EQ(Find(chunks, "IHDR")->Data[8], 8) << "bit depth";
    EXPECT_EQ(Find(chunks, "IHDR")->Data[9], 3) << "palette colour type";

    TDibBitmap back;
    ASSERT_TRUE(DecodePng(png, back).Ok());
    EXPECT_EQ(back.GetPixelFormat(), px8);
    EXPECT_EQ(PaletteOf(back), PaletteOf(sprite));
    EXPECT_EQ(RowBytes(back), RowBytes(sprite));
  }
}

TEST(PngCodec, TheShadowConventionMarksEntriesZeroOneAndFour) {
  TDibBitmap sprite;
  ASSERT_TRUE(LoadSprite(sprite, kSamples + "sprite8-33x21.pcx"));
  const Bytes png = Encode(sprite, {TPngAlpha::Shadows});
  const auto chunks = Chunks(png);
  const TChunk* trns = Find(chunks, "tRNS");
  ASSERT_NE(trns, nullptr);
  EXPECT_EQ(trns->Data, (Bytes{0, 64, 255, 255, 128}));
  TDibBitmap back;
  ASSERT_TRUE(DecodePng(png, back).Ok());
  EXPECT_EQ(back.GetPixelFormat(), px8);
  EXPECT_EQ(RowBytes(back), RowBytes(sprite)) << "the indexes come back, not alphas";
}

TEST(PngCodec, EveryDepthRoundTripsAtOddWidths) {
  std::mt19937 random(3);
  struct Row {
    int Bits;
    TPixelFormat Back;  // what reading the written file gives
    bool SameBytes;     // stored rows identical, not only the picture
  } rows[] = {
      {1, px8, false}, {4, px8, false}, {8, px8, true}, {16, px24, false}, {24, px24, true},
  };
  for (const Row& r : rows)
    for (int width : {1, 3, 5, 47})
      for (bool topDown : {false, true}) {
        SCOPED_TRACE(std::to_string(r.Bits) + " bits, width " + std::to_string(width) + (topDown ? " top-down" : ""));
        TDibBitmap image;
        LoadBmp(image, r.Bits, width, 7, random, topDown);
        TDibBitmap back;
        ASSERT_TRUE(DecodePng(Encode(image), back).Ok());
        EXPECT_EQ(back.GetPixelFormat(), r.Back);
        EXPECT_EQ(Pixels(back), Pixels(image));
        if (r.SameBytes) {
          EXPECT_EQ(RowBytes(back), RowBytes(image));
        }
      }
}

TEST(PngCodec, ThirtyTwoBitImagesKeepAlphaOrAreWrittenOpaque) {
  std::mt19937 random(4);
  TDibBitmap withAlpha;
  LoadBmp(withAlpha, 32, 5, 3, random);
  withAlpha.MutablePixels()[3] = 0;  // at least one see-through pixel
  Bytes png = Encode(withAlpha);
  EXPECT_EQ(Find(Chunks(png), "IHDR")->Data[9], 6) << "RGBA";
  TDibBitmap back;
  ASSERT_TRUE(DecodePng(png, back).Ok());
  EXPECT_EQ(back.GetPixelFormat(), px32);
  EXPECT_EQ(RowBytes(back), RowBytes(withAlpha));

  // Fourth bytes all 0: a BMP without alpha, not an invisible picture.
  TDibBitmap noAlpha;
  LoadBmp(noAlpha, 32, 5, 3, random);
  for (int i = 0; i < 5 * 3; ++i) noAlpha.MutablePixels()[4 * i + 3] = 0;
  ASSERT_TRUE(DecodePng(Encode(noAlpha), back).Ok());
  EXPECT_EQ(Pixels(back), Pixels(noAlpha));
  for (int i = 0; i < 5 * 3; ++i) EXPECT_EQ(back.Pixels()[4 * i + 3], 255) << i;
}

// A PNG of one chunk list: signature, then chunks with correct CRCs unless
// a test breaks them afterwards.
Bytes MakePng(const std::vector<TChunk>& chunks) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const TChunk& c : chunks) {
    const auto length = static_cast<std::uint32_t>(c.Data.size());
    for (int s : {24, 16, 8, 0}) png.push_back(static_cast<std::uint8_t>(length >> s));
    Bytes typed(c.Type.begin(), c.Type.end());
    typed.insert(typed.end(), c.Data.begin(), c.Data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    const auto crc = static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size())));
    for (int s : {24, 16, 8, 0}) png.push_back(static_cast<std::uint8_t>(crc >> s));
  }
  return png;
}

Bytes Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colourType) {
  Bytes d;
  for (std::uint32_t v : {width, height})
    for (int s : {24, 16, 8, 0}) d.push_back(static_cast<std::uint8_t>(v >> s));
  d.insert(d.end(), {depth, colourType, 0, 0, 0});
  return d;
}

Bytes Deflated(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

TEST(PngCodec, HostileFilesAreRefusedWithTheKindOfTheirFault) {
  // A valid 2 x 2 grey image to break in different ways.
  const Bytes rows = {0, 10, 20, 0, 30, 40};
  const Bytes good = MakePng({{"IHDR", Ihdr(2, 2, 8, 0)}, {"IDAT", Deflated(rows)}, {"IEND", {}}});
  TDibBitmap image;
  ASSERT_TRUE(DecodePng(good, image).Ok());
  EXPECT_EQ(Pixels(image), (std::vector<std::uint32_t>{0xFF0A0A0A, 0xFF141414, 0xFF1E1E1E, 0xFF282828}));

  Bytes badCrc = good;
  badCrc[8 + 8 + 13] ^= 1;  // IHDR's CRC
  Bytes badDataCrc = good;
  badDataCrc[badDataCrc.size() - 12 - 1] ^= 1;  // IDAT's CRC, before IEND's 12 bytes
  Bytes badDataByte = good;
  badDataByte[badDataByte.size() - 12 - 4 - 1] ^= 1;  // the last byte of IDAT's data
  // A stream whose own checksum is wrong, in a chunk whose CRC is right:
  // the CRCs guard the bytes, so the image loads as its data says.
  Bytes idat = Deflated(rows);
  idat.back() ^= 1;  // the last byte of the zlib checksum
  const Bytes badAdler = MakePng({{"IHDR", Ihdr(2, 2, 8, 0)}, {"IDAT", idat}, {"IEND", {}}});
  ASSERT_TRUE(DecodePng(badAdler, image).Ok());
  EXPECT_EQ(Pixels(image), (std::vector<std::uint32_t>{0xFF0A0A0A, 0xFF141414, 0xFF1E1E1E, 0xFF282828}));
  Bytes signature = good;
  signature[1] = 'p';

  struct Row {
    const char* Name;
    Bytes Png;
    TImageError Kind;
  } cases[] = {
      {"empty", {}, TImageError::NotPng},
      {"signature", signature, TImageError::NotPng},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, TImageError::NotPng},
      {"signature only", Bytes(good.begin(), good.begin() + 8), TImageError::ShortRead},
      {"cut in the header", Bytes(good.begin(), good.begin() + 20), TImageError::ShortRead},
      {"cut in the data", Bytes(good.begin(), good.end() - 16), TImageError::ShortRead},
      {"header CRC", badCrc, TImageError::PngChecksum},
      {"image data CRC", badDataCrc, TImageError::PngChecksum},
      {"a changed byte of image data", badDataByte, TImageError::PngChecksum},
      {"colour type 1", MakePng({{"IHDR", Ihdr(2, 2, 8, 1)}, {"IDAT", Deflated(rows)}, {"IEND", {}}}),
       TImageError::InvalidPngHeader},
      {"depth 3", MakePng({{"IHDR", Ihdr(2, 2, 3, 0)}, {"IDAT", Deflated(rows)}, {"IEND", {}}}),
       TImageError::InvalidPngHeader},
      {"width 0", MakePng({{"IHDR", Ihdr(0, 2, 8, 0)}, {"IDAT", Deflated(rows)}, {"IEND", {}}}),
       TImageError::InvalidPngHeader},
      {"palette image without a palette", MakePng({{"IHDR", Ihdr(2, 2, 8, 3)}, {"IDAT", Deflated(rows)}, {"IEND", {}}}),
       TImageError::InvalidPng},
      {"no image data", MakePng({{"IHDR", Ihdr(2, 2, 8, 0)}, {"IEND", {}}}), TImageError::InvalidPng},
      {"too little image data", MakePng({{"IHDR", Ihdr(2, 2, 8, 0)}, {"IDAT", Deflated({0, 1})}, {"IEND", {}}}),
       TImageError::InvalidPng},
      {"a billion pixels claimed", MakePng({{"IHDR", Ihdr(100000, 100000, 8, 6)}, {"IDAT", Deflated(rows)}, {"IEND", {}}}),
       TImageError::OverLimit},
  };
  for (const Row& c : cases) {
    TDibBitmap target;
    ASSERT_TRUE(LoadSprite(target, kSamples + "sprite8-5x4.pcx"));
    const TOutcome read = DecodePng(c.Png, target);
    EXPECT_EQ(read.Error, c.Kind) << c.Name << ": " << ImageErrorName(read.Error);
    EXPECT_TRUE(target.IsEmpty()) << c.Name << ": a refused file leaves the image empty";
  }
}

TEST(PngCodec, SavingReplacesOnlyOnSuccessAndRefusesEmptyImages) {
  test::TempDir dir;
  TDibBitmap sprite;
  ASSERT_TRUE(LoadSprite(sprite, kSamples + "sprite24-7x7.pcx"));
  ASSERT_TRUE(SavePng(sprite, dir / "out.png", {}).Ok());
  TDibBitmap back;
  ASSERT_TRUE(LoadPng(dir / "out.png", back).Ok());
  EXPECT_EQ(Pixels(back), Pixels(sprite));

  TDibBitmap empty;
  test::WriteFileBytes(dir / "old.png", Bytes{'o', 'l', 'd'});
  EXPECT_EQ(SavePng(empty, dir / "old.png", {}).Error, TImageError::EmptyImage);
  EXPECT_EQ(test::ReadFileBytes(dir / "old.png"), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(SavePng(sprite, dir / "missing/out.png", {}).Error, TImageError::CannotCreate);
  EXPECT_EQ(LoadPng(dir / "absent.png", back).Error, TImageError::CannotOpen);
  EXPECT_EQ(LoadPng(dir.Path(), back).Error, TImageError::NotRegularFile);
}

}  // namespace
}  // namespace kelvane
