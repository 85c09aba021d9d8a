// TByteStream: the one byte-stream type of the image core, with a file kind
// and a memory kind behind one interface.
//
// Failures are byte counts, never exceptions: a read or write that moves
// fewer bytes than asked is how callers learn that something went wrong. A
// file that cannot be opened still yields a stream, on which every read and
// write moves 0 bytes and Seek/GetSize return -1.
//
// Positions and sizes are 64-bit. The memory kind keeps its Size exact (a
// write past the end grows it to exactly the end of the write) but reserves
// capacity geometrically, so building a file row by row stays linear. Bytes
// gained by growing are zero, so no stale heap memory can reach a file.
//
// Read file streams only open regular files: a FIFO or a device would block
// or harm the program, so such a path behaves like a missing file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kelvane {

enum TSeekOrigin : int { soFromStart = 0, soFromCurrent = 1, soFromEnd = 2 };

enum class TStreamKind : std::uint8_t { File, Memory };

class TByteStream {
 public:
  virtual ~TByteStream() = default;
  TByteStream(const TByteStream&) = delete;
  TByteStream& operator=(const TByteStream&) = delete;

  TStreamKind Kind() const { return Kind_; }

  // New position, or -1 when the stream cannot seek there.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  std::int64_t GetPosition() { return Seek(0, soFromCurrent); }
  // Size in bytes, or -1 when unknown (an unopened file).
  virtual std::int64_t GetSize() = 0;
  // Memory streams only; file streams ignore it.
  virtual void SetSize(std::int64_t size) = 0;
  // Bytes actually transferred; 0 for a count of 0 or less.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;

 protected:
  explicit TByteStream(TStreamKind kind) : Kind_(kind) {}

 private:
  TStreamKind Kind_;
};

class TMemoryByteStream final : public TByteStream {
 public:
  TMemoryByteStream() : TByteStream(TStreamKind::Memory) {}
  ~TMemoryByteStream() override;

  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t GetSize() override { return Size_; }
  void SetSize(std::int64_t size) override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;

  // The data block: nullptr while the stream has never held data.
  std::uint8_t* Memory() { return Memory_; }
  const std::uint8_t* Memory() const { return Memory_; }
  std::int64_t Size() const { return Size_; }
  std::int64_t Position() const { return Position_; }
  void SetPosition(std::int64_t position) { Position_ = position; }

 private:
  // Grows the block to hold at least `bytes`, zero-filling what is gained.
  void Reserve(std::int64_t bytes);

  std::uint8_t* Memory_ = nullptr;
  std::int64_t Capacity_ = 0;
  std::int64_t Size_ = 0;
  std::int64_t Position_ = 0;
};

enum class TFileAccess : std::uint8_t { Read, Write };

class TFileByteStream final : public TByteStream {
 public:
  ~TFileByteStream() override;

  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t GetSize() override;
  void SetSize(std::int64_t) override {}
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Writes, then cuts the file off after the bytes just written.
  std::int64_t Write(const void* buffer, std::int64_t count) override;

  bool IsOpen() const { return Fd_ >= 0; }
  // errno of the failed open, 0 when open.
  int OpenError() const { return OpenError_; }
  // Flushes written data to the device (for saves that rename afterwards).
  bool Sync();

 private:
  friend std::unique_ptr<TFileByteStream> OpenReadFileStream(const std::string& fileName);
  friend std::unique_ptr<TFileByteStream> OpenWriteFileStream(const std::string& fileName);
  friend std::unique_ptr<TFileByteStream> AdoptWriteFileDescriptor(int fd);
  TFileByteStream(int fd, TFileAccess access, int openError)
      : TByteStream(TStreamKind::File), Fd_(fd), Access_(access), OpenError_(openError) {}

  int Fd_;
  TFileAccess Access_;
  int OpenError_;
};

// An existing regular file, read access. Never null.
std::unique_ptr<TFileByteStream> OpenReadFileStream(const std::string& fileName);
// Created when missing, opened at position 0 when present; every write cuts
// the file after the bytes written. Never null.
std::unique_ptr<TFileByteStream> OpenWriteFileStream(const std::string& fileName);
// A write stream over an already open descriptor, which the stream then owns.
std::unique_ptr<TFileByteStream> AdoptWriteFileDescriptor(int fd);
std::unique_ptr<TMemoryByteStream> NewMemoryByteStream();

// Copies up to `count` bytes from the position of `src` to the position of
// `dst`; returns the bytes that arrived in `dst`.
std::int64_t CopyStreamBytes(TByteStream& dst, TByteStream& src, std::int64_t count);

}  // namespace kelvane
