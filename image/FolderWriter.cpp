#include "image/FolderWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace kelvane {

namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

enum class TInTheWay : std::uint8_t { Nothing, Replaceable, Refused };

// What stands at `name` now: nothing, a file or link a rename may replace,
// or something it must not (a directory, a FIFO, a device).
TInTheWay WhatIsAt(int dirFd, const std::string& name) {
  struct stat st;
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return TInTheWay::Nothing;
  return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode) ? TInTheWay::Replaceable : TInTheWay::Refused;
}

// A name for a temporary file beside `name`, hidden and unlikely to exist;
// the caller creates it exclusively and tries another when it does.
std::string TemporaryName(const std::string& name) {
  static std::atomic<unsigned> counter{0};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".kelvane-%d-%u", static_cast<int>(::getpid()), counter.fetch_add(1));
  return "." + name + suffix;
}

}  // namespace

TFolderWriter::~TFolderWriter() {
  if (DirFd_ >= 0) ::close(DirFd_);
}

TOutcome TFolderWriter::Open(const std::string& dir) {
  if (DirFd_ >= 0) ::close(DirFd_);
  DirFd_ = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (DirFd_ < 0) return TOutcome::Failure(TImageError::CannotOpen, errno);
  return TOutcome::Success();
}

bool TFolderWriter::IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

TOutcome TFolderWriter::Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
  if (!IsPlainName(name)) return TOutcome::Failure(TImageError::UnsafeName);
  if (DirFd_ < 0) return TOutcome::Failure(TImageError::CannotCreate, EBADF);

  // The file has no name until it is complete; the mode 0666 is cut by the
  // umask as for any new file.
  const int fd = ::openat(DirFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return WriteNamedTemporary(name, bytes);
  if (!WriteAll(fd, bytes)) {
    const int error = errno;
    ::close(fd);
    return TOutcome::Failure(TImageError::WriteFailed, error);
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), DirFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    ::close(fd);
    return TOutcome::Success();
  }
  if (errno != EEXIST) {
    // No /proc to name the file through: write it the other way.
    ::close(fd);
    return WriteNamedTemporary(name, bytes);
  }
  // Something has the name already: a file or link is replaced by a rename
  // (which never follows a link), after the new data is on the disk.
  if (WhatIsAt(DirFd_, name) == TInTheWay::Refused) {
    ::close(fd);
    return TOutcome::Failure(TImageError::NotRegularFile);
  }
  if (::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    return TOutcome::Failure(TImageError::WriteFailed, error);
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = TemporaryName(name);
    if (::linkat(AT_FDCWD, self.c_str(), DirFd_, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST) continue;
      const int error = errno;
      ::close(fd);
      return TOutcome::Failure(TImageError::CannotCreate, error);
    }
    ::close(fd);
    if (::renameat(DirFd_, temporary.c_str(), DirFd_, name.c_str()) != 0) {
      const int error = errno;
      ::unlinkat(DirFd_, temporary.c_str(), 0);
      return TOutcome::Failure(TImageError::WriteFailed, error);
    }
    return TOutcome::Success();
  }
  ::close(fd);
  return TOutcome::Failure(TImageError::CannotCreate, EEXIST);
}

TOutcome TFolderWriter::WriteNamedTemporary(const std::string& name, std::span<const std::uint8_t> bytes) const {
  const TInTheWay inTheWay = WhatIsAt(DirFd_, name);
  if (inTheWay == TInTheWay::Refused) return TOutcome::Failure(TImageError::NotRegularFile);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryName(name);
    fd = ::openat(DirFd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return TOutcome::Failure(TImageError::CannotCreate, errno);
  }
  if (fd < 0) return TOutcome::Failure(TImageError::CannotCreate, EEXIST);
  bool ok = WriteAll(fd, bytes) && (inTheWay == TInTheWay::Nothing || ::fsync(fd) == 0);
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::renameat(DirFd_, temporary.c_str(), DirFd_, name.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlinkat(DirFd_, temporary.c_str(), 0);
    return TOutcome::Failure(TImageError::WriteFailed, error);
  }
  return TOutcome::Success();
}

}  // namespace kelvane
