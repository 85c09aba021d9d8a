// TByteReader: the one way Kelvane's parsers read bytes they did not write.
//
// A reader is a view of a block of bytes with a position. It knows how many
// bytes remain and refuses to read past them: a read that would overrun
// reads nothing, marks the reader failed and returns zeros; once failed, a
// reader stays failed (every later read fails too), so a parser may read a
// header field by field and check Ok() once before it uses any of them.
// Nothing is ever read outside the block. Little-endian, like every format
// Kelvane reads.
//
//   TByteReader r(bytes);
//   const std::uint32_t width = r.U32(), height = r.U32();
//   if (!r.Ok()) return TImageError::ShortRead;
//
// Counts and offsets are 64-bit and checked before they are added, so a
// hostile count cannot wrap a position. The reader does not own the block.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "image/Assert.h"
#include "image/LittleEndian.h"

namespace kelvane {

class TByteReader {
 public:
  TByteReader() = default;
  explicit TByteReader(std::span<const std::uint8_t> bytes) : Data_(bytes.data()), Size_(bytes.size()) {}
  TByteReader(const std::uint8_t* data, std::uint64_t size) : Data_(data), Size_(size) {
    KELVANE_ASSERT(data != nullptr || size == 0);
  }

  // A reader that has failed before anything was read from it.
  static TByteReader Refused() {
    TByteReader r;
    r.Failed_ = true;
    return r;
  }

  bool Ok() const { return !Failed_; }
  bool Failed() const { return Failed_; }
  std::uint64_t Size() const { return Size_; }
  std::uint64_t Position() const { return Position_; }
  std::uint64_t Remaining() const { return Size_ - Position_; }
  bool AtEnd() const { return Position_ == Size_; }
  // The whole block the reader covers.
  std::span<const std::uint8_t> Bytes() const { return {Data_, static_cast<std::size_t>(Size_)}; }

  // Moves to `position` (at most Size); false, and failed, beyond it.
  bool Seek(std::uint64_t position) {
    if (Failed_ || position > Size_) return Fail();
    Position_ = position;
    return true;
  }
  bool Skip(std::uint64_t count) {
    if (Failed_ || count > Remaining()) return Fail();
    Position_ += count;
    return true;
  }

  std::uint8_t U8() {
    if (Failed_ || Remaining() < 1) return Fail(), 0;
    return Data_[Position_++];
  }
  std::uint16_t U16() { return Load<std::uint16_t>(); }
  std::uint32_t U32() { return Load<std::uint32_t>(); }
  std::int32_t I32() { return static_cast<std::int32_t>(Load<std::uint32_t>()); }

  // Copies the next `count` bytes to `out`; on an overrun `out` is cleared.
  bool Read(void* out, std::uint64_t count) {
    if (Failed_ || count > Remaining()) {
      if (count > 0) std::memset(out, 0, static_cast<std::size_t>(count));
      return Fail();
    }
    if (count > 0) std::memcpy(out, Data_ + Position_, static_cast<std::size_t>(count));
    Position_ += count;
    return true;
  }

  // The next `count` bytes as a view, or an empty view on an overrun.
  std::span<const std::uint8_t> Take(std::uint64_t count) {
    if (Failed_ || count > Remaining()) return Fail(), std::span<const std::uint8_t>();
    const std::uint8_t* at = Data_ + Position_;
    Position_ += count;
    return {at, static_cast<std::size_t>(count)};
  }

  // A reader over `count` bytes from `offset` of this block (its position
  // untouched); a failed reader when the range is not inside the block.
  TByteReader Sub(std::uint64_t offset, std::uint64_t count) const {
    TByteReader sub;
    if (Failed_ || offset > Size_ || count > Size_ - offset) {
      sub.Failed_ = true;
      return sub;
    }
    sub.Data_ = Data_ + offset;
    sub.Size_ = count;
    return sub;
  }
  // A reader over everything from `offset` to the end of the block.
  TByteReader From(std::uint64_t offset) const { return Sub(offset, offset <= Size_ ? Size_ - offset : 0); }

 private:
  bool Fail() {
    Failed_ = true;
    return false;
  }
  template <class T>
  T Load() {
    if (Failed_ || Remaining() < sizeof(T)) return Fail(), T{0};
    T v;
    std::memcpy(&v, Data_ + Position_, sizeof(T));
    Position_ += sizeof(T);
    return v;
  }

  const std::uint8_t* Data_ = nullptr;
  std::uint64_t Size_ = 0;
  std::uint64_t Position_ = 0;
  bool Failed_ = false;
};

}  // namespace kelvane
