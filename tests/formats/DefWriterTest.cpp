// The DEF writer: what it writes reads back to the same canvases in every
// pixel format; the rectangle, format and sharing rules; its refusals; and
// the way between frames and 8-bit bitmaps.
#include "formats/DefWriter.h"

#include <gtest/gtest.h>

#include "formats/DefReader.h"
#include "tests/formats/DefTestFiles.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::CanvasOf;
using test::Picture;

TDefAnimation AnimationOf(std::uint32_t type, std::vector<TDefCanvas> canvases) {
  TDefAnimation a;
  a.Type = type;
  a.Width = canvases.empty() ? 0 : static_cast<std::uint32_t>(canvases[0].Width);
  a.Height = canvases.empty() ? 0 : static_cast<std::uint32_t>(canvases[0].Height);
  a.Palette = test::TestPalette();
  TDefGroup group;
  for (std::size_t i = 0; i < canvases.size(); ++i) {
    group.Frames.push_back({"F" + std::to_string(i) + ".pcx", i});
    TDefFrame frame;
    frame.Canvas = std::move(canvases[i]);
    a.Frames.push_back(std::move(frame));
  }
  a.Groups.push_back(std::move(group));
  return a;
}

// Encodes and reads back; fails the test when either side refuses.
TDefAnimation RoundTrip(const TDefAnimation& a, TDefWriteOptions options, Bytes* bytes = nullptr) {
  Bytes encoded;
  const TDefProblem written = EncodeDef(a, options, encoded);
  EXPECT_TRUE(written.Ok()) << written.Text();
  TMemorySource source(encoded);
  TDefAnimation back;
  const TDefProblem read = ReadDef(source, back);
  EXPECT_TRUE(read.Ok()) << read.Text();
  if (bytes != nullptr) *bytes = encoded;
  return back;
}

const TDefCanvas& CanvasAt(const TDefAnimation& a, std::size_t group, std::size_t frame) {
  return a.Frames.at(a.Groups.at(group).Frames.at(frame).Frame).Canvas;
}

TEST(EncodeDef, EveryPixelFormatReadsBackToTheSameCanvases) {
  // Odd sizes; pictures reaching the edges and inset; a frame of nothing;
  // runs longer than one segment holds (256 in format 1, 32 in 2 and 3).
  const auto longRuns = [](std::size_t width) {
    TDefCanvas c = CanvasOf({Bytes(width, 0), Bytes(width, 200), Bytes(width, 3), Bytes(width, 0xFF)});
    for (std::size_t x = 0; x < width; x += 97) c.Indexes[width + x] = 9;
    return c;
  };
  const std::vector<TDefCanvas> anyWidth = {Picture(1, 1, 0, 0), Picture(5, 3, 0, 1), Picture(47, 33, 4, 2),
                                            Picture(33, 21, 0, 3), TDefCanvas{9, 7, Bytes(63, 0)}, longRuns(700)};
  // Format 3 stores widths in multiples of 32 inside the canvas.
  const std::vector<TDefCanvas> pieceWidths = {Picture(32, 1, 0, 0), Picture(96, 33, 5, 1), Picture(64, 17, 0, 2),
                                               Picture(45, 9, 7, 3), TDefCanvas{40, 3, Bytes(120, 0)}, longRuns(704)};
  for (std::uint32_t format = 0; format < kDefPixelFormats; ++format) {
    SCOPED_TRACE("format " + std::to_string(format));
    const TDefAnimation a = AnimationOf(0x42, format == kDefPieceRuns ? pieceWidths : anyWidth);
    const TDefAnimation back = RoundTrip(a, {format});
    ASSERT_EQ(back.Groups.size(), 1u);
    ASSERT_EQ(back.Groups[0].Frames.size(), a.Groups[0].Frames.size());
    for (std::size_t i = 0; i < a.Frames.size(); ++i) {
      EXPECT_EQ(CanvasAt(back, 0, i), a.Frames[i].Canvas) << "frame " << i;
      EXPECT_EQ(back.Groups[0].Frames[i].Name, a.Groups[0].Frames[i].Name);
      EXPECT_EQ(back.Frames[back.Groups[0].Frames[i].Frame].PixelFormat, format);
    }
    EXPECT_EQ(back.Type, a.Type);
    EXPECT_EQ(back.Width, a.Width);
    EXPECT_EQ(back.Palette, a.Palette);
  }
}

