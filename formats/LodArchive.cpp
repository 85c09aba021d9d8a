#include "formats/LodArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <numeric>

#include "image/ByteReader.h"
#include "image/ByteStream.h"
#include "image/Limits.h"
#include "image/LittleEndian.h"
#include "image/SafeSave.h"

namespace kelvane {

namespace {

constexpr std::uint8_t kSignature[4] = {'L', 'O', 'D', 0};
constexpr std::uint64_t kReservedTableEnd = kLodHeaderBytes + kLodEntryBytes * kLodReservedEntries;

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Hex(unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 4) & 15], kDigits[value & 15]};
}

// Resizes `out` to `count` zeroed bytes; false when the memory cannot be had.
bool Allocate(std::vector<std::uint8_t>& out, std::uint64_t count) {
  try {
    out.assign(static_cast<std::size_t>(count), 0);
    return true;
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
}

class TFileInput final : public TLodInput {
 public:
  TFileInput(int fd, std::uint64_t size) : Fd_(fd), Size_(size) {}
  ~TFileInput() override { ::close(Fd_); }
  std::uint64_t Size() const override { return Size_; }
  TOutcome ReadAt(std::uint64_t offset, std::uint64_t count, std::uint8_t* out) const override {
    std::uint64_t done = 0;
    while (done < count) {
      const ssize_t n = ::pread(Fd_, out + done, static_cast<std::size_t>(std::min<std::uint64_t>(count - done, 1u << 30)),
                                static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      // The file shrank since it was opened: what is missing is never
      // handed out as zeros.
      if (n <= 0) return TOutcome::Failure(TImageError::ShortRead, n < 0 ? errno : 0);
      done += static_cast<std::uint64_t>(n);
    }
    return TOutcome::Success();
  }

 private:
  int Fd_;
  std::uint64_t Size_;
};

class TMemoryInput final : public TLodInput {
 public:
  explicit TMemoryInput(std::span<const std::uint8_t> bytes) : Bytes_(bytes) {}
  std::uint64_t Size() const override { return Bytes_.size(); }
  TOutcome ReadAt(std::uint64_t offset, std::uint64_t count, std::uint8_t* out) const override {
    KELVANE_ASSERT(offset <= Bytes_.size() && count <= Bytes_.size() - offset);
    if (count > 0) std::memcpy(out, Bytes_.data() + offset, static_cast<std::size_t>(count));
    return TOutcome::Success();
  }

 private:
  std::span<const std::uint8_t> Bytes_;
};

void Refuse(TLodEntry& entry, TImageError why, std::string detail) {
  entry.Problem = TOutcome::Failure(why);
  entry.Detail = std::move(detail);
}

}  // namespace

TOutcome CheckLodName(std::string_view name, std::string* detail) {
  auto refuse = [&](TImageError why, std::string text) {
    if (detail != nullptr) *detail = std::move(text);
    return TOutcome::Failure(why);
  };
  if (name.empty()) return refuse(TImageError::UnsafeName, "the name is empty");
  if (name.size() > kLodMaxNameChars) return refuse(TImageError::UnsafeName, "the name is longer than 15 characters");
  if (name == "." || name == "..") return refuse(TImageError::UnsafeName, "the name is a relative path");
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\') return refuse(TImageError::UnsafeName, std::string("the name holds '") + c + "'");
    if (byte < 0x20 || byte == 0x7F)
      return refuse(TImageError::UnsafeName, "the name holds the control character \\x" + Hex(byte));
  }
  return TOutcome::Success();
}

int CompareLodNames(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(FoldCase(a[i])), y = static_cast<unsigned char>(FoldCase(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool SameLodName(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareLodNames(a, b) == 0; }

std::string PrintableName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) out += "\\x" + Hex(byte);
    else out += c;
  }
  return out;
}

// ---- reading ---------------------------------------------------------------

TLodArchive::TLodArchive() = default;
TLodArchive::~TLodArchive() = default;
TLodArchive::TLodArchive(TLodArchive&&) noexcept = default;
TLodArchive& TLodArchive::operator=(TLodArchive&&) noexcept = default;

TOutcome TLodArchive::Open(const std::string& path) {
  Input_.reset();
  // Non-blocking, so a FIFO cannot hang the open; it is refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return TOutcome::Failure(TImageError::CannotOpen, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return TOutcome::Failure(TImageError::NotRegularFile);
  }
  Input_ = std::make_unique<TFileInput>(fd, static_cast<std::uint64_t>(st.st_size));
  return Parse();
}

TOutcome TLodArchive::OpenBytes(std::span<const std::uint8_t> bytes) {
  Input_ = std::make_unique<TMemoryInput>(bytes);
  return Parse();
}

