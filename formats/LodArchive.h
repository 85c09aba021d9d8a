// LOD archives, the game's containers of sprites, palettes and texts.
//
// Layout, all integers 32-bit little-endian:
//   0    4   "LOD\0"
//   4    4   version: 200 for the base game, 500 for the expansions
//   8    4   number of entries in use
//   12   80  reserved
//   92   32 x count  the entry table:
//        0   16  name, at most 15 characters ended by a NUL (the game's own
//                archives may hold junk after it)
//        16  4   absolute offset of the data
//        20  4   original size
//        24  4   type (most tools write 0)
//        28  4   compressed size; 0 means stored
// The data of a compressed entry is a zlib stream (with its header) that
// inflates to the original size. The game's archives reserve a table of
// 10,000 entries, so their data starts at 320,092; small archives put it
// right after the used entries. A reader takes only `count` entries and
// assumes nothing about where data starts. Names are case-insensitive and
// the table is kept sorted without regard to case.
//
// Reading (TLodArchive) trusts nothing the file says. The whole archive is
// refused only when its header is not one (NotAnArchive); everything else is
// judged entry by entry, and an entry that cannot be read carries why
// (Problem) while the rest stay readable:
// - a table running past the end of the file or beyond 10,000 entries is
//   read as far as it goes; the archive's Notices say what was left out;
// - a name that is not a plain file name (a separator, "." or "..", a
//   control character, empty, no NUL within its 16 bytes) is refused, never
//   rewritten: UnsafeName;
// - a second entry of the same name (case-insensitively) is refused:
//   DuplicateName; the first keeps the name;
// - data outside the file (EntryOutsideFile), overlapping the table or the
//   data of an earlier entry (OverlappingEntry), or larger than
//   kMaxLodEntryBytes (OverLimit) is refused;
// - compressed data that fails to inflate or ends early (DamagedData) or
//   would inflate beyond the original size (DataBeyondSize) fails when read;
//   inflating stops at the original size, so memory follows the declared
//   size, capped.
// Reading entries is safe from several threads at once: each read is a
// positioned read of the archive's descriptor.
//
// Writing (TLodBuilder) starts from an archive or from nothing, adds,
// replaces and removes entries, and saves the whole archive to a new file
// beside the old one that is renamed over it only when complete, so a
// failed or interrupted change leaves the old archive as it was. Saved
// archives keep the table sorted, reserve the game's 10,000-entry table,
// compress every entry added with zlib, and carry unchanged entries over
// byte for byte without inflating them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/ImageError.h"

namespace kelvane {

inline constexpr std::uint32_t kLodVersionBase = 200;
inline constexpr std::uint32_t kLodVersionExpansion = 500;
inline constexpr std::uint64_t kLodHeaderBytes = 92;
inline constexpr std::uint64_t kLodEntryBytes = 32;
inline constexpr std::size_t kLodNameFieldBytes = 16;
inline constexpr std::size_t kLodMaxNameChars = 15;
// The table the game's archives reserve, and that saved archives reserve.
inline constexpr std::uint32_t kLodReservedEntries = 10000;

// Why a name cannot be an entry's name; Ok for a good one. `detail` gets
// what is wrong with it ("holds '/'").
TOutcome CheckLodName(std::string_view name, std::string* detail = nullptr);
// Case-insensitive (ASCII) order and equality of entry names, the order of
// the table; other bytes compare as they are.
int CompareLodNames(std::string_view a, std::string_view b);
bool SameLodName(std::string_view a, std::string_view b);
// `name` with control characters and bytes of 0x7F shown as \xNN, so a
// hostile name printed to a terminal cannot drive it.
std::string PrintableName(std::string_view name);

struct TLodEntry {
  std::string Name;  // the bytes before the NUL, as stored
  std::uint32_t Offset = 0;
  std::uint32_t OriginalSize = 0;
  std::uint32_t Type = 0;
  std::uint32_t CompressedSize = 0;  // 0: stored
  std::uint32_t TableIndex = 0;      // position in the table
  TOutcome Problem;                  // Ok when the entry can be read
  std::string Detail;                // more about Problem, for the user

  bool Compressed() const { return CompressedSize != 0; }
  bool Readable() const { return Problem.Ok(); }
  // Bytes the entry takes in the file.
  std::uint32_t StoredSize() const { return Compressed() ? CompressedSize : OriginalSize; }
};

// Something about the archive as a whole that left entries unread.
struct TLodNotice {
  TOutcome Why;
  std::string Detail;
};

// Where an archive's bytes come from: a file read with positioned reads, or
// bytes in memory (tests, fuzzing).
class TLodInput {
 public:
  virtual ~TLodInput() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads `count` bytes at `offset`, a range the caller has checked to lie
  // inside Size(); ShortRead (with errno) when the read comes up short.
  virtual TOutcome ReadAt(std::uint64_t offset, std::uint64_t count, std::uint8_t* out) const = 0;
};

class TLodArchive {
 public:
  TLodArchive();
  ~TLodArchive();
  TLodArchive(TLodArchive&&) noexcept;
  TLodArchive& operator=(TLodArchive&&) noexcept;