TEST(EncodeDef, KeepsGroupIdsOrderAndNames) {
  TDefAnimation a = AnimationOf(0x49, {Picture(6, 4, 1, 0), Picture(6, 4, 1, 1)});
  a.Groups = {{12, {{"b", 1}, {"a", 0}}}, {3, {}}, {0, {{"twelve_bytes", 1}}}};
  const TDefAnimation back = RoundTrip(a, {});
  ASSERT_EQ(back.Groups.size(), 3u);
  EXPECT_EQ(back.Groups[0].Id, 12u);
  EXPECT_EQ(back.Groups[1].Id, 3u);
  EXPECT_TRUE(back.Groups[1].Frames.empty());
  EXPECT_EQ(back.Groups[2].Frames.at(0).Name, "twelve_bytes");
  EXPECT_EQ(CanvasAt(back, 0, 1), a.Frames[0].Canvas);
  EXPECT_EQ(CanvasAt(back, 2, 0), a.Frames[1].Canvas);
}

TEST(EncodeDef, PixelFormatFollowsTheTypeUnlessForced) {
  struct Case {
    std::uint32_t Type;
    std::optional<std::uint32_t> Forced;
    std::uint32_t Expected;
  } cases[] = {{0x40, {}, 1}, {0x41, {}, 1}, {0x42, {}, 1}, {0x43, {}, 3}, {0x44, {}, 3}, {0x45, {}, 2},
               {0x46, {}, 1}, {0x47, {}, 1}, {0x48, {}, 1}, {0x49, {}, 1}, {0x77, {}, 1}, {0x43, 0u, 0},
               {0x42, 2u, 2}, {0x45, 3u, 3}};
  for (const Case& c : cases) {
    const TDefAnimation back = RoundTrip(AnimationOf(c.Type, {Picture(64, 8, 2, 0)}), {c.Forced});
    EXPECT_EQ(back.Frames.at(0).PixelFormat, c.Expected) << "type " << c.Type;
  }
}

