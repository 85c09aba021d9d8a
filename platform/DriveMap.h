// The drive map: drive letters over the Linux file system.
//
// The program keeps paths in Windows form ("C:\home\ann\maps") and converts
// them to native paths only where a file or directory is touched. C: is the
// root of the file system. Further letters D:, E:, ... go to the mounted file
// systems a user would call drives: optical discs (iso9660, udf, /dev/sr*),
// network shares (nfs, cifs, sshfs, 9p, ...) and removable media (block
// devices mounted under /media or /run/media, or whose disk the kernel flags
// as removable). Pseudo file systems and fixed partitions are not drives;
// fixed partitions stay reachable through C:. The extra letters are given in
// the byte order of the mount points, so they do not depend on the order in
// which the media were mounted.
//
// A map is a snapshot of the mount table taken when it is built. The
// process-wide map (CurrentDriveMap) is built on first use; ReloadDriveMap
// takes a new snapshot. Conversions that cannot be done return nullopt.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MountTable.h"

namespace kelvane {

// Drive types, numbered as the drive-type texts and icons are indexed.
enum TDriveType : int {
  DriveUnknown = 0,
  DriveNoRootDir = 1,  // no drive has this letter
  DriveRemovable = 2,
  DriveFixed = 3,
  DriveRemote = 4,
  DriveCdrom = 5,
};

struct TDrive {
  char Letter = 'C';         // capital letter, 'C' to 'Z'
  TDriveType Type = DriveFixed;
  std::string MountPoint;    // native root of the drive: "/" for C:
  std::string Device;        // as in the mount table; empty when unknown
  std::string FileSystem;    // as in the mount table; empty when unknown
};

class TDriveMap {
 public:
  // A map with only C: on "/".
  TDriveMap();
  // A map of the drives found in `source`'s mount table.
  explicit TDriveMap(const TMountSource& source);

  // The drives in letter order; C: is always the first.
  const std::vector<TDrive>& Drives() const { return Drives_; }
  // The drive with `letter` (either case), or nullptr.
  const TDrive* FindDrive(char letter) const;
  // Bit i set for each drive whose letter is 'A' + i.
  std::uint32_t LogicalDrives() const;
  // The type of the drive named by the first two characters of `path`
  // ("C:", "d:\maps"); DriveNoRootDir when they name no drive.
  TDriveType DriveType(std::string_view path) const;

  // "C:\home\ann" -> "/home/ann". Backslash and slash both separate; repeated
  // separators count as one, a trailing one is dropped, "." is skipped and
  // ".." goes up without leaving the drive; "X:" alone is the drive's root.
  // nullopt for paths without a drive letter and colon, for drive-relative
  // paths ("C:games"), for unknown letters and for paths holding a NUL byte.
  std::optional<std::string> ToNative(std::string_view systemPath) const;

  // "/home/ann" -> "C:\home\ann", "/" -> "C:\". The drive whose mount point
  // is the longest prefix of the path wins. nullopt for relative paths and
  // for paths with a name below the drive's root that holds a backslash (it
  // cannot be written in Windows form).
  std::optional<std::string> ToSystem(std::string_view nativePath) const;

 private:
  std::vector<TDrive> Drives_;
};

// The process-wide map, built from the machine's mount table on first use.
// Like the browser that uses it, it belongs to the one GUI thread.
// The reference stays valid until the map is replaced or reloaded.
const TDriveMap& CurrentDriveMap();
// Takes a new snapshot of the machine's mount table.
void ReloadDriveMap();
// Replaces the process-wide map (tests, or a program with its own source).
void SetCurrentDriveMap(TDriveMap map);

// Installs a map for the lifetime of the object and restores the previous
// one afterwards; for tests that need fixed drives.
class TScopedDriveMap {
 public:
  explicit TScopedDriveMap(TDriveMap map);
  ~TScopedDriveMap();
  TScopedDriveMap(const TScopedDriveMap&) = delete;
  TScopedDriveMap& operator=(const TScopedDriveMap&) = delete;

 private:
  std::shared_ptr<const TDriveMap> Previous_;
};

}  // namespace kelvane
