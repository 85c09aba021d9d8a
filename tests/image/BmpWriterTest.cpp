#include <gtest/gtest.h>

#include <cerrno>
#include <signal.h>
#include <sys/resource.h>

#include <sys/stat.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "image/DibBitmap.h"
#include "image/SafeSave.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::InfoHeader;

Bytes Written(TDibBitmap& b) {
  auto s = NewMemoryByteStream();
  EXPECT_TRUE(b.WriteBmpStream(*s));
  return Bytes(s->Memory(), s->Memory() + s->Size());
}

TDibBitmap& Load(TDibBitmap& b, const Bytes& file) {
  auto s = test::StreamOf(file);
  EXPECT_TRUE(b.ReadBmpStream(*s));
  return b;
}

TEST(BmpWriter, WritesTheExactLayoutForEachDepth) {
  struct Case {
    int Bits;
    std::uint32_t Compression;
    int Width, Height;
    std::size_t FileBytes;
    std::uint32_t OffBits;
  } cases[] = {
      {24, 0, 1, 1, 58, 54},        // 3 pixel bytes and one byte of padding
      {8, 0, 3, 2, 1086, 1078},     // whole table, two padded rows
      {1, 0, 1, 1, 66, 62},         //
      {4, 0, 3, 1, 122, 118},       //
      {16, 0, 2, 1, 58, 54},        // 5-5-5
      {16, 3, 2, 1, 132, 128},      // bit fields: 74 mask bytes
      {32, 0, 1, 2, 62, 54},        //
      {32, 3, 1, 1, 132, 128},      //
  };
  for (const Case& c : cases) {
    InfoHeader h;
    h.Width = c.Width;
    h.Height = c.Height;
    h.BitCount = static_cast<std::uint16_t>(c.Bits);
    h.Compression = c.Compression;
    Bytes between = c.Bits <= 8 ? test::MakeTable(1 << c.Bits) : Bytes(c.Compression ? 12 : 0, 0x1F);
    const std::size_t stride = static_cast<std::size_t>((c.Width * c.Bits + 31) / 32 * 4);
    Bytes pixels(stride * static_cast<std::size_t>(c.Height), 0x5A);
    TDibBitmap b;
    Load(b, test::MakeBmp(h, between, pixels));
    const Bytes out = Written(b);
    ASSERT_EQ(out.size(), c.FileBytes) << c.Bits << "/" << c.Compression;
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    EXPECT_EQ(test::Get32(out, 2), c.FileBytes);
    EXPECT_EQ(test::Get32(out, 6), 0u);
    EXPECT_EQ(test::Get32(out, 10), c.OffBits);
    EXPECT_EQ(Bytes(out.begin() + c.OffBits, out.end()), pixels);
    EXPECT_EQ(Bytes(out.begin() + 14, out.begin() + 54), Bytes(b.Info()->Bytes.begin(), b.Info()->Bytes.begin() + 40));
  }
}

TEST(BmpWriter, KeepsHeaderFieldsAsHeld) {
  InfoHeader h;
  h.BitCount = 8;
  h.ClrUsed = 16;
  h.Height = -1;
  TDibBitmap b;
  Load(b, test::MakeBmp(h, test::MakeTable(16), Bytes{3, 0, 0, 0}));
  const Bytes out = Written(b);
  EXPECT_EQ(test::Get32(out, 10), 1078u);
  EXPECT_EQ(test::Get32(out, 14 + 32), 16u) << "biClrUsed stays";
  EXPECT_EQ(static_cast<std::int32_t>(test::Get32(out, 14 + 8)), -1) << "top-down stays top-down";
}

TEST(BmpWriter, WritesAtTheStreamPositionAndLeavesEarlierBytes) {
  InfoHeader h;
  TDibBitmap b;
  Load(b, test::MakeBmp(h, {}, Bytes{1, 2, 3, 0}));
  auto s = test::StreamOf(Bytes{9, 9, 9});
  s->Seek(3, soFromStart);
  ASSERT_TRUE(b.WriteBmpStream(*s));
  EXPECT_EQ(s->Size(), 3 + 58);
  EXPECT_EQ(s->Memory()[2], 9);
  EXPECT_EQ(s->Memory()[3], 'B');
}

// The plain reader keeps RLE bytes undecoded; such an image is never written,
// by the stream writer or the file writer alike.
TEST(BmpWriter, RefusesPaletteImagesThatStillHoldRleBytes) {
  for (int bits : {8, 4}) {
    InfoHeader h;
    h.BitCount = static_cast<std::uint16_t>(bits);
    h.Compression = bits == 8 ? 1 : 2;
    TDibBitmap b;
    auto in = test::StreamOf(test::MakeBmp(h, test::MakeTable(1 << bits), Bytes{1, 2, 3, 4}));
    ASSERT_TRUE(b.ReadPlainBmpStream(*in));
    auto s = NewMemoryByteStream();
    EXPECT_FALSE(b.WriteBmpStream(*s)) << bits;
    EXPECT_EQ(s->Size(), 0) << bits;
    test::TempDir dir;
    EXPECT_FALSE(b.WriteBmpFile(dir / "x.bmp").Ok()) << bits;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.bmp")) << bits;
  }
}

