#include "platform/DriveMap.h"

#include <gtest/gtest.h>

#include "platform/MountTable.h"

namespace kelvane {
namespace {

TEST(MountTable, DecodesOctalEscapesAndKeepsMalformedOnes) {
  EXPECT_EQ(DecodeMountField("/media/ann/MY\\040STICK"), "/media/ann/MY STICK");
  EXPECT_EQ(DecodeMountField("a\\011b\\012c\\134d"), "a\tb\nc\\d");
  // Too short, not octal, or above a byte: kept as written.
  EXPECT_EQ(DecodeMountField("end\\04"), "end\\04");
  EXPECT_EQ(DecodeMountField("x\\089y"), "x\\089y");
  EXPECT_EQ(DecodeMountField("x\\777y"), "x\\777y");
  EXPECT_EQ(DecodeMountField("\\040\\040"), "  ");
}

TEST(MountTable, ParsesFieldsSeparatedBySpacesOrTabsAndSkipsShortLines) {
  std::vector<TMountEntry> entries = ParseMountTable(
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "garbage\n"
      "\n"
      "//nas/My\\040Share\t/mnt/my\\040share  cifs rw 0 0\n"
      "tmpfs /tmp tmpfs");  // last line without options and without a line end
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Device, "/dev/sda1");
  EXPECT_EQ(entries[0].MountPoint, "/");
  EXPECT_EQ(entries[0].FileSystem, "ext4");
  EXPECT_EQ(entries[0].Options, "rw,relatime");
  EXPECT_EQ(entries[1].Device, "//nas/My Share");
  EXPECT_EQ(entries[1].MountPoint, "/mnt/my share");
  EXPECT_EQ(entries[1].FileSystem, "cifs");
  EXPECT_EQ(entries[2].MountPoint, "/tmp");
  EXPECT_EQ(entries[2].Options, "");
}

// A desktop with a stick, a game CD, two network shares, a disk flagged
// removable, and the usual pseudo and fixed mounts that must not be drives.
const char* const kDesktopTable =
    "sysfs /sys sysfs rw,nosuid 0 0\n"
    "proc /proc proc rw 0 0\n"
    "udev /dev devtmpfs rw 0 0\n"
    "/dev/nvme0n1p2 / ext4 rw,relatime 0 0\n"
    "tmpfs /run tmpfs rw 0 0\n"
    "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
    "/dev/nvme0n1p1 /boot/efi vfat rw 0 0\n"
    "/dev/nvme0n1p3 /home ext4 rw 0 0\n"
    "/dev/loop0 /snap/core/1 squashfs ro 0 0\n"
    "overlay /var/lib/docker/overlay2/x/merged overlay rw 0 0\n"
    "tmpfs /media/ramdisk tmpfs rw 0 0\n"
    "/dev/sdb1 /media/ann/MY\\040STICK vfat rw 0 0\n"
    "/dev/sr0 /media/ann/HEROES3 iso9660 ro 0 0\n"
    "//nas/games /mnt/nas cifs rw 0 0\n"
    "server:/export /net/home nfs4 rw 0 0\n"
    "/dev/sdc1 /mnt/backup ext4 rw 0 0\n"
    "/dev/sdd1 /mnt/data ext4 rw 0 0\n";

TDriveMap DesktopMap() {
  return TDriveMap(TFixedMountSource(kDesktopTable, {{"/dev/sdc1", true}, {"/dev/sdd1", false}}));
}

TEST(DriveMap, GivesLettersToMediaAndSharesInMountPointOrder) {
  TDriveMap map = DesktopMap();
  const std::vector<TDrive>& drives = map.Drives();
  ASSERT_EQ(drives.size(), 6u);
  struct Expected {
    char letter;
    TDriveType type;
    const char* mountPoint;
  };
  const Expected expected[] = {
      {'C', DriveFixed, "/"},
      {'D', DriveCdrom, "/media/ann/HEROES3"},
      {'E', DriveRemovable, "/media/ann/MY STICK"},
      {'F', DriveRemovable, "/mnt/backup"},  // by the removable flag of its disk
      {'G', DriveRemote, "/mnt/nas"},
      {'H', DriveRemote, "/net/home"},
  };
  for (std::size_t i = 0; i < drives.size(); ++i) {
    SCOPED_TRACE(drives[i].MountPoint);
    EXPECT_EQ(drives[i].Letter, expected[i].letter);
    EXPECT_EQ(drives[i].Type, expected[i].type);
    EXPECT_EQ(drives[i].MountPoint, expected[i].mountPoint);
  }
  EXPECT_EQ(drives[0].Device, "/dev/nvme0n1p2");
  EXPECT_EQ(drives[0].FileSystem, "ext4");
  EXPECT_EQ(map.LogicalDrives(), 0xFCu);  // bits 2 (C) to 7 (H)
}

TEST(DriveMap, ReportsDriveTypesByTheFirstTwoCharacters) {
  TDriveMap map = DesktopMap();
  EXPECT_EQ(map.DriveType("C:"), DriveFixed);
  EXPECT_EQ(map.DriveType("c:\\Games"), DriveFixed);
  EXPECT_EQ(map.DriveType("D:"), DriveCdrom);
  EXPECT_EQ(map.DriveType("e:"), DriveRemovable);
  EXPECT_EQ(map.DriveType("G:\\"), DriveRemote);
  EXPECT_EQ(map.DriveType("A:"), DriveNoRootDir);
  EXPECT_EQ(map.DriveType("Z:"), DriveNoRootDir);
  EXPECT_EQ(map.DriveType(""), DriveNoRootDir);
  EXPECT_EQ(map.DriveType("\\\\server\\share"), DriveNoRootDir);
}

TEST(DriveMap, OnlyTheLastMountOnAMountPointCounts) {
  // A tmpfs mounted over a stick hides it; a stick mounted over a tmpfs shows.
  TDriveMap map(TFixedMountSource(
      "/dev/sda1 / ext4 rw 0 0\n"
      "/dev/sdb1 /media/a vfat rw 0 0\n"
      "tmpfs /media/a tmpfs rw 0 0\n"
      "tmpfs /media/b tmpfs rw 0 0\n"
      "/dev/sdc1 /media/b exfat rw 0 0\n"));
  ASSERT_EQ(map.Drives().size(), 2u);
  EXPECT_EQ(map.Drives()[1].MountPoint, "/media/b");
  EXPECT_EQ(map.Drives()[1].Device, "/dev/sdc1");
}

TEST(DriveMap, KeepsTheRootDriveWhenTheTableIsEmptyOrUnreadable) {
  class Unreadable final : public TMountSource {
   public:
    std::optional<std::string> ReadMountTable() const override { return std::nullopt; }
    std::optional<bool> IsRemovableDevice(std::string_view) const override { return true; }
  };
  for (const TDriveMap& map : {TDriveMap(Unreadable()), TDriveMap(TFixedMountSource(""))}) {
    ASSERT_EQ(map.Drives().size(), 1u);
    EXPECT_EQ(map.Drives()[0].Letter, 'C');
    EXPECT_EQ(map.Drives()[0].MountPoint, "/");
    EXPECT_EQ(map.LogicalDrives(), 0x4u);
  }
}

TEST(DriveMap, StopsAtZ) {
  std::string table = "/dev/sda1 / ext4 rw 0 0\n";
  for (int i = 0; i < 30; ++i) table += "//nas/s /mnt/s" + std::to_string(100 + i) + " cifs rw 0 0\n";
  TDriveMap map{TFixedMountSource(table)};
  ASSERT_EQ(map.Drives().size(), 24u);  // C to Z
  EXPECT_EQ(map.Drives().back().Letter, 'Z');
  EXPECT_EQ(map.Drives().back().MountPoint, "/mnt/s122");
}

TEST(DriveMap, ConvertsWindowsFormToNative) {
  TDriveMap map = DesktopMap();
  const std::pair<const char*, const char*> cases[] = {
      {"C:", "/"},
      {"C:\\", "/"},
      {"c:\\home\\ann", "/home/ann"},
      {"C:\\home\\\\ann\\\\", "/home/ann"},  // repeated and trailing separators
      {"C:/home/ann/", "/home/ann"},
      {"C:\\Games\\.\\Maps\\..\\Saves", "/Games/Saves"},
      {"C:\\..\\..", "/"},
      {"E:", "/media/ann/MY STICK"},
      {"E:\\maps\\Карта.pcx", "/media/ann/MY STICK/maps/Карта.pcx"},
      {"E:\\maps\\..\\..\\..", "/media/ann/MY STICK"},  // ".." does not leave the drive
      {"G:\\", "/mnt/nas"},
  };
  for (const auto& [system, native] : cases) {
    SCOPED_TRACE(system);
    EXPECT_EQ(map.ToNative(system), std::optional<std::string>(native));
  }
}

TEST(DriveMap, RefusesWindowsPathsItCannotPlace) {
  TDriveMap map = DesktopMap();
  for (std::string_view bad : {std::string_view(""), std::string_view("C"), std::string_view("Games\\Maps"),
                               std::string_view("\\Games"), std::string_view("\\\\server\\share"),
                               std::string_view("Z:\\x"), std::string_view("C:games"),
                               std::string_view("C:\\a\0b", 6)}) {
    SCOPED_TRACE(std::string(bad));
    EXPECT_EQ(map.ToNative(bad), std::nullopt);
  }
}

TEST(DriveMap, ConvertsNativeToWindowsFormByTheLongestMountPoint) {
  TDriveMap map = DesktopMap();
  const std::pair<const char*, const char*> cases[] = {
      {"/", "C:\\"},
      {"/home/ann/", "C:\\home\\ann"},
      {"//home///ann/./maps/..", "C:\\home\\ann"},
      {"/media/ann", "C:\\media\\ann"},
      {"/media/ann/MY STICK", "E:\\"},
      {"/media/ann/MY STICK/maps/Map.PCX", "E:\\maps\\Map.PCX"},
      {"/media/ann/MY STICKER/x", "C:\\media\\ann\\MY STICKER\\x"},  // whole names only
      {"/mnt/data/x", "C:\\mnt\\data\\x"},  // a fixed partition stays under C:
      {"/net/home/ann", "H:\\ann"},
  };
  for (const auto& [native, system] : cases) {
    SCOPED_TRACE(native);
    EXPECT_EQ(map.ToSystem(native), std::optional<std::string>(system));
  }
  EXPECT_EQ(map.ToSystem("relative/path"), std::nullopt);
  EXPECT_EQ(map.ToSystem(""), std::nullopt);
  EXPECT_EQ(map.ToSystem("/home/back\\slash"), std::nullopt);
}

TEST(DriveMap, ReachesAMountPointWhoseNameHoldsABackslash) {
  TDriveMap map(TFixedMountSource("/dev/sdb1 /media/ann/A\\134B vfat rw 0 0\n"));
  ASSERT_EQ(map.Drives().size(), 2u);
  EXPECT_EQ(map.ToSystem("/media/ann/A\\B/maps"), std::optional<std::string>("D:\\maps"));
  EXPECT_EQ(map.ToNative("D:\\maps"), std::optional<std::string>("/media/ann/A\\B/maps"));
  EXPECT_EQ(map.ToSystem("/media/ann/A\\B/x\\y"), std::nullopt);
}

TEST(DriveMap, RoundTripsNativePathsThroughWindowsForm) {
  TDriveMap map = DesktopMap();
  for (const char* native : {"/", "/home/ann/maps", "/media/ann/MY STICK", "/media/ann/MY STICK/a b/c.pcx",
                             "/mnt/nas/Герои/maps", "/net/home"}) {
    SCOPED_TRACE(native);
    std::optional<std::string> system = map.ToSystem(native);
    ASSERT_TRUE(system);
    EXPECT_EQ(map.ToNative(*system), std::optional<std::string>(native));
  }
}

TEST(DriveMap, ScopedMapReplacesAndRestoresTheProcessMap) {
  const TDriveMap* before = &CurrentDriveMap();
  std::size_t countBefore = before->Drives().size();
  {
    TScopedDriveMap scoped(DesktopMap());
    EXPECT_EQ(CurrentDriveMap().Drives().size(), 6u);
    EXPECT_EQ(CurrentDriveMap().DriveType("D:"), DriveCdrom);
  }
  EXPECT_EQ(&CurrentDriveMap(), before);
  EXPECT_EQ(CurrentDriveMap().Drives().size(), countBefore);
}

TEST(SystemMountSource, ReadsThisMachinesTable) {
  TSystemMountSource source;
  std::optional<std::string> table = source.ReadMountTable();
  ASSERT_TRUE(table);
  EXPECT_FALSE(ParseMountTable(*table).empty());
  // Names that are not block devices have no removable flag.
  EXPECT_EQ(source.IsRemovableDevice("proc"), std::nullopt);
  EXPECT_EQ(source.IsRemovableDevice("/dev/no-such-device"), std::nullopt);
  EXPECT_EQ(source.IsRemovableDevice("/dev/null"), std::nullopt);

  TDriveMap map(source);
  ASSERT_FALSE(map.Drives().empty());
  EXPECT_EQ(map.Drives()[0].Letter, 'C');
  EXPECT_EQ(map.Drives()[0].Type, DriveFixed);
  for (const TDrive& drive : map.Drives()) EXPECT_NE(drive.MountPoint.rfind("/proc", 0), 0u);
}

}  // namespace
}  // namespace kelvane
