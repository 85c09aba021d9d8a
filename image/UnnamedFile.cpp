#include "image/UnnamedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace kelvane {

namespace {

std::string SelfPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool ProcAvailable() {
  static const bool available = ::access("/proc/self/fd", X_OK) == 0;
  return available;
}

}  // namespace

int OpenUnnamedFile(int dirFd) {
  if (!ProcAvailable()) return -1;
  return ::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

std::string TemporaryNameBeside(const std::string& name) {
  static std::atomic<unsigned> counter{0};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".kelvane-%d-%u", static_cast<int>(::getpid()), counter.fetch_add(1));
  return "." + name + suffix;
}

bool ReplaceableOrFree(int dirFd, const std::string& name, bool* exists) {
  struct stat st;
  const bool found = ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists != nullptr) *exists = found;
  return !found || S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
}

TOutcome NameUnnamedFile(int dirFd, int fd, const std::string& name) {
  const std::string self = SelfPath(fd);
  if (::linkat(AT_FDCWD, self.c_str(), dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return TOutcome::Success();
  if (errno != EEXIST) return TOutcome::Failure(TImageError::CannotCreate, errno);
  // Something has the name already: a file or link is replaced by a rename
  // (which never follows a link), after the new data is on the disk.
  if (!ReplaceableOrFree(dirFd, name)) return TOutcome::Failure(TImageError::NotRegularFile);
  if (::fsync(fd) != 0) return TOutcome::Failure(TImageError::WriteFailed, errno);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = TemporaryNameBeside(name);
    if (::linkat(AT_FDCWD, self.c_str(), dirFd, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST) continue;
      return TOutcome::Failure(TImageError::CannotCreate, errno);
    }
    if (::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) != 0) {
      const int error = errno;
      ::unlinkat(dirFd, temporary.c_str(), 0);
      return TOutcome::Failure(TImageError::WriteFailed, error);
    }
    return TOutcome::Success();
  }
  return TOutcome::Failure(TImageError::CannotCreate, EEXIST);
}

}  // namespace kelvane
