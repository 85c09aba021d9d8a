#include "image/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kelvane {

namespace {

// The file a save really replaces: the target of a symbolic link, so the
// link survives the rename.
std::string ResolveTarget(const std::string& fileName) {
  char resolved[PATH_MAX];
  struct stat st;
  if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(fileName.c_str(), resolved) != nullptr)
    return resolved;
  return fileName;
}

mode_t NewFileMode() {
  // umask can only be read by setting it. Saves run on several threads at
  // once (a batch extraction): unguarded, one thread could read the 0 another
  // just set and put it back for good, and every later file would be
  // created writable by everyone.
  static std::mutex guard;
  const std::lock_guard<std::mutex> lock(guard);
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

TOutcome SaveFileReplacing(const std::string& fileName, const std::function<bool(TByteStream&)>& write) {
  if (fileName.empty()) return TOutcome::Failure(TImageError::NoFileName);
  const std::string target = ResolveTarget(fileName);

  mode_t mode = NewFileMode();
  bool replacing = false;
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return TOutcome::Failure(TImageError::NotRegularFile);
    mode = st.st_mode & 07777;
    replacing = true;
  }

  std::string::size_type slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = dir + (dir == "/" ? "" : "/") + "." + base + ".kelvane-XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return TOutcome::Failure(TImageError::CannotCreate, errno);
  ::fchmod(fd, mode);

  bool ok;
  int error = 0;
  {
    auto stream = AdoptWriteFileDescriptor(fd);
    ok = write(*stream);
    if (!ok) error = errno;
    // Before an old file is replaced the new one must be on the disk: a
    // crash right after the rename must not leave the user with neither. A
    // new file has nothing to protect, and flushing it would make every
    // save wait for the disk.
    if (ok && replacing && !stream->Sync()) {
      ok = false;
      error = errno;
    }
  }  // closes the descriptor
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return TOutcome::Failure(TImageError::WriteFailed, error);
  }
  return TOutcome::Success();
}

}  // namespace kelvane
