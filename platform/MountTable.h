// The mount table, read through a replaceable source.
//
// The drive map decides which mounted file systems become drive letters. It
// reads the mount table (the text of /proc/self/mounts) and, for block
// devices, the kernel's removable flag through a TMountSource, so that tests
// can hand it fixed tables and flags instead of the machine's own.
//
// Parsing never fails: malformed lines (fewer than three fields) are skipped,
// and an unreadable table yields no entries, which leaves only the root drive.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// One line of the mount table, with the kernel's octal escapes decoded.
struct TMountEntry {
  std::string Device;      // "/dev/sdb1", "//server/share", "proc"
  std::string MountPoint;  // absolute native path, "/media/ann/MY STICK"
  std::string FileSystem;  // "vfat", "iso9660", "cifs", "proc"
  std::string Options;     // "rw,relatime,..."
};

// Decodes the escapes the kernel writes into mount table fields: a backslash
// and three octal digits stand for one byte ("\040" is a space, "\134" a
// backslash). Anything else, including a malformed escape, is kept as is.
std::string DecodeMountField(std::string_view field);

// Splits mount table text into entries, in table order. Lines are
// "device mountpoint fstype options dump pass", separated by spaces or tabs.
std::vector<TMountEntry> ParseMountTable(std::string_view text);

class TMountSource {
 public:
  virtual ~TMountSource() = default;
  // The mount table text, or nullopt when it cannot be read.
  virtual std::optional<std::string> ReadMountTable() const = 0;
  // The removable flag of the disk that holds `device` (a partition counts
  // as its disk), or nullopt when the device is not a known block device.
  virtual std::optional<bool> IsRemovableDevice(std::string_view device) const = 0;
};

// The machine's own table: /proc/self/mounts and /sys/class/block/*/removable.
class TSystemMountSource final : public TMountSource {
 public:
  std::optional<std::string> ReadMountTable() const override;
  std::optional<bool> IsRemovableDevice(std::string_view device) const override;
};

// A fixed table for tests: the text given and removable flags by device path.
class TFixedMountSource final : public TMountSource {
 public:
  explicit TFixedMountSource(std::string table, std::map<std::string, bool, std::less<>> removable = {})
      : Table_(std::move(table)), Removable_(std::move(removable)) {}

  std::optional<std::string> ReadMountTable() const override { return Table_; }
  std::optional<bool> IsRemovableDevice(std::string_view device) const override;

 private:
  std::string Table_;
  std::map<std::string, bool, std::less<>> Removable_;
};

}  // namespace kelvane
