// Archives as the front ends see them: which entries a filter mask shows,
// loading an entry exactly as a file of its name would be loaded, and paths
// that name an entry inside an archive ("Data/H3bitmap.lod/AdvMap.pcx").
// No Qt here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/LodArchive.h"
#include "image/DibBitmap.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

// Whether `name` matches `mask`, one wildcard or several joined by ";"
// ("*.pcx;*.bmp"). "*" is any run of characters, "?" exactly one, anything
// else itself without regard to (ASCII) case; as in the file list, a final
// "." followed only by "*"s also matches a name that has ended, so "*.*"
// matches every name. An empty mask matches nothing.
bool MatchesEntryMask(std::string_view name, std::string_view mask);

// One line of an archive opened like a folder.
struct TArchiveListing {
  std::string DisplayName;  // lower-cased as the file list shows file names
  std::string Name;         // the entry's name as stored, to load it by
  std::uint32_t TableIndex = 0;
};

// The readable entries of `archive` that match `mask`, in table order.
// Entries refused when the table was read (unsafe or duplicate names, data
// outside the file) are left out, as the file list leaves out names it
// cannot show.
std::vector<TArchiveListing> ListArchiveEntries(const TLodArchive& archive, std::string_view mask);

// Loads the entry `name` of `archive` into `image` exactly as LoadImageFile
// loads a file of that name: the same result, panels, texts and message. An
// entry that cannot be read out (missing, damaged) ends as a file that
// cannot be opened does; its kind is NotAnImage without reading anything.
TLoadResult LoadArchiveEntry(TDibBitmap& image, const TLodArchive& archive, std::string_view name);

// A path whose leading part is an existing .lod or .pac file (any case)
// names an entry inside it: "maps/H3bitmap.lod/AdvMap.pcx" gives the archive
// "maps/H3bitmap.lod" and the entry "AdvMap.pcx". A path that exists as it
// is, or has no such leading part, is no archive path.
struct TArchivePath {
  std::string Archive;
  std::string Entry;
};
std::optional<TArchivePath> SplitArchivePath(const std::string& path);
// Whether `name` has the extension of an archive: ".lod" or ".pac".
bool IsArchiveName(std::string_view name);

// Loads a file, or an archive entry when `path` names one, by the kind the
// name gives.
TLoadResult LoadImagePath(TDibBitmap& image, const std::string& path);

}  // namespace kelvane
