#include "image/ByteStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/PixelBlock.h"

namespace kelvane {

// ---- memory stream ---------------------------------------------------------

TMemoryByteStream::~TMemoryByteStream() { FreeZeroedBlock(Memory_, static_cast<std::size_t>(Capacity_)); }

void TMemoryByteStream::Reserve(std::int64_t bytes) {
  if (bytes <= Capacity_) return;
  // Grow by half again so that a file built row by row costs linear time.
  std::int64_t capacity = Capacity_ + Capacity_ / 2;
  if (capacity < bytes) capacity = bytes;
  if (capacity < 64) capacity = 64;
  // A fresh zeroed block: what lies past Size is always zero.
  auto* block = static_cast<std::uint8_t*>(AllocateZeroedBlock(static_cast<std::size_t>(capacity)));
  if (block == nullptr) {
    // The same stop the memory manager makes when a block cannot grow.
    throw std::bad_alloc();
  }
  if (Memory_ != nullptr) {
    std::memcpy(block, Memory_, static_cast<std::size_t>(Size_));
    FreeZeroedBlock(Memory_, static_cast<std::size_t>(Capacity_));
  }
  Memory_ = block;
  Capacity_ = capacity;
}

void TMemoryByteStream::SetSize(std::int64_t size) {
  if (size < 0) size = 0;
  if (size > 0) Reserve(size);
  // Bytes between a shrunken size and the capacity are cleared again, so a
  // later growth never brings back old data.
  if (size < Size_ && Memory_ != nullptr) std::memset(Memory_ + size, 0, static_cast<std::size_t>(Size_ - size));
  Size_ = size;
  if (Position_ > size) Position_ = size;
}

std::int64_t TMemoryByteStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == soFromCurrent) base = Position_;
  else if (origin == soFromEnd) base = Size_;
  std::int64_t target;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) return -1;
  if (target > Size_) SetSize(target);
  Position_ = target;
  return target;
}

std::int64_t TMemoryByteStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || Position_ >= Size_) return 0;
  if (count > Size_ - Position_) count = Size_ - Position_;
  std::memcpy(buffer, Memory_ + Position_, static_cast<std::size_t>(count));
  Position_ += count;
  return count;
}

std::int64_t TMemoryByteStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  std::int64_t end;
  if (__builtin_add_overflow(Position_, count, &end)) return 0;
  if (end > Size_) SetSize(end);
  std::memcpy(Memory_ + Position_, buffer, static_cast<std::size_t>(count));
  Position_ = end;
  return count;
}

std::unique_ptr<TMemoryByteStream> NewMemoryByteStream() { return std::make_unique<TMemoryByteStream>(); }

// ---- file stream -----------------------------------------------------------

namespace {

// read()/write() move at most this much per call on Linux anyway; looping
// keeps counts above 2 GiB correct.
constexpr std::int64_t kMaxChunkBytes = 1 << 30;

}  // namespace

TFileByteStream::~TFileByteStream() {
  if (Fd_ >= 0) ::close(Fd_);
}

std::unique_ptr<TFileByteStream> OpenReadFileStream(const std::string& fileName) {
  // O_NONBLOCK keeps open() from waiting for a writer on a FIFO; the fstat
  // below then refuses anything that is not a regular file.
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::unique_ptr<TFileByteStream>(new TFileByteStream(-1, TFileAccess::Read, errno));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::unique_ptr<TFileByteStream>(new TFileByteStream(-1, TFileAccess::Read, EINVAL));
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return std::unique_ptr<TFileByteStream>(new TFileByteStream(fd, TFileAccess::Read, 0));
}

std::unique_ptr<TFileByteStream> OpenWriteFileStream(const std::string& fileName) {
  int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return std::unique_ptr<TFileByteStream>(new TFileByteStream(-1, TFileAccess::Write, errno));
  // Only one writer at a time, like an exclusive open; a file locked by
  // another writer is treated as one that cannot be opened.
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_SETLK, &lock) != 0) {
    int error = errno;
    ::close(fd);
    return std::unique_ptr<TFileByteStream>(new TFileByteStream(-1, TFileAccess::Write, error));
  }
  return std::unique_ptr<TFileByteStream>(new TFileByteStream(fd, TFileAccess::Write, 0));
}

std::unique_ptr<TFileByteStream> AdoptWriteFileDescriptor(int fd) {
  return std::unique_ptr<TFileByteStream>(new TFileByteStream(fd, TFileAccess::Write, fd >= 0 ? 0 : EBADF));
}

std::int64_t TFileByteStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (Fd_ < 0) return -1;
  int whence = origin == soFromCurrent ? SEEK_CUR : origin == soFromEnd ? SEEK_END : SEEK_SET;
  off_t r = ::lseek(Fd_, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<std::int64_t>(r);
}

std::int64_t TFileByteStream::GetSize() {
  if (Fd_ < 0) return -1;
  struct stat st;
  if (::fstat(Fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::int64_t TFileByteStream::Read(void* buffer, std::int64_t count) {
  if (Fd_ < 0 || Access_ != TFileAccess::Read || count <= 0) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    std::int64_t chunk = count - done < kMaxChunkBytes ? count - done : kMaxChunkBytes;
    ssize_t n = ::read(Fd_, out + done, static_cast<std::size_t>(chunk));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileByteStream::Write(const void* buffer, std::int64_t count) {
  if (Fd_ < 0 || Access_ != TFileAccess::Write || count <= 0) return 0;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    std::int64_t chunk = count - done < kMaxChunkBytes ? count - done : kMaxChunkBytes;
    ssize_t n = ::write(Fd_, in + done, static_cast<std::size_t>(chunk));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  // The file ends after the last write, so an older, longer file is cut.
  off_t end = ::lseek(Fd_, 0, SEEK_CUR);
  if (end >= 0 && ::ftruncate(Fd_, end) != 0) return 0;
  return done;
}

bool TFileByteStream::Sync() { return Fd_ >= 0 && ::fsync(Fd_) == 0; }

// ---- copying ---------------------------------------------------------------

std::int64_t CopyStreamBytes(TByteStream& dst, TByteStream& src, std::int64_t count) {
  if (count <= 0) return 0;
  if (src.Kind() == TStreamKind::Memory) {
    auto& from = static_cast<TMemoryByteStream&>(src);
    if (from.Memory() != nullptr) {
      std::int64_t available = from.Size() - from.Position();
      if (available <= 0) return 0;
      if (count > available) count = available;
      std::int64_t n = dst.Write(from.Memory() + from.Position(), count);
      from.SetPosition(from.Position() + n);
      return n;
    }
  }
  if (dst.Kind() == TStreamKind::Memory) {
    auto& to = static_cast<TMemoryByteStream&>(dst);
    if (to.Memory() != nullptr) {
      std::int64_t end;
      if (__builtin_add_overflow(to.Position(), count, &end)) return 0;
      // The size stays grown even when fewer bytes arrive; the gained bytes
      // are zero.
      if (end > to.Size()) to.SetSize(end);
      std::int64_t n = src.Read(to.Memory() + to.Position(), count);
      to.SetPosition(to.Position() + n);
      return n;
    }
  }
  auto temp = std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(count)]);
  if (!temp) return 0;
  std::int64_t n = src.Read(temp.get(), count);
  return dst.Write(temp.get(), n);
}

}  // namespace kelvane