std::uint64_t TLodArchive::FileSize() const { return Input_ ? Input_->Size() : 0; }

TOutcome TLodArchive::Parse() {
  Entries_.clear();
  Notices_.clear();
  Version_ = DeclaredCount_ = 0;
  const std::uint64_t fileSize = Input_->Size();
  if (fileSize < kLodHeaderBytes) return TOutcome::Failure(TImageError::NotAnArchive);
  std::uint8_t header[kLodHeaderBytes];
  if (TOutcome read = Input_->ReadAt(0, kLodHeaderBytes, header); !read) return read;
  TByteReader h(header, kLodHeaderBytes);
  if (std::memcmp(h.Take(4).data(), kSignature, 4) != 0) return TOutcome::Failure(TImageError::NotAnArchive);
  Version_ = h.U32();
  DeclaredCount_ = h.U32();
  // The rest of the header is reserved: nothing reads it.

  // A count above the cap or beyond the file is a lie, so the slots after
  // the real entries may hold their data; the table then ends where the
  // first data found begins. An honest count is taken as it stands, and an
  // entry pointing into it is refused below.
  std::uint64_t count = DeclaredCount_;
  const std::uint64_t fit = (fileSize - kLodHeaderBytes) / kLodEntryBytes;
  const bool countIsALie = count > kMaxLodEntries || count > fit;
  count = std::min<std::uint64_t>({count, kMaxLodEntries, fit});
  // count <= 10,000, so the table is at most 320,000 bytes.
  std::vector<std::uint8_t> table;
  if (!Allocate(table, count * kLodEntryBytes)) return TOutcome::Failure(TImageError::NoMemory);
  if (TOutcome read = Input_->ReadAt(kLodHeaderBytes, table.size(), table.data()); !read) return read;
  if (countIsALie) {
    std::uint64_t firstData = fileSize;
    std::uint64_t slots = 0;
    for (TByteReader scan(table); slots < count; ++slots) {
      const std::uint64_t slotEnd = kLodHeaderBytes + (slots + 1) * kLodEntryBytes;
      if (slotEnd > firstData) break;
      scan.Skip(kLodNameFieldBytes);
      const std::uint64_t offset = scan.U32(), original = scan.U32();
      scan.Skip(4);
      const std::uint64_t compressed = scan.U32();
      if ((compressed != 0 ? compressed : original) != 0 && offset >= slotEnd) firstData = std::min(firstData, offset);
    }
    const std::string claim = "the table claims " + std::to_string(DeclaredCount_) + " entries; ";
    if (DeclaredCount_ > kMaxLodEntries)
      Notices_.push_back({TOutcome::Failure(TImageError::TooManyEntries),
                          claim + std::to_string(slots) + " are read, at most " + std::to_string(kMaxLodEntries)});
    else
      Notices_.push_back({TOutcome::Failure(TImageError::ShortRead),
                          claim + "the file holds " + std::to_string(slots) + " before their data"});
    count = slots;
    table.resize(count * kLodEntryBytes);
  }
  const std::uint64_t tableEnd = kLodHeaderBytes + table.size();

  TByteReader t(table);
  Entries_.resize(static_cast<std::size_t>(count));
  for (std::uint32_t i = 0; i < count; ++i) {
    TLodEntry& e = Entries_[i];
    e.TableIndex = i;
    const std::span<const std::uint8_t> field = t.Take(kLodNameFieldBytes);
    e.Offset = t.U32();
    e.OriginalSize = t.U32();
    e.Type = t.U32();
    e.CompressedSize = t.U32();
    KELVANE_ASSERT(t.Ok());
    const auto nul = std::find(field.begin(), field.end(), std::uint8_t{0});
    e.Name.assign(field.begin(), nul);  // bytes after the NUL are junk the game's tools left
    if (nul == field.end()) Refuse(e, TImageError::UnsafeName, "the name is not ended within its 16 bytes");
    else if (TOutcome name = CheckLodName(e.Name, &e.Detail); !name) e.Problem = name;
  }
  RefuseDuplicates();
  for (TLodEntry& e : Entries_) {
    if (!e.Readable()) continue;
    if (e.OriginalSize > kMaxLodEntryBytes || e.CompressedSize > kMaxLodCompressedBytes) {
      Refuse(e, TImageError::OverLimit,
             "the entry claims " + std::to_string(e.Compressed() ? e.CompressedSize : e.OriginalSize) +
                 " bytes; at most " + std::to_string(kMaxLodEntryBytes) + " are read");
      continue;
    }
    const std::uint64_t start = e.Offset, end = start + e.StoredSize();  // both below 2^33
    if (end > fileSize) {
      Refuse(e, TImageError::EntryOutsideFile,
             "bytes " + std::to_string(start) + " to " + std::to_string(end) + " of a file of " +
                 std::to_string(fileSize));
    } else if (start < tableEnd && start != end) {
      Refuse(e, TImageError::OverlappingEntry, "its data overlaps the entry table");
    }
  }
  RefuseOverlaps();
  return TOutcome::Success();
}