TEST(EncodeDef, StoresTheTrimmedRectangleWidenedToPiecesInFormatThree) {
  TDefCanvas canvas{50, 20, Bytes(1000, 0)};
  canvas.Indexes[3 * 50 + 30] = 9;   // top, left
  canvas.Indexes[11 * 50 + 45] = 1;  // bottom, right: a shadow pixel counts too
  struct Case {
    std::uint32_t Format;
    TDefCanvas Canvas;
    TDefRect Expected;
  } cases[] = {
      {0, canvas, {30, 3, 16, 9}},
      {1, canvas, {30, 3, 16, 9}},
      {2, canvas, {30, 3, 16, 9}},
      // 16 wide becomes 32, and moves left so it ends at the canvas's edge.
      {3, canvas, {18, 3, 32, 9}},
      {1, TDefCanvas{7, 5, Bytes(35, 0)}, {0, 0, 1, 1}},
      {3, TDefCanvas{40, 5, Bytes(200, 0)}, {0, 0, 32, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("format " + std::to_string(c.Format));
    const TDefAnimation back = RoundTrip(AnimationOf(0x42, {c.Canvas}), {c.Format});
    const TDefRect stored = back.Frames.at(0).Stored;
    EXPECT_EQ(stored.Left, c.Expected.Left);
    EXPECT_EQ(stored.Top, c.Expected.Top);
    EXPECT_EQ(stored.Width, c.Expected.Width);
    EXPECT_EQ(stored.Height, c.Expected.Height);
    EXPECT_EQ(back.Frames.at(0).Canvas, c.Canvas);
  }
}

TEST(EncodeDef, StoresIdenticalFramesOnce) {
  TDefAnimation a = AnimationOf(0x42, {Picture(30, 20, 2, 0), Picture(30, 20, 2, 1), Picture(30, 20, 2, 0)});
  a.Groups = {{0, {{"a", 0}, {"b", 1}, {"c", 2}}}, {1, {{"d", 2}, {"e", 0}}}};
  Bytes shared;
  const TDefAnimation back = RoundTrip(a, {}, &shared);
  EXPECT_EQ(back.Frames.size(), 2u) << "frames 0 and 2 hold the same pixels";
  EXPECT_EQ(back.Groups[0].Frames[0].Frame, back.Groups[0].Frames[2].Frame);
  EXPECT_EQ(back.Groups[1].Frames[0].Frame, back.Groups[0].Frames[0].Frame);
  EXPECT_NE(back.Groups[0].Frames[0].Frame, back.Groups[0].Frames[1].Frame);

  // The same canvas in another size is another frame.
  a.Frames[2].Canvas = Picture(31, 20, 2, 0);
  Bytes distinct;
  EXPECT_EQ(RoundTrip(a, {}, &distinct).Frames.size(), 3u);
  EXPECT_LT(shared.size(), distinct.size());
}

TEST(EncodeDef, KeepsReservedIndexesInRunsAndTheRestInLiterals) {
  // One row; the rectangle is the whole row, as it starts and ends with
  // non-zero pixels.
  const TDefCanvas row = CanvasOf({{9, 0, 0, 10, 1, 11, 255, 255, 255, 200, 200, 200}});
  struct Case {
    std::uint32_t Format;
    std::size_t TableBytes;
    Bytes Expected;
  } cases[] = {
      // 9 | run of two 0 | 10 | run of one 1 | 11 and three 255 (never a
      // run: 0xFF means literal) | run of three 200.
      {1, 4, {0xFF, 0, 9, 0, 1, 0xFF, 0, 10, 1, 0, 0xFF, 3, 11, 255, 255, 255, 200, 2}},
      // Only indexes 0 to 6 have run codes.
      {2, 2, {0xE0, 9, 0x01, 0xE0, 10, 0x20, 0xE6, 11, 255, 255, 255, 200, 200, 200}},
  };
  for (const Case& c : cases) {
    Bytes encoded;
    ASSERT_TRUE(EncodeDef(AnimationOf(0x42, {row}), {c.Format}, encoded).Ok());
    const std::size_t data = 784 + 16 + 17 + 32 + c.TableBytes;
    ASSERT_EQ(encoded.size(), data + c.Expected.size()) << "format " << c.Format;
    EXPECT_EQ(Bytes(encoded.begin() + static_cast<std::ptrdiff_t>(data), encoded.end()), c.Expected)
        << "format " << c.Format;
  }
}

TEST(EncodeDef, RefusesWhatItCannotWriteTruthfully) {
  Bytes noise(300 * 300);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(8 + (i * 7919) % 240);
  struct Case {
    const char* Name;
    TDefAnimation Animation;
    std::optional<std::uint32_t> Format;
    TImageError Expected;
  } cases[] = {
      {"a name of 13 bytes", AnimationOf(0x42, {Picture(4, 4, 0, 0)}), {}, TImageError::BadFrameName},
      {"a name with a NUL", AnimationOf(0x42, {Picture(4, 4, 0, 0)}), {}, TImageError::BadFrameName},
      {"format 3 on a canvas narrower than 32",
       AnimationOf(0x43, {Picture(20, 4, 0, 0)}),
       {},
       TImageError::DoesNotFitFormat},
      {"format 2 beyond its 16-bit offsets",
       AnimationOf(0x45, {TDefCanvas{300, 300, noise}}),
       {},
       TImageError::DoesNotFitFormat},
      {"pixel format 4", AnimationOf(0x42, {Picture(4, 4, 0, 0)}), 4u, TImageError::UnknownPixelFormat},
      {"a canvas of no pixels", AnimationOf(0x42, {TDefCanvas{}}), {}, TImageError::BadFrameHeader},
      {"a reference to no frame", AnimationOf(0x42, {Picture(4, 4, 0, 0)}), {}, TImageError::BadFrameHeader},
      {"more groups than the reader takes", AnimationOf(0x42, {}), {}, TImageError::OverLimit},
  };
  cases[0].Animation.Groups[0].Frames[0].Name = "thirteen_byte";
  cases[1].Animation.Groups[0].Frames[0].Name = std::string("a\0b", 3);
  cases[6].Animation.Groups[0].Frames[0].Frame = 1;
  cases[7].Animation.Groups.resize(kMaxDefGroups + 1);
  for (const Case& c : cases) {
    Bytes out{1, 2, 3};
    const TDefProblem problem = EncodeDef(c.Animation, {c.Format}, out);
    EXPECT_EQ(ImageErrorName(problem.Why.Error), std::string(ImageErrorName(c.Expected))) << c.Name;
    EXPECT_FALSE(problem.Where.empty()) << c.Name;
  }
  // Format 1 has 32-bit offsets and takes the frame format 2 cannot.
  EXPECT_EQ(RoundTrip(AnimationOf(0x45, {TDefCanvas{300, 300, noise}}), {1u}).Frames.at(0).Canvas.Indexes, noise);
}

TEST(SaveDef, ReplacesTheFileOnlyWhenEverythingWasWritten) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "old.def", {'o', 'l', 'd'});
  TDefAnimation bad = AnimationOf(0x42, {Picture(4, 4, 0, 0)});
  bad.Groups[0].Frames[0].Name = "much_too_long_a_name";
  EXPECT_EQ(SaveDef(bad, {}, dir / "old.def").Why.Error, TImageError::BadFrameName);
  EXPECT_EQ(test::ReadFileBytes(dir / "old.def"), (Bytes{'o', 'l', 'd'}));

  const TDefAnimation good = AnimationOf(0x42, {Picture(4, 4, 0, 0)});
  ASSERT_TRUE(SaveDef(good, {}, dir / "old.def").Ok());
  TDefAnimation back;
  ASSERT_TRUE(ReadDefFile(dir / "old.def", back).Ok());
  EXPECT_EQ(back.Frames.at(0).Canvas, good.Frames[0].Canvas);
  EXPECT_EQ(SaveDef(good, {}, dir / "no-such-dir/x.def").Why.Error, TImageError::CannotCreate);
}

