#include "image/FolderWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "image/UnnamedFile.h"

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

  const int fd = OpenUnnamedFile(DirFd_);
  if (fd < 0) return WriteNamedTemporary(name, bytes);
  if (!WriteAll(fd, bytes)) {
    const int error = errno;
    ::close(fd);
    return TOutcome::Failure(TImageError::WriteFailed, error);
  }
  const TOutcome named = NameUnnamedFile(DirFd_, fd, name);
  ::close(fd);
  // A file that could not be named is written the other way.
  if (named.Error == TImageError::CannotCreate) return WriteNamedTemporary(name, bytes);
  return named;
}

TOutcome TFolderWriter::WriteNamedTemporary(const std::string& name, std::span<const std::uint8_t> bytes) const {
  bool exists = false;
  if (!ReplaceableOrFree(DirFd_, name, &exists)) return TOutcome::Failure(TImageError::NotRegularFile);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryNameBeside(name);
    fd = ::openat(DirFd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return TOutcome::Failure(TImageError::CannotCreate, errno);
  }
  if (fd < 0) return TOutcome::Failure(TImageError::CannotCreate, EEXIST);
  bool ok = WriteAll(fd, bytes) && (!exists || ::fsync(fd) == 0);
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
