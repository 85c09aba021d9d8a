#include "image/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "image/UnnamedFile.h"

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

// The mode a new file gets: 0666 less the umask. The umask is read from
// /proc where it can be, since the system call can only read it by setting
// it, and files other threads create meanwhile would take the mask set.
mode_t NewFileMode() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return 0666 & ~static_cast<mode_t>(mask);
  }
  // Without /proc: set and put back, one thread at a time. Unguarded, one
  // thread could read the 0 another just set and put it back for good, and
  // every later file would be created writable by everyone.
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

  bool replacing = false;
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return TOutcome::Failure(TImageError::NotRegularFile);
    replacing = true;
  }

  std::string::size_type slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (!replacing) {
    // A new file is written unnamed and linked in whole, which locks the
    // folder once instead of twice (create, then rename).
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int fd = dirFd >= 0 ? OpenUnnamedFile(dirFd) : -1;
    if (fd >= 0) {
      TOutcome saved;
      {
        auto stream = AdoptWriteFileDescriptor(fd);
        saved = write(*stream) ? NameUnnamedFile(dirFd, fd, base) : TOutcome::Failure(TImageError::WriteFailed, errno);
      }  // closes the descriptor
      ::close(dirFd);
      return saved;
    }
    if (dirFd >= 0) ::close(dirFd);
  }

  std::string temp = dir + (dir == "/" ? "" : "/") + "." + base + ".kelvane-XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return TOutcome::Failure(TImageError::CannotCreate, errno);
  ::fchmod(fd, replacing ? st.st_mode & 07777 : NewFileMode());

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
