// Fuzz target: the LOD archive reader. Each input is an archive in memory;
// every entry is read out (inflated) and every sprite entry loaded, as an
// extraction or the window would. Checks what the reader promises: a
// readable entry has a plain, unique name and data inside the file that
// overlaps no other readable entry's, and reads back at exactly its
// declared size; a failed read hands out nothing.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "formats/LodArchive.h"
#include "formats/PcxSprite.h"
#include "fuzz/FuzzCheck.h"
#include "image/ByteSource.h"

namespace {

// Entries claiming more than this are not inflated here: the reader caps
// claims at 256 MiB, and filling that much on every run would only slow the
// fuzzer down without reaching new code.
constexpr std::uint32_t kMaxFuzzedEntryBytes = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  TLodArchive archive;
  if (!archive.OpenBytes({data, size})) {
    fuzz::Check(archive.Entries().empty(), "a refused archive has no entries");
    return 0;
  }
  fuzz::Check(size >= kLodHeaderBytes, "an archive shorter than its header is refused");
  fuzz::Check(archive.Entries().size() <= kLodReservedEntries, "at most 10,000 entries are read");

  std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
  std::vector<std::string> names;
  for (const TLodEntry& e : archive.Entries()) {
    if (!e.Readable()) continue;
    fuzz::Check(CheckLodName(e.Name).Ok(), "a readable entry has a plain name");
    fuzz::Check(std::uint64_t{e.Offset} + e.StoredSize() <= size, "a readable entry's data lies inside the file");
    if (e.StoredSize() > 0) ranges.emplace_back(e.Offset, std::uint64_t{e.Offset} + e.StoredSize());
    std::string folded = e.Name;
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    names.push_back(folded);
    fuzz::Check(archive.Find(e.Name) == &e, "a readable entry is found by its name");
  }
  std::sort(ranges.begin(), ranges.end());
  for (std::size_t k = 1; k < ranges.size(); ++k)
    fuzz::Check(ranges[k].first >= ranges[k - 1].second, "readable entries do not overlap");
  std::sort(names.begin(), names.end());
  fuzz::Check(std::adjacent_find(names.begin(), names.end()) == names.end(), "readable names are unique");

  std::vector<std::uint8_t> bytes;
  for (const TLodEntry& e : archive.Entries()) {
    if (e.OriginalSize > kMaxFuzzedEntryBytes) continue;
    const TOutcome read = archive.Read(e, bytes);
    if (!read) {
      fuzz::Check(bytes.empty(), "a failed read hands out nothing");
      continue;
    }
    fuzz::Check(e.Readable() && bytes.size() == e.OriginalSize, "an entry reads at exactly its declared size");
    const std::size_t dot = e.Name.rfind('.');
    if (dot != std::string::npos && (e.Name.substr(dot) == ".pcx" || e.Name.substr(dot) == ".PCX")) {
      TMemorySource source(bytes);
      TDibBitmap image;
      LoadSprite(image, source);
      fuzz::ExerciseLoadedImage(image);
    }
  }
  return 0;
}