// A second entry of a name (without regard to case) is refused; the first
// in table order keeps it. Sorting by name, stable, puts each name's first
// entry at the head of its run.
void TLodArchive::RefuseDuplicates() {
  std::vector<std::uint32_t> named;
  named.reserve(Entries_.size());
  for (const TLodEntry& e : Entries_)
    if (e.Readable()) named.push_back(e.TableIndex);
  std::stable_sort(named.begin(), named.end(), [&](std::uint32_t a, std::uint32_t b) {
    return CompareLodNames(Entries_[a].Name, Entries_[b].Name) < 0;
  });
  for (std::size_t k = 1, head = 0; k < named.size(); ++k) {
    if (!SameLodName(Entries_[named[head]].Name, Entries_[named[k]].Name)) {
      head = k;
      continue;
    }
    Refuse(Entries_[named[k]], TImageError::DuplicateName,
           "entry " + std::to_string(named[head]) + " has the same name");
  }
}

// Data ranges that overlap: the entry earlier in the table keeps its data,
// every later one that overlaps an accepted range is refused. Sound
// archives have no overlap at all, which one sorted pass shows; only when
// it finds one are the ranges taken one by one in table order.
void TLodArchive::RefuseOverlaps() {
  struct TRange {
    std::uint64_t Start, End;
    std::uint32_t Index;
  };
  std::vector<TRange> ranges;
  ranges.reserve(Entries_.size());
  for (const TLodEntry& e : Entries_)
    if (e.Readable() && e.StoredSize() > 0) ranges.push_back({e.Offset, std::uint64_t{e.Offset} + e.StoredSize(), e.TableIndex});
  std::sort(ranges.begin(), ranges.end(), [](const TRange& a, const TRange& b) { return a.Start < b.Start; });
  bool anyOverlap = false;
  for (std::size_t k = 1; k < ranges.size() && !anyOverlap; ++k) anyOverlap = ranges[k].Start < ranges[k - 1].End;
  if (!anyOverlap) return;

  // Accepted ranges, start -> (end, index); they never overlap one another,
  // so only the neighbours of a new range can.
  std::map<std::uint64_t, std::pair<std::uint64_t, std::uint32_t>> accepted;
  std::sort(ranges.begin(), ranges.end(), [](const TRange& a, const TRange& b) { return a.Index < b.Index; });
  for (const TRange& r : ranges) {
    auto next = accepted.lower_bound(r.Start);
    const TLodEntry* other = nullptr;
    if (next != accepted.end() && next->first < r.End) other = &Entries_[next->second.second];
    else if (next != accepted.begin() && std::prev(next)->second.first > r.Start)
      other = &Entries_[std::prev(next)->second.second];
    if (other != nullptr) {
      Refuse(Entries_[r.Index], TImageError::OverlappingEntry, "its data overlaps that of " + PrintableName(other->Name));
      continue;
    }
    accepted.emplace(r.Start, std::make_pair(r.End, r.Index));
  }
}

bool TLodArchive::IsSound() const {
  return Notices_.empty() && std::all_of(Entries_.begin(), Entries_.end(), [](const TLodEntry& e) { return e.Readable(); });
}

const TLodEntry* TLodArchive::Find(std::string_view name) const {
  const TLodEntry* unreadable = nullptr;
  for (const TLodEntry& e : Entries_) {
    if (!SameLodName(e.Name, name)) continue;
    if (e.Readable()) return &e;
    if (unreadable == nullptr) unreadable = &e;
  }
  return unreadable;
}

TOutcome TLodArchive::ReadStored(const TLodEntry& entry, std::vector<std::uint8_t>& out) const {
  out.clear();
  if (!entry.Readable()) return entry.Problem;
  if (!Input_) return TOutcome::Failure(TImageError::CannotOpen);
  const std::uint64_t size = entry.StoredSize();
  // Checked when the table was read; checked again because an entry is a
  // plain value the caller could have made up.
  if (size > kMaxLodCompressedBytes) return TOutcome::Failure(TImageError::OverLimit);
  if (entry.Offset > Input_->Size() || size > Input_->Size() - entry.Offset)
    return TOutcome::Failure(TImageError::EntryOutsideFile);
  if (!Allocate(out, size)) return TOutcome::Failure(TImageError::NoMemory);
  if (TOutcome read = Input_->ReadAt(entry.Offset, size, out.data()); !read) {
    out.clear();
    return read;
  }
  return TOutcome::Success();
}

