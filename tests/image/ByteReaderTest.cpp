// The checked reader and the byte sources every parser reads through: no
// read outside the block, a failure that sticks, claims checked before they
// are allocated.
#include "image/ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "image/ByteSource.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;

TEST(ByteReader, ReadsLittleEndianFieldsInOrder) {
  const Bytes bytes{0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF};
  TByteReader r(bytes);
  EXPECT_EQ(r.U8(), 0x01);
  EXPECT_EQ(r.U16(), 0x1234);
  EXPECT_EQ(r.U32(), 0x12345678u);
  EXPECT_EQ(r.I32(), -2);
  EXPECT_TRUE(r.Ok());
  EXPECT_TRUE(r.AtEnd());
}

TEST(ByteReader, AnOverrunReadsNothingAndTheFailureSticks) {
  const Bytes bytes{1, 2, 3};
  TByteReader r(bytes);
  EXPECT_EQ(r.U32(), 0u) << "three bytes do not make a u32";
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(r.Position(), 0u) << "nothing was consumed";
  EXPECT_EQ(r.U8(), 0) << "a failed reader stays failed, even for a byte that is there";
  std::uint8_t out[2] = {9, 9};
  EXPECT_FALSE(r.Read(out, 2));
  EXPECT_EQ(out[0], 0) << "a failed read leaves zeros, never old bytes";
  EXPECT_TRUE(r.Take(1).empty());
}

TEST(ByteReader, HostileCountsAndOffsetsCannotWrapThePosition) {
  const Bytes bytes(16, 7);
  const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
  struct Case {
    const char* Name;
    bool (*Step)(TByteReader&);
  } cases[] = {
      {"skip", [](TByteReader& r) { return r.Skip(std::numeric_limits<std::uint64_t>::max()); }},
      {"seek", [](TByteReader& r) { return r.Seek(17); }},
      {"take", [](TByteReader& r) { return !r.Take(std::numeric_limits<std::uint64_t>::max() - 3).empty(); }},
  };
  for (const Case& c : cases) {
    TByteReader r(bytes);
    r.Skip(4);
    EXPECT_FALSE(c.Step(r)) << c.Name;
    EXPECT_TRUE(r.Failed()) << c.Name;
    EXPECT_EQ(r.Position(), 4u) << c.Name;
  }
  TByteReader r(bytes);
  EXPECT_TRUE(r.Sub(huge, 2).Failed());
  EXPECT_TRUE(r.Sub(8, huge - 4).Failed());
  EXPECT_TRUE(r.Sub(17, 0).Failed());
  EXPECT_TRUE(r.Sub(16, 0).Ok()) << "an empty range at the end is inside";
}

TEST(ByteReader, SubReadersSeeOnlyTheirRange) {
  const Bytes bytes{0, 1, 2, 3, 4, 5, 6, 7};
  TByteReader r(bytes);
  TByteReader sub = r.Sub(2, 3);
  EXPECT_EQ(sub.Size(), 3u);
  EXPECT_EQ(sub.U8(), 2);
  EXPECT_EQ(sub.U16(), 0x0403);
  EXPECT_EQ(sub.U8(), 0) << "byte 5 is outside the range";
  EXPECT_TRUE(sub.Failed());
  EXPECT_TRUE(r.Ok()) << "the parent is untouched";
  EXPECT_EQ(r.From(6).U16(), 0x0706);
}

TEST(ByteSource, ClaimsAreCheckedBeforeAnythingIsRead) {
  const Bytes bytes(100, 1);
  TMemorySource memory(bytes);
  TByteReader r;
  EXPECT_EQ(memory.Range(0, 100, 100, r).Error, TImageError::None);
  EXPECT_EQ(r.Size(), 100u);
  EXPECT_EQ(memory.Range(0, 101, 1000, r).Error, TImageError::ShortRead);
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(memory.Range(99, 2, 1000, r).Error, TImageError::ShortRead);
  EXPECT_EQ(memory.Range(std::numeric_limits<std::uint64_t>::max(), 2, 1000, r).Error, TImageError::ShortRead);
  EXPECT_EQ(memory.Range(0, 50, 49, r).Error, TImageError::OverLimit) << "over the cap even though present";
  EXPECT_EQ(memory.Rest(40, 1000, r).Error, TImageError::None);
  EXPECT_EQ(r.Size(), 60u);
}

TEST(ByteSource, AFileSourceReadsOnlyTheRangesAskedForAndSaysWhyItCannotOpen) {
  test::TempDir dir;
  Bytes bytes(5000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  test::WriteFileBytes(dir / "f.bin", bytes);
  TFileSource file = OpenFileSource(dir / "f.bin");
  ASSERT_TRUE(file.Opened.Ok());
  ASSERT_NE(file.Source, nullptr);
  EXPECT_EQ(file.Source->Size(), 5000u);
  TByteReader first, second;
  ASSERT_TRUE(file.Source->Range(4000, 10, 10, first).Ok());
  ASSERT_TRUE(file.Source->Range(10, 2, 10, second).Ok());
  EXPECT_EQ(first.U8(), static_cast<std::uint8_t>(4000 * 7)) << "the first range is still valid after the second";
  EXPECT_EQ(second.U8(), static_cast<std::uint8_t>(70));
  // A claim of terabytes in a small file is a short read, not an allocation.
  EXPECT_EQ(file.Source->Range(0, std::uint64_t{1} << 40, std::uint64_t{1} << 41, first).Error, TImageError::ShortRead);

  EXPECT_EQ(OpenFileSource(dir / "missing").Opened.Text(), "Cannot open file: No such file or directory");
  EXPECT_EQ(OpenFileSource(dir.Path()).Opened.Error, TImageError::NotRegularFile);
}

}  // namespace
}  // namespace kelvane
