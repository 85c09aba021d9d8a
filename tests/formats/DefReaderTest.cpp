// The DEF reader: the four pixel formats onto full canvases, the group
// tables as the game writes them, and every hostile file a clear refusal.
#include "formats/DefReader.h"

#include <gtest/gtest.h>

#include "tests/formats/DefTestFiles.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::CanvasOf;
using test::DefBytes;
using test::FrameBytes;
using test::RawFrame;

TDefProblem Read(const Bytes& bytes, TDefAnimation& animation) {
  TMemorySource source(bytes);
  return ReadDef(source, animation);
}

Bytes OneFrameDef(const RawFrame& frame, std::uint32_t type = 0x42) {
  return DefBytes(type, frame.FullWidth, frame.FullHeight, {{0, {{"f.pcx", 0}}}}, {FrameBytes(frame)});
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes U16s(std::initializer_list<std::uint16_t> values) {
  Bytes b;
  for (std::uint16_t v : values) test::Put16(b, v);
  return b;
}

Bytes U32s(std::initializer_list<std::uint32_t> values) {
  Bytes b;
  for (std::uint32_t v : values) test::Put32(b, v);
  return b;
}

TEST(ReadDef, DecodesEachPixelFormatOntoItsCanvas) {
  // The stored pixels sit at (1, 1) of a 6 x 3 canvas; index 0 fills the rest.
  const TDefCanvas small = CanvasOf({{0, 0, 0, 0, 0, 0}, {0, 10, 11, 5, 5, 0}, {0, 14, 15, 16, 17, 0}});
  // Format 3: a 32-pixel piece at (8, 1) of a 40 x 2 canvas: ten 3s, two
  // literals, twenty 0s.
  Bytes pieceRow(40, 0);
  for (int x = 8; x < 18; ++x) pieceRow[x] = 3;
  pieceRow[18] = 200;
  pieceRow[19] = 201;
  const TDefCanvas wide = CanvasOf({Bytes(40, 0), pieceRow});

  struct Case {
    const char* Name;
    RawFrame Frame;
    TDefCanvas Expected;
  } cases[] = {
      {"format 0", {0, 6, 3, 4, 2, 1, 1, {10, 11, 5, 5, 14, 15, 16, 17}}, small},
      {"format 1",
       {1, 6, 3, 4, 2, 1, 1, Join({U32s({8, 14}), {0xFF, 1, 10, 11, 5, 1}, {0xFF, 3, 14, 15, 16, 17}})},
       small},
      {"format 2",
       {2, 6, 3, 4, 2, 1, 1, Join({U16s({4, 8}), {7 << 5 | 1, 10, 11, 5 << 5 | 1}, {7 << 5 | 3, 14, 15, 16, 17}})},
       small},
      {"format 3", {3, 40, 2, 32, 1, 8, 1, Join({U16s({2}), {3 << 5 | 9, 7 << 5 | 1, 200, 201, 0 << 5 | 19}})}, wide},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TDefAnimation a;
    const TDefProblem problem = Read(OneFrameDef(c.Frame), a);
    ASSERT_TRUE(problem.Ok()) << problem.Text();
    ASSERT_EQ(a.Frames.size(), 1u);
    EXPECT_EQ(a.Frames[0].Canvas, c.Expected);
    EXPECT_EQ(a.Frames[0].PixelFormat, c.Frame.Format);
    EXPECT_EQ(a.Frames[0].Stored.Left, c.Frame.Left);
    EXPECT_EQ(a.Frames[0].Stored.Width, c.Frame.Width);
  }
}

TEST(ReadDef, ReadsGroupsWithGapsSharedFramesAndFramesStoredOutOfOrder) {
  const auto frame = [](std::uint8_t index) {
    return FrameBytes({0, 3, 2, 1, 1, 2, 1, {index}});
  };
  Bytes bytes = DefBytes(0x42, 3, 2,
                         {{0, {{"CAone.pcx", 0}, {"CAtwo.pcx", 1}}},
                          {4, {{"CAthree.pcx", 2}}},
                          {9, {{"CAone.pcx", 0}, {"CAthree.pcx", 2}, {"ABCDEFGHIJKLM", 1}}}},
                         {frame(21), frame(22), frame(23)}, {2, 0, 1});
  // Junk after a name's NUL is not part of the name.
  const std::size_t firstName = 784 + 16;
  bytes[firstName + 10] = 'X';
  bytes[firstName + 12] = 'Y';

  TDefAnimation a;
  const TDefProblem problem = Read(bytes, a);
  ASSERT_TRUE(problem.Ok()) << problem.Text();
  EXPECT_EQ(a.Type, 0x42u);
  EXPECT_EQ(a.Width, 3u);
  EXPECT_EQ(a.Height, 2u);
  EXPECT_EQ(a.Palette, test::TestPalette());
  ASSERT_EQ(a.Groups.size(), 3u);
  EXPECT_EQ(a.Groups[0].Id, 0u);
  EXPECT_EQ(a.Groups[1].Id, 4u);
  EXPECT_EQ(a.Groups[2].Id, 9u);
  EXPECT_EQ(a.FrameRefCount(), 6u);
  ASSERT_EQ(a.Frames.size(), 3u) << "a frame listed twice is stored, and decoded, once";

  const auto indexOf = [&](const TDefFrameRef& ref) { return a.Frames[ref.Frame].Canvas.Indexes[5]; };
  EXPECT_EQ(a.Groups[0].Frames[0].Name, "CAone.pcx");
  EXPECT_EQ(indexOf(a.Groups[0].Frames[0]), 21);
  EXPECT_EQ(indexOf(a.Groups[0].Frames[1]), 22);
  EXPECT_EQ(indexOf(a.Groups[1].Frames[0]), 23);
  EXPECT_EQ(a.Groups[2].Frames[0].Frame, a.Groups[0].Frames[0].Frame);
  EXPECT_EQ(a.Groups[2].Frames[1].Frame, a.Groups[1].Frames[0].Frame);
  EXPECT_EQ(a.Groups[2].Frames[2].Name, "ABCDEFGHIJKLM") << "thirteen bytes without a NUL are kept whole";
  EXPECT_EQ(indexOf(a.Groups[2].Frames[2]), 22);
}

TEST(ReadDef, RefusesEveryHostileFileWithItsKind) {
  const RawFrame good{1, 8, 4, 8, 1, 0, 0, Join({U32s({4}), {20, 7}})};
  const auto withGroupField = [&](std::size_t at, std::uint32_t value) {
    Bytes b = OneFrameDef(good);
    std::memcpy(b.data() + at, &value, 4);
    return b;
  };
  struct Case {
    const char* Name;
    Bytes File;
    TImageError Expected;
  } cases[] = {
      {"frame offset beyond the file", withGroupField(784 + 16 + 13, 100000), TImageError::OffsetOutsideFile},
      {"frame header cut off", withGroupField(784 + 16 + 13, 784 + 16 + 17 + 20), TImageError::ShortRead},
      {"format 1 row offset beyond the file", OneFrameDef({1, 8, 4, 8, 1, 0, 0, U32s({0xFFFFFFFF})}),
       TImageError::OffsetOutsideFile},
      {"format 2 row offset beyond the file", OneFrameDef({2, 8, 4, 8, 1, 0, 0, U16s({0xFFFF})}),
       TImageError::OffsetOutsideFile},
      {"format 3 piece offset beyond the file", OneFrameDef({3, 32, 1, 32, 1, 0, 0, U16s({40000})}),
       TImageError::OffsetOutsideFile},
      {"format 1 rows cut off", OneFrameDef({1, 8, 4, 8, 2, 0, 0, U32s({8})}), TImageError::ShortRead},
      {"format 1 literal cut off", OneFrameDef({1, 8, 4, 8, 1, 0, 0, Join({U32s({4}), {0xFF, 7, 1, 2}})}),
       TImageError::ShortRead},
      {"format 0 pixels cut off", OneFrameDef({0, 8, 4, 8, 4, 0, 0, Bytes(31, 9)}), TImageError::ShortRead},
      {"format 1 run past the row",
       OneFrameDef({1, 8, 4, 8, 1, 0, 0, Join({U32s({4}), {20, 3, 0xFF, 4, 1, 2, 3, 4, 5}})}), TImageError::RunPastRow},
      {"format 2 run past the row", OneFrameDef({2, 8, 4, 5, 1, 0, 0, Join({U16s({2}), {2 << 5 | 5}})}),
       TImageError::RunPastRow},
      {"format 3 run across its piece",
       OneFrameDef({3, 64, 1, 64, 1, 0, 0, Join({U16s({4, 4}), {0 << 5 | 19, 1 << 5 | 19}})}),
       TImageError::RunCrossesPiece},
      {"rectangle past the right edge", OneFrameDef({0, 8, 4, 5, 1, 4, 0, Bytes(5, 9)}),
       TImageError::RectOutsideCanvas},
      {"rectangle past the bottom", OneFrameDef({0, 8, 4, 1, 3, 0, 2, Bytes(3, 9)}), TImageError::RectOutsideCanvas},
      {"left plus width wraps 32 bits", OneFrameDef({0, 8, 4, 12, 1, 0xFFFFFFF8u, 0, Bytes(12, 9)}),
       TImageError::RectOutsideCanvas},
      {"pixel format 4", OneFrameDef({4, 8, 4, 8, 1, 0, 0, Bytes(8, 9)}), TImageError::UnknownPixelFormat},
      {"pixel format 2^32 - 1", OneFrameDef({0xFFFFFFFF, 8, 4, 8, 1, 0, 0, Bytes(8, 9)}),
       TImageError::UnknownPixelFormat},
      {"a canvas of no pixels", OneFrameDef({0, 8, 0, 0, 0, 0, 0, {}}), TImageError::BadFrameHeader},
      {"format 3 width not a multiple of 32", OneFrameDef({3, 64, 1, 40, 1, 0, 0, U16s({4, 5})}),
       TImageError::BadFrameHeader},
      {"group count above the cap", withGroupField(12, kMaxDefGroups + 1), TImageError::OverLimit},
      {"frame count above the cap", withGroupField(784 + 4, kMaxDefFrames + 1), TImageError::OverLimit},
      {"frame count beyond the file", withGroupField(784 + 4, 1000), TImageError::ShortRead},
      {"group count beyond the file", withGroupField(12, 50), TImageError::ShortRead},
      {"canvas above the cap", OneFrameDef({1, 0x8001, 0x8000, 1, 1, 0, 0, Join({U32s({4}), {9, 0}})}),
       TImageError::OverLimit},
      {"canvases together above the cap",
       DefBytes(0x42, 1, 1, {{0, {{"a", 0}, {"b", 1}}}},
                {FrameBytes({0, 0x8000, 0x6000, 1, 1, 0, 0, {9}}), FrameBytes({0, 0x8000, 0x6000, 1, 1, 0, 0, {8}})}),
       TImageError::OverLimit},
      {"empty", {}, TImageError::ShortRead},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TDefAnimation a;
    a.Type = 7;
    const TDefProblem problem = Read(c.File, a);
    EXPECT_EQ(ImageErrorName(problem.Why.Error), std::string(ImageErrorName(c.Expected))) << problem.Text();
    EXPECT_FALSE(problem.Where.empty()) << "the refusal says where";
    EXPECT_TRUE(a.Groups.empty() && a.Frames.empty() && a.Type == 0) << "a failed read leaves the animation empty";
  }
}

TEST(ReadDef, EveryTruncationOfAGoodFileIsRefused) {
  // Two groups, all four formats: wherever the file is cut, the reader
  // stops with a refusal (never a crash or a read past the end, which the
  // sanitizer builds would catch).
  const Bytes file = DefBytes(
      0x48, 40, 2, {{0, {{"a", 0}, {"b", 1}}}, {3, {{"c", 2}, {"d", 3}}}},
      {FrameBytes({0, 8, 2, 2, 2, 1, 0, {9, 10, 11, 12}}),
       FrameBytes({1, 8, 2, 4, 1, 0, 1, Join({U32s({4}), {0xFF, 1, 9, 9, 3, 1}})}),
       FrameBytes({2, 8, 2, 3, 1, 0, 0, Join({U16s({2}), {7 << 5 | 2, 9, 9, 9}})}),
       FrameBytes({3, 40, 2, 32, 1, 0, 0, Join({U16s({2}), {0 << 5 | 31}})})},
      {3, 2, 1, 0});
  TDefAnimation whole;
  ASSERT_TRUE(Read(file, whole).Ok());
  for (std::size_t size = 0; size < file.size(); ++size) {
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    TDefAnimation a;
    const TDefProblem problem = Read(cut, a);
    EXPECT_TRUE(problem.Why.Error == TImageError::ShortRead || problem.Why.Error == TImageError::OffsetOutsideFile)
        << "cut at " << size << ": " << problem.Text();
  }
}

TEST(ReadDefFile, SaysWhyAFileCannotBeOpened) {
  test::TempDir dir;
  TDefAnimation a;
  EXPECT_EQ(ReadDefFile(dir / "missing.def", a).Why.Text(), "Cannot open file: No such file or directory");
  EXPECT_EQ(ReadDefFile(dir.Path(), a).Why.Error, TImageError::NotRegularFile);
  test::WriteFileBytes(dir / "x.def", OneFrameDef({0, 2, 1, 2, 1, 0, 0, {9, 10}}));
  ASSERT_TRUE(ReadDefFile(dir / "x.def", a).Ok());
  EXPECT_EQ(a.Frames.at(0).Canvas, CanvasOf({{9, 10}}));
}

}  // namespace
}  // namespace kelvane