TEST(FrameImages, CanvasesBecomeEightBitImagesWithThePaletteAndComeBack) {
  const TDefPalette palette = test::TestPalette();
  for (const TDefCanvas& canvas :
       {Picture(1, 1, 0, 0), Picture(3, 2, 0, 1), Picture(5, 7, 1, 2), Picture(33, 4, 0, 3)}) {
    SCOPED_TRACE(std::to_string(canvas.Width) + "x" + std::to_string(canvas.Height));
    TDibBitmap image;
    ASSERT_TRUE(ImageOfCanvas(canvas, palette, image).Ok());
    EXPECT_EQ(image.GetPixelFormat(), px8);
    EXPECT_EQ(image.Width(), canvas.Width);
    EXPECT_EQ(image.Height(), canvas.Height);
    EXPECT_TRUE(HasPalette(image, palette));
    TDefCanvas back;
    ASSERT_TRUE(CanvasOfImage(image, back).Ok());
    EXPECT_EQ(back, canvas);
  }
  TDibBitmap image;
  ASSERT_TRUE(ImageOfCanvas(Picture(4, 4, 0, 0), palette, image).Ok());
  TDefPalette other = palette;
  other[3 * 200 + 1] ^= 1;
  EXPECT_FALSE(HasPalette(image, other)) << "one channel of one entry differs";
  image.SetPixelFormat(px24);
  TDefCanvas canvas;
  EXPECT_EQ(CanvasOfImage(image, canvas).Error, TImageError::NotEightBit);
  EXPECT_FALSE(HasPalette(image, palette));
}

TEST(FrameImages, TopDownAndBottomUpBitmapsGiveTheSameCanvas) {
  const std::string samples = std::string(KELVANE_SOURCE_DIR) + "/samples/";
  TDibBitmap bottomUp, topDown;
  ASSERT_TRUE(bottomUp.ReadBmpFile(samples + "bmp8-47x33.bmp"));
  ASSERT_TRUE(topDown.ReadBmpFile(samples + "bmp8topdown-47x33.bmp"));
  TDefCanvas a, b;
  ASSERT_TRUE(CanvasOfImage(bottomUp, a).Ok());
  ASSERT_TRUE(CanvasOfImage(topDown, b).Ok());
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.Width, 47);
  // The top row of the picture is the last row stored in a bottom-up file.
  EXPECT_EQ(a.Indexes[0], bottomUp.Pixels()[32 * bottomUp.RowStride()]);
}

}  // namespace
}  // namespace kelvane