TOutcome TLodArchive::Read(const TLodEntry& entry, std::vector<std::uint8_t>& out, std::string* detail) const {
  if (!entry.Readable() && detail != nullptr) *detail = entry.Detail;
  if (!entry.Compressed()) return ReadStored(entry, out);
  std::vector<std::uint8_t> stored;
  if (TOutcome read = ReadStored(entry, stored); !read) {
    out.clear();
    return read;
  }
  return InflateEntry(stored, entry.OriginalSize, out, detail);
}

// ---- zlib ------------------------------------------------------------------

TOutcome InflateEntry(std::span<const std::uint8_t> compressed, std::uint64_t originalSize,
                      std::vector<std::uint8_t>& out, std::string* detail) {
  out.clear();
  auto fail = [&](TImageError why, std::string text) {
    out.clear();
    if (detail != nullptr) *detail = std::move(text);
    return TOutcome::Failure(why);
  };
  if (originalSize > kMaxLodEntryBytes) return fail(TImageError::OverLimit, "");
  if (compressed.size() > kMaxLodCompressedBytes) return fail(TImageError::OverLimit, "");
  // The output is exactly the declared size: inflating stops there, and a
  // stream that has more to give is refused rather than followed.
  if (!Allocate(out, originalSize)) return fail(TImageError::NoMemory, "");

  z_stream s{};
  if (inflateInit(&s) != Z_OK) return fail(TImageError::NoMemory, "");
  struct TEnd {
    z_stream& S;
    ~TEnd() { inflateEnd(&S); }
  } end{s};
  // Both sizes are below the caps, far below 4 GiB, so they fit zlib's uInt.
  s.next_in = const_cast<Bytef*>(compressed.data());
  s.avail_in = static_cast<uInt>(compressed.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(originalSize);

  int ret = Z_OK;
  while (ret == Z_OK && s.avail_out > 0) ret = inflate(&s, Z_NO_FLUSH);
  if (ret == Z_OK || (ret == Z_BUF_ERROR && s.avail_out == 0)) {
    // The output is full. One more byte of room tells a stream that ends
    // here (Z_STREAM_END, checksum verified) from one that holds more.
    std::uint8_t extra;
    s.next_out = &extra;
    s.avail_out = 1;
    do ret = inflate(&s, Z_NO_FLUSH);
    while (ret == Z_OK && s.avail_out == 1);
    if (s.avail_out == 0) return fail(TImageError::DataBeyondSize, "more than the declared " + std::to_string(originalSize) + " bytes");
  }
  if (ret == Z_STREAM_END) {
    if (s.total_out < originalSize)
      return fail(TImageError::DamagedData,
                  "it inflates to " + std::to_string(s.total_out) + " of the declared " + std::to_string(originalSize) + " bytes");
    return TOutcome::Success();
  }
  if (ret == Z_MEM_ERROR) return fail(TImageError::NoMemory, "");
  if (ret == Z_BUF_ERROR) return fail(TImageError::DamagedData, "the compressed data ends early");
  return fail(TImageError::DamagedData, s.msg != nullptr ? s.msg : "");
}

TOutcome DeflateEntry(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
  out.clear();
  if (data.size() > kMaxLodEntryBytes) return TOutcome::Failure(TImageError::OverLimit);
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  if (!Allocate(out, size)) return TOutcome::Failure(TImageError::NoMemory);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
    out.clear();
    return TOutcome::Failure(TImageError::NoMemory);
  }
  out.resize(size);
  return TOutcome::Success();
}

// ---- writing ---------------------------------------------------------------

TLodBuilder::TLodBuilder(std::uint32_t version) : Version_(version) {}

TOutcome TLodBuilder::StartFrom(const TLodArchive& archive, std::string* detail) {
  if (!archive.Notices().empty()) {
    if (detail != nullptr) *detail = archive.Notices().front().Detail;
    return TOutcome::Failure(TImageError::DamagedArchive);
  }
  for (const TLodEntry& e : archive.Entries()) {
    if (!e.Readable()) {
      if (detail != nullptr) *detail = PrintableName(e.Name) + ": " + e.Problem.Text();
      return TOutcome::Failure(TImageError::DamagedArchive);
    }
  }
  Version_ = archive.Version();
  Archive_ = &archive;
  Entries_.clear();
  Entries_.reserve(archive.Entries().size());
  for (const TLodEntry& e : archive.Entries()) {
    TPending p;
    p.Name = e.Name;
    p.Type = e.Type;
    p.OriginalSize = e.OriginalSize;
    p.CompressedSize = e.CompressedSize;
    p.Source = &e;
    Entries_.push_back(std::move(p));
  }
  return TOutcome::Success();
}