TEST(BmpWriter, EmptyImageTouchesNoFile) {
  TDibBitmap b;
  test::TempDir dir;
  EXPECT_FALSE(b.WriteBmpFile(dir / "x.bmp").Ok());
  EXPECT_FALSE(std::filesystem::exists(dir / "x.bmp"));
}

// Round trip through a file at every depth with an odd width.
TEST(BmpWriter, FileRoundTripsAtEveryDepth) {
  test::TempDir dir;
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    InfoHeader h;
    h.Width = 47;
    h.Height = 33;
    h.BitCount = static_cast<std::uint16_t>(bits);
    const std::size_t stride = static_cast<std::size_t>((47 * bits + 31) / 32 * 4);
    Bytes pixels(stride * 33);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + 3);
    TDibBitmap b;
    Load(b, test::MakeBmp(h, bits <= 8 ? test::MakeTable(1 << bits) : Bytes{}, pixels));
    const std::string path = dir / ("d" + std::to_string(bits) + ".bmp");
    ASSERT_TRUE(b.WriteBmpFile(path).Ok());
    TDibBitmap back;
    ASSERT_TRUE(back.ReadBmpFile(path));
    EXPECT_EQ(back.GetPixelFormat(), b.GetPixelFormat());
    EXPECT_EQ(Bytes(back.Pixels(), back.Pixels() + back.PixelBytes()), pixels) << bits;
    EXPECT_EQ(back.Info()->Bytes, b.Info()->Bytes) << bits;
  }
}

// A save that fails part way leaves the old file and no temporary behind.
TEST(BmpWriter, AFailedSaveKeepsTheOldFile) {
  test::TempDir dir;
  const std::string path = dir / "old.bmp";
  const Bytes old(100, 0x42);
  test::WriteFileBytes(path, old);

  InfoHeader h;
  h.Width = 1000;
  h.Height = 100;
  TDibBitmap b;
  Load(b, test::MakeBmp(h, {}, Bytes(300000, 1)));

  // Writes past 4 KiB fail with EFBIG (root is not exempt from this limit).
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const TOutcome result = b.WriteBmpFile(path);
  setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_EQ(result.Error, TImageError::WriteFailed);
  EXPECT_EQ(result.SystemError, EFBIG);
  EXPECT_EQ(result.Text(), "Cannot write file: File too large");
  EXPECT_EQ(test::ReadFileBytes(path), old);
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1) << "the temporary file is removed";

  const TOutcome missing = b.WriteBmpFile(dir / "missing-dir/x.bmp");
  EXPECT_EQ(missing.Error, TImageError::CannotCreate);
  EXPECT_EQ(missing.SystemError, ENOENT);
  EXPECT_EQ(b.WriteBmpFile(dir.Path()).Error, TImageError::NotRegularFile) << "a directory is not replaced";
  EXPECT_EQ(b.WriteBmpFile("/dev/null").Error, TImageError::NotRegularFile) << "a device is not replaced";
  EXPECT_EQ(b.WriteBmpFile("").Error, TImageError::NoFileName);
  ASSERT_TRUE(b.WriteBmpFile(path).Ok());
  EXPECT_EQ(test::ReadFileBytes(path).size(), 54u + 300000u);
}

TEST(BmpWriter, ASaveThroughASymbolicLinkReplacesItsTarget) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "real.bmp", Bytes(3, 1));
  std::filesystem::create_symlink(dir / "real.bmp", dir / "link.bmp");
  InfoHeader h;
  TDibBitmap b;
  Load(b, test::MakeBmp(h, {}, Bytes(4, 1)));
  ASSERT_TRUE(b.WriteBmpFile(dir / "link.bmp").Ok());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.bmp"));
  EXPECT_EQ(test::ReadFileBytes(dir / "real.bmp").size(), 58u);
}

TEST(SafeSave, SavesOnManyThreadsKeepTheProcessUmaskAndFileModes) {
  // A save reads the umask by setting it; unguarded, two threads at once
  // could leave it at 0 for good.
  const mode_t original = ::umask(022);
  test::TempDir dir;
  constexpr int kThreads = 8, kSaves = 250;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&dir, t] {
      for (int i = 0; i < kSaves; ++i) {
        SaveFileReplacing(dir / ("f" + std::to_string(t) + "-" + std::to_string(i)),
                          [](TByteStream& s) { return s.Write("x", 1) == 1; });
      }
    });
  }
  for (std::thread& t : threads) t.join();
  const mode_t after = ::umask(original);
  EXPECT_EQ(after, mode_t{022});
  int wrongModes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    struct stat st;
    ASSERT_EQ(::stat(entry.path().c_str(), &st), 0);
    if ((st.st_mode & 0777) != 0644) ++wrongModes;
  }
  EXPECT_EQ(wrongModes, 0);
}

}  // namespace
}  // namespace kelvane
