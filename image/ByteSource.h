// TByteSource: bytes of known length that parsers take in checked ranges.
//
// Every format reader starts here. A source is either a block in memory (an
// archive entry just inflated, a test's bytes) or an open file, and hands
// out a TByteReader over any range of it. The range is checked against the
// source's real length, and against the caller's cap, before anything is
// allocated or read: a header that claims gigabytes in a 60-byte file is a
// short read, and a claim above the cap is over our limit, never an
// allocation. A file source reads only the ranges asked for, so one entry
// of a large archive costs that entry alone.
//
// The readers a source hands out stay valid as long as the source.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/ByteReader.h"
#include "image/ImageError.h"
#include "image/PixelBlock.h"

namespace kelvane {

class TByteStream;

class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // A reader over `count` bytes at `offset`. ShortRead when the range is not
  // inside the source (or a file read came up short), OverLimit when `count`
  // is above `cap`, NoMemory when a block cannot be had; `out` is then an
  // empty, failed reader.
  TOutcome Range(std::uint64_t offset, std::uint64_t count, std::uint64_t cap, TByteReader& out);
  // Everything from `offset` to the end, under the same rules.
  TOutcome Rest(std::uint64_t offset, std::uint64_t cap, TByteReader& out) {
    return Range(offset, offset <= Size() ? Size() - offset : 0, cap, out);
  }

 protected:
  // Called with a range already checked to lie inside the source.
  virtual TOutcome ReadChecked(std::uint64_t offset, std::uint64_t count, TByteReader& out) = 0;
};

// Bytes the caller keeps alive for as long as the source is used.
class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::span<const std::uint8_t> bytes) : Bytes_(bytes) {}
  std::uint64_t Size() const override { return Bytes_.size(); }

 protected:
  TOutcome ReadChecked(std::uint64_t offset, std::uint64_t count, TByteReader& out) override;

 private:
  std::span<const std::uint8_t> Bytes_;
};

// A stream (normally a read file stream) read range by range; the blocks
// read are kept until the source is destroyed.
class TStreamSource final : public TByteSource {
 public:
  explicit TStreamSource(TByteStream& stream);
  std::uint64_t Size() const override { return Size_; }

 protected:
  TOutcome ReadChecked(std::uint64_t offset, std::uint64_t count, TByteReader& out) override;

 private:
  TByteStream& Stream_;
  std::uint64_t Size_ = 0;
  std::vector<TPixelBlock> Blocks_;
};

// An open regular file as a source: the outcome says why it could not be
// opened (CannotOpen with errno, NotRegularFile).
struct TFileSource {
  std::unique_ptr<TByteStream> Stream;
  std::unique_ptr<TStreamSource> Source;
  TOutcome Opened;
};
TFileSource OpenFileSource(const std::string& path);

}  // namespace kelvane
