#include "workflow/ArchiveEntries.h"

#include <sys/stat.h>

namespace kelvane {

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The classic DOS tail: "." then only "*"s matches a name that has ended.
bool IsDotStarTail(std::string_view mask, std::size_t m) {
  if (m >= mask.size() || mask[m] != '.') return false;
  for (std::size_t i = m + 1; i < mask.size(); ++i)
    if (mask[i] != '*') return false;
  return true;
}

bool MatchesOneMask(std::string_view name, std::string_view mask) {
  if (mask.empty()) return false;
  // Greedy with one backtrack point, the last "*": linear in practice,
  // never worse than name x mask.
  std::size_t n = 0, m = 0;
  std::size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size() || IsDotStarTail(mask, m);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool MatchesEntryMask(std::string_view name, std::string_view mask) {
  while (true) {
    const std::size_t semicolon = mask.find(';');
    if (MatchesOneMask(name, mask.substr(0, semicolon))) return true;
    if (semicolon == std::string_view::npos) return false;
    mask.remove_prefix(semicolon + 1);
  }
}

std::vector<TArchiveListing> ListArchiveEntries(const TLodArchive& archive, std::string_view mask) {
  std::vector<TArchiveListing> listing;
  for (const TLodEntry& e : archive.Entries()) {
    if (!e.Readable() || !MatchesEntryMask(e.Name, mask)) continue;
    TArchiveListing line;
    line.Name = e.Name;
    line.DisplayName = e.Name;
    for (char& c : line.DisplayName) c = Fold(c);
    line.TableIndex = e.TableIndex;
    listing.push_back(std::move(line));
  }
  return listing;
}

TLoadResult LoadArchiveEntry(TDibBitmap& image, const TLodArchive& archive, std::string_view name) {
  const TFileKind kind = FileKind(std::string(name));
  if (kind == fkOther) return TLoadResult{};
  const TLodEntry* entry = archive.Find(name);
  if (entry == nullptr) return LoadUnopenable(image, kind, TOutcome::Failure(TImageError::NoSuchEntry));
  std::vector<std::uint8_t> bytes;
  if (TOutcome read = archive.Read(*entry, bytes); !read) return LoadUnopenable(image, kind, read);
  return LoadImageBytes(image, bytes, kind);
}

bool IsArchiveName(std::string_view name) {
  if (name.size() < 4) return false;
  std::string ext(name.substr(name.size() - 4));
  for (char& c : ext) c = Fold(c);
  return ext == ".lod" || ext == ".pac";
}

std::optional<TArchivePath> SplitArchivePath(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return std::nullopt;
  for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string leading = path.substr(0, slash);
    if (IsArchiveName(leading) && IsRegularFile(leading)) return TArchivePath{leading, path.substr(slash + 1)};
  }
  return std::nullopt;
}

TLoadResult LoadImagePath(TDibBitmap& image, const std::string& path) {
  const std::optional<TArchivePath> inside = SplitArchivePath(path);
  if (!inside) return LoadImageFile(image, path, FileKind(path));
  const TFileKind kind = FileKind(inside->Entry);
  if (kind == fkOther) return TLoadResult{};
  TLodArchive archive;
  if (TOutcome opened = archive.Open(inside->Archive); !opened) return LoadUnopenable(image, kind, opened);
  return LoadArchiveEntry(image, archive, inside->Entry);
}

}  // namespace kelvane
