// Files written into one folder: whole or not at all, never outside it.
#include "image/FolderWriter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <set>

#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempDir;

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

TEST(FolderWriter, WritesAndReplacesWholeFiles) {
  TempDir dir;
  TFolderWriter writer;
  ASSERT_TRUE(writer.Open(dir.Path()));
  const Bytes first = {1, 2, 3}, second(100000, 7);
  ASSERT_TRUE(writer.Write("a.pcx", first));
  EXPECT_EQ(test::ReadFileBytes(dir / "a.pcx"), first);
  ASSERT_TRUE(writer.Write("a.pcx", second));
  EXPECT_EQ(test::ReadFileBytes(dir / "a.pcx"), second);
  ASSERT_TRUE(writer.Write("empty", {}));
  EXPECT_TRUE(fs::is_regular_file(dir / "empty"));
  EXPECT_EQ(fs::file_size(dir / "empty"), 0u);
  EXPECT_EQ(FilesIn(dir.Path()), (std::set<std::string>{"a.pcx", "empty"}));
}

TEST(FolderWriter, RefusesNamesThatLeaveTheFolderAndThingsInTheWay) {
  TempDir dir;
  fs::create_directories(dir / "out/sub");
  TFolderWriter writer;
  ASSERT_TRUE(writer.Open(dir / "out"));
  for (const char* bad : {"", ".", "..", "../escape", "sub/inner", "/tmp/abs"})
    EXPECT_EQ(writer.Write(bad, Bytes{1}).Error, TImageError::UnsafeName) << bad;
  EXPECT_EQ(writer.Write("sub", Bytes{1}).Error, TImageError::NotRegularFile);
  EXPECT_EQ(FilesIn(dir.Path()), std::set<std::string>{"out"});
  EXPECT_EQ(FilesIn(dir / "out"), std::set<std::string>{"sub"});
  EXPECT_TRUE(FilesIn(dir / "out/sub").empty());
  EXPECT_EQ(TFolderWriter().Open(dir / "missing").Error, TImageError::CannotOpen);
}

TEST(FolderWriter, ReplacesASymbolicLinkInsteadOfWritingThroughIt) {
  TempDir dir;
  fs::create_directories(dir / "out");
  test::WriteFileBytes(dir / "outside", {9, 9});
  fs::create_symlink(dir / "outside", dir / "out/a.pcx");
  fs::create_symlink(dir / "nowhere", dir / "out/dangling.pcx");
  TFolderWriter writer;
  ASSERT_TRUE(writer.Open(dir / "out"));
  ASSERT_TRUE(writer.Write("a.pcx", Bytes{1}));
  ASSERT_TRUE(writer.Write("dangling.pcx", Bytes{2}));
  EXPECT_EQ(test::ReadFileBytes(dir / "outside"), (Bytes{9, 9}));
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  EXPECT_FALSE(fs::is_symlink(dir / "out/a.pcx"));
  EXPECT_EQ(test::ReadFileBytes(dir / "out/a.pcx"), Bytes{1});
  EXPECT_EQ(test::ReadFileBytes(dir / "out/dangling.pcx"), Bytes{2});
}

TEST(FolderWriter, AWriteCutShortLeavesNothingAndKeepsTheOldFile) {
  TempDir dir;
  TFolderWriter writer;
  ASSERT_TRUE(writer.Open(dir.Path()));
  ASSERT_TRUE(writer.Write("old.pcx", Bytes{5}));
  // The file size cap (soft limit, restored below) stops the write after
  // 1000 bytes; with the signal ignored the write fails with EFBIG.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit capped = saved;
  capped.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &capped), 0);
  const TOutcome fresh = writer.Write("new.pcx", Bytes(5000, 1));
  const TOutcome replacing = writer.Write("old.pcx", Bytes(5000, 1));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(fresh.Error, TImageError::WriteFailed);
  EXPECT_EQ(replacing.Error, TImageError::WriteFailed);
  EXPECT_EQ(FilesIn(dir.Path()), std::set<std::string>{"old.pcx"});
  EXPECT_EQ(test::ReadFileBytes(dir / "old.pcx"), Bytes{5});
}

}  // namespace
}  // namespace kelvane
