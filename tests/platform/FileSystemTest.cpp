#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {
namespace {

std::set<std::string> DisplayedNames(const std::vector<TDirEntry>& entries) {
  std::set<std::string> names;
  for (const TDirEntry& entry : entries) names.insert(entry.Name);
  return names;
}

const TDirEntry* FindEntry(const std::vector<TDirEntry>& entries, std::string_view nativeName) {
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const TDirEntry& e) { return e.NativeName == nativeName; });
  return it == entries.end() ? nullptr : &*it;
}

// A temporary folder holding every kind of entry the browser meets:
//   Map.PCX, town.pcx, .hidden.pcx, notes.txt, Карта.PCX   regular files
//   sub.pcx/, Games/, .config/                              directories
//   fifo.pcx                                                a FIFO
//   link.pcx -> town.pcx, dirlink -> Games, dangling.pcx -> nothing
//   back\slash.pcx                                          not writable in Windows form
//   bad<0xFF>.pcx                                           not UTF-8
class FileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "kelvane-fs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(pattern.c_str(), resolved), nullptr);
    Root_ = resolved;
    for (const char* file : {"Map.PCX", "town.pcx", ".hidden.pcx", "notes.txt", "Карта.PCX",
                             "back\\slash.pcx", "bad\xFF.pcx"})
      Write(file, "12345");
    for (const char* dir : {"sub.pcx", "Games", ".config"}) ASSERT_EQ(mkdir(Native(dir).c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(Native("fifo.pcx").c_str(), 0644), 0);
    ASSERT_EQ(symlink("town.pcx", Native("link.pcx").c_str()), 0);
    ASSERT_EQ(symlink("Games", Native("dirlink").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", Native("dangling.pcx").c_str()), 0);
    std::optional<std::string> system = CurrentDriveMap().ToSystem(Root_);
    ASSERT_TRUE(system);
    System_ = *system;
  }

  void TearDown() override {
    if (!Root_.empty()) std::filesystem::remove_all(Root_);
  }

  std::string Native(std::string_view name) const { return Root_ + "/" + std::string(name); }
  void Write(std::string_view name, std::string_view bytes) const {
    std::ofstream(Native(name), std::ios::binary) << bytes;
  }

  std::string Root_;    // native, links resolved
  std::string System_;  // the same folder in Windows form
};

TEST_F(FileSystemTest, DirectoryTestFollowsLinksAndAcceptsLooseSeparators) {
  EXPECT_TRUE(IsDirectory(System_));
  EXPECT_TRUE(IsDirectory(System_ + "\\"));
  EXPECT_TRUE(IsDirectory(System_ + "\\\\Games\\\\"));
  EXPECT_TRUE(IsDirectory(System_ + "\\dirlink"));
  EXPECT_TRUE(IsDirectory(System_ + "\\sub.pcx"));
  EXPECT_TRUE(IsDirectory("C:"));
  EXPECT_FALSE(IsDirectory(System_ + "\\Map.PCX"));
  EXPECT_FALSE(IsDirectory(System_ + "\\fifo.pcx"));
  EXPECT_FALSE(IsDirectory(System_ + "\\dangling.pcx"));
  EXPECT_FALSE(IsDirectory(System_ + "\\missing"));
  EXPECT_FALSE(IsDirectory(""));
  EXPECT_FALSE(IsDirectory("Q:\\"));
}

TEST_F(FileSystemTest, FileTestTakesOnlyRegularFilesThroughLinks) {
  EXPECT_TRUE(IsRegularFile(System_ + "\\Map.PCX"));
  EXPECT_TRUE(IsRegularFile(System_ + "\\\\link.pcx"));
  EXPECT_FALSE(IsRegularFile(System_ + "\\sub.pcx"));
  EXPECT_FALSE(IsRegularFile(System_ + "\\fifo.pcx"));
  EXPECT_FALSE(IsRegularFile(System_ + "\\dangling.pcx"));
  EXPECT_FALSE(IsRegularFile(System_ + "\\missing"));
  EXPECT_FALSE(IsRegularFile(""));
  EXPECT_FALSE(IsRegularFile("Q:\\Map.PCX"));
}

TEST_F(FileSystemTest, ReadDirectoryReportsKindsHiddenNamesAndSizes) {
  std::optional<std::vector<TDirEntry>> entries = ReadDirectory(System_);
  ASSERT_TRUE(entries);
  EXPECT_EQ(DisplayedNames(*entries),
            (std::set<std::string>{"Map.PCX", "town.pcx", ".hidden.pcx", "notes.txt", "Карта.PCX",
                                   "bad\xEF\xBF\xBD.pcx", "sub.pcx", "Games", ".config", "fifo.pcx",
                                   "link.pcx", "dirlink", "dangling.pcx"}));
  struct Expected {
    const char* name;
    TEntryKind kind;
    bool hidden;
  };
  for (const Expected& e : {Expected{"Map.PCX", ekFile, false}, Expected{".hidden.pcx", ekFile, true},
                            Expected{"sub.pcx", ekDirectory, false}, Expected{".config", ekDirectory, true},
                            Expected{"fifo.pcx", ekOther, false}, Expected{"link.pcx", ekFile, false},
                            Expected{"dirlink", ekDirectory, false}, Expected{"dangling.pcx", ekOther, false}}) {
    SCOPED_TRACE(e.name);
    const TDirEntry* entry = FindEntry(*entries, e.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Kind, e.kind);
    EXPECT_EQ(entry->Hidden, e.hidden);
  }
  EXPECT_EQ(FindEntry(*entries, "link.pcx")->Size, 5u);  // the target's size
  EXPECT_GT(FindEntry(*entries, "Map.PCX")->WriteTime, 0);

  // The name that is not UTF-8 is shown with a replacement character but
  // keeps its bytes for opening.
  const TDirEntry* bad = FindEntry(*entries, "bad\xFF.pcx");
  ASSERT_NE(bad, nullptr);
  std::optional<std::string> path = NativeFilePath(System_, bad->NativeName);
  ASSERT_TRUE(path);
  EXPECT_TRUE(std::ifstream(*path).good());

  EXPECT_EQ(ReadDirectory(System_ + "\\missing"), std::nullopt);
  EXPECT_EQ(ReadDirectory(System_ + "\\Map.PCX"), std::nullopt);
}

TEST_F(FileSystemTest, ListFilesOffersOnlyRegularFilesMatchingTheMaskInAnyCase) {
  const std::set<std::string> pcx{"Map.PCX", "town.pcx", ".hidden.pcx", "Карта.PCX", "link.pcx",
                                  "bad\xEF\xBF\xBD.pcx"};
  EXPECT_EQ(DisplayedNames(ListFiles(System_ + "\\*.pcx")), pcx);
  EXPECT_EQ(DisplayedNames(ListFiles(System_ + "\\*.PCX")), pcx);
  // The pattern a caller builds from a path that already ends in a backslash.
  EXPECT_EQ(DisplayedNames(ListFiles(System_ + "\\\\*.pcx")), pcx);
  EXPECT_EQ(DisplayedNames(ListFiles(System_ + "\\КАРТА.*")), std::set<std::string>{"Карта.PCX"});
  EXPECT_EQ(DisplayedNames(ListFiles(System_ + "\\*.txt")), std::set<std::string>{"notes.txt"});
  EXPECT_EQ(ListFiles(System_ + "\\*.*").size(), pcx.size() + 1);

  EXPECT_TRUE(ListFiles(System_ + "\\*.bmp").empty());
  EXPECT_TRUE(ListFiles(System_ + "\\missing\\*.pcx").empty());
  EXPECT_TRUE(ListFiles(System_ + "\\").empty());  // an empty mask matches nothing
  EXPECT_TRUE(ListFiles("*.pcx").empty());
}

TEST_F(FileSystemTest, NativeFilePathRefusesNamesThatLeaveTheDirectory) {
  EXPECT_EQ(NativeFilePath(System_, "Map.PCX"), std::optional<std::string>(Root_ + "/Map.PCX"));
  EXPECT_EQ(NativeFilePath(System_ + "\\", "Map.PCX"), std::optional<std::string>(Root_ + "/Map.PCX"));
  EXPECT_EQ(NativeFilePath("C:", "etc"), std::optional<std::string>("/etc"));
  for (std::string_view bad : {std::string_view(""), std::string_view("."), std::string_view(".."),
                               std::string_view("../x"), std::string_view("a\0b", 3)})
    EXPECT_EQ(NativeFilePath(System_, bad), std::nullopt);
  EXPECT_EQ(NativeFilePath("Q:\\", "x"), std::nullopt);
}

TEST_F(FileSystemTest, CurrentDirectoryIsInWindowsFormOnTheRightDrive) {
  char saved[PATH_MAX];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);

  ASSERT_EQ(chdir(Root_.c_str()), 0);
  EXPECT_EQ(CurrentDirectory(), System_);
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_EQ(CurrentDirectory(), "C:\\");

  // The same folder seen as a removable drive of its own.
  ASSERT_EQ(mkdir(Native("MY STICK").c_str(), 0755), 0);
  Write("MY STICK/Map.pcx", "x");
  std::string table = "/dev/sdb1 " + Root_ + "/MY\\040STICK vfat rw 0 0\n";
  TDriveMap map(TFixedMountSource(table, {{"/dev/sdb1", true}}));
  ASSERT_EQ(map.Drives().size(), 2u);
  EXPECT_TRUE(IsDirectory("D:", map));
  EXPECT_EQ(DisplayedNames(ListFiles("D:\\*.pcx", map)), std::set<std::string>{"Map.pcx"});
  ASSERT_EQ(chdir(Native("MY STICK").c_str()), 0);
  EXPECT_EQ(CurrentDirectory(map), "D:\\");

  ASSERT_EQ(chdir(saved), 0);
}

