#include "platform/FileSystem.h"

#include <QString>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Names.h"

namespace kelvane {
namespace {

std::int64_t Nanoseconds(const statx_timestamp& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

TEntryKind KindOfMode(unsigned mode) {
  if (S_ISDIR(mode)) return ekDirectory;
  if (S_ISREG(mode)) return ekFile;
  return ekOther;
}

// Fills kind, size and times of `entry` from the target of `name` in the
// open directory `dirFd`. A dangling link stays ekOther.
void StatEntry(int dirFd, const char* name, TDirEntry& entry) {
  struct statx stx {};
  if (statx(dirFd, name, AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &stx) == 0) {
    entry.Kind = KindOfMode(stx.stx_mode);
    entry.Size = stx.stx_size;
    entry.WriteTime = Nanoseconds(stx.stx_mtime);
    if (stx.stx_mask & STATX_BTIME) entry.CreationTime = Nanoseconds(stx.stx_btime);
    return;
  }
  // Some sandboxes refuse statx; plain stat has everything but the birth time.
  if (errno != ENOSYS && errno != EPERM) return;
  struct stat st {};
  if (fstatat(dirFd, name, &st, 0) != 0) return;
  entry.Kind = KindOfMode(st.st_mode);
  entry.Size = static_cast<std::uint64_t>(st.st_size);
  entry.WriteTime = Nanoseconds(st.st_mtim);
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

bool IsDirectory(std::string_view path, const TDriveMap& drives) {
  std::optional<std::string> native = drives.ToNative(path);
  if (!native) return false;
  struct stat st {};
  return ::stat(native->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(std::string_view path, const TDriveMap& drives) {
  std::optional<std::string> native = drives.ToNative(path);
  if (!native) return false;
  struct stat st {};
  return ::stat(native->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::vector<TDirEntry>> ReadDirectory(std::string_view path, const TDriveMap& drives) {
  std::optional<std::string> native = drives.ToNative(path);
  if (!native) return std::nullopt;
  std::unique_ptr<DIR, DirCloser> dir(opendir(native->c_str()));
  if (!dir) return std::nullopt;

  std::vector<TDirEntry> entries;
  for (;;) {
    errno = 0;
    const dirent* item = readdir(dir.get());
    if (!item) {
      if (errno != 0) return std::nullopt;  // a listing cut short is not a listing
      break;
    }
    std::string_view name(item->d_name);
    if (name == "." || name == ".." || name.find('\\') != std::string_view::npos) continue;
    TDirEntry entry;
    entry.NativeName = std::string(name);
    entry.Name = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toStdString();
    entry.Hidden = name[0] == '.';
    StatEntry(dirfd(dir.get()), item->d_name, entry);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<TDirEntry> ListFiles(std::string_view pattern, const TDriveMap& drives) {
  std::size_t split = pattern.find_last_of("\\/");
  if (split == std::string_view::npos) return {};
  std::string_view directory = pattern.substr(0, split + 1);
  std::string_view mask = pattern.substr(split + 1);

  std::vector<TDirEntry> files;
  std::optional<std::vector<TDirEntry>> entries = ReadDirectory(directory, drives);
  if (!entries) return files;
  for (TDirEntry& entry : *entries)
    if (entry.Kind == ekFile && MatchesMask(entry.Name, mask)) files.push_back(std::move(entry));
  return files;
}

int CompareDirEntries(const TDirEntry& a, const TDirEntry& b) {
  if (int byName = CompareNames(a.Name, b.Name); byName != 0) return byName;
  if (a.Size != b.Size) return a.Size < b.Size ? -1 : 1;
  if (a.CreationTime != b.CreationTime) return a.CreationTime < b.CreationTime ? -1 : 1;
  return 0;
}

std::string CurrentDirectory(const TDriveMap& drives) {
  std::string buffer(256, '\0');
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return drives.ToSystem(buffer).value_or("");
}

std::optional<std::string> NativeFilePath(std::string_view directory, std::string_view nativeName,
                                          const TDriveMap& drives) {
  if (nativeName.empty() || nativeName == "." || nativeName == ".." ||
      nativeName.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos)
    return std::nullopt;
  std::optional<std::string> native = drives.ToNative(directory);
  if (!native) return std::nullopt;
  if (native->back() != '/') *native += '/';
  *native += nativeName;
  return native;
}

}  // namespace kelvane
