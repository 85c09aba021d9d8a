// File-system services on Windows-form paths.
//
// Every function takes paths in Windows form ("C:\Games\Maps") and goes
// through a drive map (by default the process-wide one) to reach the native
// file system. Symbolic links count as what they point to. Names that hold a
// backslash cannot be written in Windows form and are left out of listings;
// "." and ".." are never listed.
//
// Failures are results: false, nullopt, an empty list or an empty string.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriveMap.h"

namespace kelvane {

enum TEntryKind : int {
  ekFile = 0,       // a regular file (through links): the only kind offered as a file
  ekDirectory = 1,  // a directory (through links)
  ekOther = 2,      // FIFO, device, socket or dangling link: never opened
};

struct TDirEntry {
  std::string NativeName;  // the name's bytes as the file system gave them; open by this
  std::string Name;        // the same as UTF-8 for display; invalid bytes become U+FFFD
  TEntryKind Kind = ekOther;
  bool Hidden = false;     // the name starts with "."
  std::uint64_t Size = 0;  // bytes, of the link's target
  // Nanoseconds since 1970. CreationTime is the birth time where the file
  // system records one, else 0.
  std::int64_t CreationTime = 0;
  std::int64_t WriteTime = 0;
};

// The directory test: `path` names an existing directory (after links).
// False for an empty path, a path on no drive, or a drive without medium.
bool IsDirectory(std::string_view path, const TDriveMap& drives = CurrentDriveMap());
// The file test: `path` names an existing regular file (after links). False
// for directories, FIFOs, devices, dangling links and paths on no drive.
bool IsRegularFile(std::string_view path, const TDriveMap& drives = CurrentDriveMap());

// Every entry of directory `path` except "." and "..", in the order the file
// system returns them (not sorted). nullopt when the directory cannot be
// read.
std::optional<std::vector<TDirEntry>> ReadDirectory(std::string_view path,
                                                    const TDriveMap& drives = CurrentDriveMap());

// The regular files that a search pattern names, in file-system order: the
// pattern is a directory, a backslash and a mask ("C:\Games\*.pcx"; a
// doubled backslash, as in "C:\Games\\*.pcx", is accepted). Hidden files are
// included; directories, FIFOs, devices and sockets never are, whatever
// their names. The mask is matched against the displayed name by
// MatchesMask. Empty when the directory cannot be read.
std::vector<TDirEntry> ListFiles(std::string_view pattern, const TDriveMap& drives = CurrentDriveMap());

// Orders directory entries for the directory list: by CompareNames on the
// displayed names, then by size, then by creation time; -1, 0 or 1. (Linux
// has no archive attribute, so the order that sorts by it has nothing to
// compare before the names.)
int CompareDirEntries(const TDirEntry& a, const TDirEntry& b);

// The process's current directory in Windows form ("C:\home\ann", "C:\" at
// the root, no trailing backslash otherwise); empty when it cannot be read
// or written in Windows form.
std::string CurrentDirectory(const TDriveMap& drives = CurrentDriveMap());

// The native path of the entry `nativeName` (as enumerated) in directory
// `directory` (Windows form), for opening a file whose displayed name
// differs from its real one. nullopt when the directory is on no drive or
// the name is empty, ".", "..", or holds "/" or a NUL byte.
std::optional<std::string> NativeFilePath(std::string_view directory, std::string_view nativeName,
                                          const TDriveMap& drives = CurrentDriveMap());

}  // namespace kelvane
