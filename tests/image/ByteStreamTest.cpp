#include "image/ByteStream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::TempDir;

TEST(MemoryStream, SeekPastTheEndGrowsWithZeroBytes) {
  auto s = NewMemoryByteStream();
  EXPECT_EQ(s->Seek(10, soFromStart), 10);
  EXPECT_EQ(s->GetSize(), 10);
  EXPECT_EQ(s->Position(), 10);
  std::uint8_t buf[10];
  s->Seek(0, soFromStart);
  ASSERT_EQ(s->Read(buf, 10), 10);
  for (std::uint8_t b : buf) EXPECT_EQ(b, 0);
}

TEST(MemoryStream, ReadStopsAtTheEnd) {
  auto s = NewMemoryByteStream();
  s->SetSize(100);
  s->Seek(95, soFromStart);
  std::uint8_t buf[100];
  EXPECT_EQ(s->Read(buf, 100), 5);
  EXPECT_EQ(s->Read(buf, 100), 0);
  EXPECT_EQ(s->Read(buf, -1), 0);
}

TEST(MemoryStream, WriteInTheMiddleExtendsOnlyAsFarAsNeeded) {
  auto s = NewMemoryByteStream();
  const std::uint8_t three[3] = {1, 2, 3}, four[4] = {9, 9, 9, 9};
  s->Write(three, 3);
  s->Seek(2, soFromStart);
  EXPECT_EQ(s->Write(four, 4), 4);
  EXPECT_EQ(s->GetSize(), 6);
  EXPECT_EQ(s->Memory()[1], 2);
  EXPECT_EQ(s->Memory()[2], 9);
}

TEST(MemoryStream, SetSizeZeroKeepsTheBlockAndRewinds) {
  auto s = NewMemoryByteStream();
  const std::uint8_t data[4] = {1, 2, 3, 4};
  s->Write(data, 4);
  const std::uint8_t* block = s->Memory();
  s->SetSize(0);
  EXPECT_EQ(s->GetSize(), 0);
  EXPECT_EQ(s->Position(), 0);
  EXPECT_EQ(s->Memory(), block);
  // Growing again must not bring the old bytes back.
  s->SetSize(4);
  EXPECT_EQ(s->Memory()[0], 0);
  EXPECT_EQ(s->Memory()[3], 0);
}

TEST(MemoryStream, SeekOriginsAndNegativeTargets) {
  auto s = NewMemoryByteStream();
  s->SetSize(20);
  EXPECT_EQ(s->Seek(-5, soFromEnd), 15);
  EXPECT_EQ(s->Seek(2, soFromCurrent), 17);
  EXPECT_EQ(s->Seek(-100, soFromCurrent), -1);
  EXPECT_EQ(s->GetPosition(), 17);
}

TEST(FileStream, WriteStreamCutsAnOlderLongerFile) {
  TempDir dir;
  const std::string path = dir / "f.bin";
  test::WriteFileBytes(path, Bytes(100, 7));
  {
    auto s = OpenWriteFileStream(path);
    ASSERT_TRUE(s->IsOpen());
    const Bytes ten(10, 1);
    EXPECT_EQ(s->Write(ten.data(), 10), 10);
  }
  EXPECT_EQ(test::ReadFileBytes(path), Bytes(10, 1));
}

TEST(FileStream, WritingInTheMiddleCutsThere) {
  TempDir dir;
  const std::string path = dir / "f.bin";
  auto s = OpenWriteFileStream(path);
  const Bytes eight(8, 2);
  s->Write(eight.data(), 8);
  s->Seek(3, soFromStart);
  s->Write(eight.data(), 1);
  EXPECT_EQ(s->GetSize(), 4);
}

TEST(FileStream, MissingFileReadsAndWritesNothing) {
  TempDir dir;
  auto r = OpenReadFileStream(dir / "missing");
  EXPECT_FALSE(r->IsOpen());
  std::uint8_t buf[4];
  EXPECT_EQ(r->Read(buf, 4), 0);
  EXPECT_EQ(r->GetSize(), -1);
  EXPECT_EQ(r->Seek(0, soFromStart), -1);
  auto w = OpenWriteFileStream(dir / "no-such-dir/x");
  EXPECT_FALSE(w->IsOpen());
  EXPECT_EQ(w->Write(buf, 4), 0);
}

TEST(FileStream, ReadStreamWritesNothingAndWriteStreamReadsNothing) {
  TempDir dir;
  const std::string path = dir / "f.bin";
  test::WriteFileBytes(path, Bytes(4, 5));
  std::uint8_t buf[4] = {};
  EXPECT_EQ(OpenReadFileStream(path)->Write(buf, 4), 0);
  EXPECT_EQ(OpenWriteFileStream(path)->Read(buf, 4), 0);
}

TEST(FileStream, SpecialFilesAreNotOpenedForReading) {
  TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Opening must neither block on the FIFO nor yield a usable stream.
  EXPECT_FALSE(OpenReadFileStream(fifo)->IsOpen());
  EXPECT_FALSE(OpenReadFileStream(dir.Path())->IsOpen());
  EXPECT_FALSE(OpenReadFileStream("/dev/zero")->IsOpen());
}

TEST(CopyStreamBytes, FromMemoryCopiesWhatIsThere) {
  auto src = test::StreamOf(Bytes{1, 2, 3, 4, 5});
  auto dst = NewMemoryByteStream();
  EXPECT_EQ(CopyStreamBytes(*dst, *src, 8), 5);
  EXPECT_EQ(src->Position(), 5);
  EXPECT_EQ(dst->GetSize(), 5);
}

TEST(CopyStreamBytes, IntoMemoryKeepsTheGrownSizeOnAShortRead) {
  TempDir dir;
  const std::string path = dir / "f.bin";
  test::WriteFileBytes(path, Bytes{1, 2, 3});
  auto src = OpenReadFileStream(path);
  auto dst = test::StreamOf(Bytes{9});
  dst->Seek(1, soFromStart);
  EXPECT_EQ(CopyStreamBytes(*dst, *src, 10), 3);
  EXPECT_EQ(dst->GetSize(), 11);
  EXPECT_EQ(dst->Position(), 4);
  EXPECT_EQ(dst->Memory()[3], 3);
  EXPECT_EQ(dst->Memory()[10], 0);
}

TEST(CopyStreamBytes, FileToFileGoesThroughATemporaryBlock) {
  TempDir dir;
  test::WriteFileBytes(dir / "a", Bytes{4, 5, 6});
  auto src = OpenReadFileStream(dir / "a");
  {
    auto dst = OpenWriteFileStream(dir / "b");
    EXPECT_EQ(CopyStreamBytes(*dst, *src, 3), 3);
  }
  EXPECT_EQ(test::ReadFileBytes(dir / "b"), (Bytes{4, 5, 6}));
}

}  // namespace
}  // namespace kelvane