  // Opens the archive file at `path`: CannotOpen, NotRegularFile,
  // NotAnArchive. Entry problems do not fail the open.
  TOutcome Open(const std::string& path);
  // The same over bytes the caller keeps alive while the archive is used.
  TOutcome OpenBytes(std::span<const std::uint8_t> bytes);

  std::uint32_t Version() const { return Version_; }
  // The count the header claims; Entries() may hold fewer (see Notices).
  std::uint32_t DeclaredCount() const { return DeclaredCount_; }
  std::uint64_t FileSize() const;
  // Every entry read from the table, in table order, readable or not.
  const std::vector<TLodEntry>& Entries() const { return Entries_; }
  const std::vector<TLodNotice>& Notices() const { return Notices_; }
  // Whether every declared entry was read and is readable.
  bool IsSound() const;

  // The readable entry called `name` (case-insensitively), or the first
  // unreadable one of that name, or nullptr.
  const TLodEntry* Find(std::string_view name) const;

  // The entry's original bytes: inflated when compressed. The entry's
  // Problem when it has one; DamagedData, DataBeyondSize, ShortRead,
  // NoMemory otherwise, with more in `detail`. `out` is empty on failure.
  // Thread-safe.
  TOutcome Read(const TLodEntry& entry, std::vector<std::uint8_t>& out, std::string* detail = nullptr) const;
  // The entry's bytes as stored in the file (compressed or not).
  TOutcome ReadStored(const TLodEntry& entry, std::vector<std::uint8_t>& out) const;

 private:
  TOutcome Parse();
  void RefuseDuplicates();
  void RefuseOverlaps();

  std::unique_ptr<TLodInput> Input_;
  std::uint32_t Version_ = 0;
  std::uint32_t DeclaredCount_ = 0;
  std::vector<TLodEntry> Entries_;
  std::vector<TLodNotice> Notices_;
};

// Inflates the zlib stream `compressed` into exactly `originalSize` bytes.
// DamagedData when the stream is broken or ends early, DataBeyondSize when
// it holds more, OverLimit above kMaxLodEntryBytes.
TOutcome InflateEntry(std::span<const std::uint8_t> compressed, std::uint64_t originalSize,
                      std::vector<std::uint8_t>& out, std::string* detail = nullptr);
// Compresses `data` as a zlib stream.
TOutcome DeflateEntry(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out);

// An archive being put together: the entries of an existing archive, with
// entries added, replaced and removed, saved as a new file.
class TLodBuilder {
 public:
  // A new, empty archive of `version`.
  explicit TLodBuilder(std::uint32_t version = kLodVersionExpansion);
  // Starts from every entry of `archive`, which must stay open until Save.
  // DamagedArchive, with the first problem in `detail`, when some entry
  // cannot be carried over (an archive with unreadable entries is not
  // rewritten: it would lose them).
  TOutcome StartFrom(const TLodArchive& archive, std::string* detail = nullptr);

  // Adds `data` under `name`, replacing an entry of the same name (any
  // case; the entry takes the new spelling and keeps its type). UnsafeName for a name that
  // cannot be an entry's, TooManyEntries past 10,000, OverLimit above
  // kMaxLodEntryBytes.
  TOutcome Put(const std::string& name, std::span<const std::uint8_t> data);
  // Removes the entry of that name; false when there is none.
  bool Remove(std::string_view name);
  bool Contains(std::string_view name) const;
  std::size_t Count() const { return Entries_.size(); }

  // Writes the archive to `path` (sorted table, 10,000 reserved entries)
  // through a file beside it renamed over it only when complete. OverLimit
  // when the archive would pass the 4 GiB its offsets can address.
  TOutcome Save(const std::string& path) const;

 private:
  struct TPending {
    std::string Name;
    std::uint32_t Type = 0;
    std::uint32_t OriginalSize = 0;
    std::uint32_t CompressedSize = 0;
    const TLodEntry* Source = nullptr;  // carried over from Archive_
    std::vector<std::uint8_t> Data;     // compressed, when not carried over
  };
  std::uint32_t Version_;
  const TLodArchive* Archive_ = nullptr;
  std::vector<TPending> Entries_;
};

}  // namespace kelvane