bool TLodBuilder::Contains(std::string_view name) const {
  return std::any_of(Entries_.begin(), Entries_.end(), [&](const TPending& p) { return SameLodName(p.Name, name); });
}

TOutcome TLodBuilder::Put(const std::string& name, std::span<const std::uint8_t> data) {
  if (TOutcome ok = CheckLodName(name); !ok) return ok;
  if (data.size() > kMaxLodEntryBytes) return TOutcome::Failure(TImageError::OverLimit);
  auto same = std::find_if(Entries_.begin(), Entries_.end(), [&](const TPending& p) { return SameLodName(p.Name, name); });
  if (same == Entries_.end() && Entries_.size() >= kLodReservedEntries)
    return TOutcome::Failure(TImageError::TooManyEntries);
  TPending p;
  p.Name = name;
  if (TOutcome deflated = DeflateEntry(data, p.Data); !deflated) return deflated;
  p.OriginalSize = static_cast<std::uint32_t>(data.size());
  p.CompressedSize = static_cast<std::uint32_t>(p.Data.size());
  if (same != Entries_.end()) {
    p.Type = same->Type;
    *same = std::move(p);
  } else {
    Entries_.push_back(std::move(p));
  }
  return TOutcome::Success();
}

bool TLodBuilder::Remove(std::string_view name) {
  const auto before = Entries_.size();
  std::erase_if(Entries_, [&](const TPending& p) { return SameLodName(p.Name, name); });
  return Entries_.size() != before;
}

TOutcome TLodBuilder::Save(const std::string& path) const {
  KELVANE_ASSERT(Entries_.size() <= kLodReservedEntries);
  std::vector<std::size_t> order(Entries_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return CompareLodNames(Entries_[a].Name, Entries_[b].Name) < 0; });

  // The header and the whole reserved table, zeroed, so unused slots and the
  // bytes after each name's NUL are zeros, never stale memory.
  std::vector<std::uint8_t> head;
  if (!Allocate(head, kReservedTableEnd)) return TOutcome::Failure(TImageError::NoMemory);
  std::memcpy(head.data(), kSignature, 4);
  StoreU32(head.data() + 4, Version_);
  StoreU32(head.data() + 8, static_cast<std::uint32_t>(Entries_.size()));
  std::uint64_t offset = kReservedTableEnd;
  for (std::size_t slot = 0; slot < order.size(); ++slot) {
    const TPending& p = Entries_[order[slot]];
    const std::uint32_t stored = p.CompressedSize != 0 ? p.CompressedSize : p.OriginalSize;
    if (offset + stored > std::numeric_limits<std::uint32_t>::max()) return TOutcome::Failure(TImageError::OverLimit);
    std::uint8_t* row = head.data() + kLodHeaderBytes + slot * kLodEntryBytes;
    std::memcpy(row, p.Name.data(), p.Name.size());  // at most 15 bytes; a NUL follows
    StoreU32(row + 16, static_cast<std::uint32_t>(offset));
    StoreU32(row + 20, p.OriginalSize);
    StoreU32(row + 24, p.Type);
    StoreU32(row + 28, p.CompressedSize);
    offset += stored;
  }

  TOutcome readFailure;
  TOutcome saved = SaveFileReplacing(path, [&](TByteStream& stream) {
    // Entries are gathered into blocks of about 1 MiB: the file stream cuts
    // the file after every write, which would cost a call per small entry.
    std::vector<std::uint8_t> block = std::move(head);
    std::vector<std::uint8_t> carried;
    auto flush = [&] {
      const bool ok = stream.Write(block.data(), static_cast<std::int64_t>(block.size())) ==
                      static_cast<std::int64_t>(block.size());
      block.clear();
      return ok;
    };
    for (const std::size_t index : order) {
      const TPending& p = Entries_[index];
      std::span<const std::uint8_t> bytes = p.Data;
      if (p.Source != nullptr) {
        if (readFailure = Archive_->ReadStored(*p.Source, carried); !readFailure) return false;
        bytes = carried;
      }
      block.insert(block.end(), bytes.begin(), bytes.end());
      if (block.size() >= (1u << 20) && !flush()) return false;
    }
    return block.empty() || flush();
  });
  if (!readFailure.Ok()) return readFailure;
  return saved;
}

}  // namespace kelvane