TEST(CompareDirEntries, OrdersByNameWithoutCaseThenSizeThenCreation) {
  auto entry = [](const char* name, std::uint64_t size, std::int64_t created) {
    TDirEntry e;
    e.Name = e.NativeName = name;
    e.Size = size;
    e.CreationTime = created;
    return e;
  };
  std::vector<TDirEntry> entries{entry("maps", 4096, 2), entry("Saves", 4096, 1), entry("Maps", 4096, 1),
                                 entry("ARCHIVE", 8192, 0), entry("maps", 100, 9)};
  std::sort(entries.begin(), entries.end(),
            [](const TDirEntry& a, const TDirEntry& b) { return CompareDirEntries(a, b) < 0; });
  std::vector<std::pair<std::string, std::uint64_t>> order;
  for (const TDirEntry& e : entries) order.emplace_back(e.Name, e.Size);
  EXPECT_EQ(order, (std::vector<std::pair<std::string, std::uint64_t>>{
                       {"ARCHIVE", 8192}, {"maps", 100}, {"Maps", 4096}, {"maps", 4096}, {"Saves", 4096}}));
  EXPECT_EQ(entries[2].CreationTime, 1);  // "Maps" was created before the equal "maps"
  EXPECT_EQ(CompareDirEntries(entries[1], entries[1]), 0);
}

}  // namespace
}  // namespace kelvane
