#include "app/ArchiveBrowsing.h"

#include "browser/DirectoryListBox.h"
#include "browser/FileListBox.h"
#include "platform/DriveMap.h"
#include "workflow/ArchiveEntries.h"

namespace kelvane {

void TArchiveBrowsing::OfferArchives(TDirectoryListBox& folders) {
  folders.IsContainer = [](std::string_view name) { return IsArchiveName(name); };
}

TArchiveBrowsing::TFollowed TArchiveBrowsing::Follow(const TDirectoryListBox& folders, TFileListBox& files,
                                                     TOutcome& why) {
  Close();
  why = TOutcome{};
  if (!folders.InContainer()) return TFollowed::Folder;

  std::string shown = folders.Path();
  while (!shown.empty() && shown.back() == '\\') shown.pop_back();
  const std::optional<std::string> native = CurrentDriveMap().ToNative(shown);
  auto archive = std::make_shared<TLodArchive>();
  why = native ? archive->Open(*native) : TOutcome::Failure(TImageError::CannotOpen);
  if (!why) {
    // The list empties: nothing of the last folder may stay in it.
    files.SetPath(std::string());
    return TFollowed::ArchiveFailed;
  }
  Archive_ = std::move(archive);
  ShownPath_ = shown;
  // The file list may keep the lister after the archive was closed (until
  // its owner lists a folder): it then lists nothing.
  std::weak_ptr<const TLodArchive> held = Archive_;
  files.ShowListing(folders.Path(), [held](const std::string& mask) {
    std::vector<TListedFile> lines;
    const std::shared_ptr<const TLodArchive> open = held.lock();
    if (!open) return lines;
    for (TArchiveListing& entry : ListArchiveEntries(*open, mask))
      lines.push_back({std::move(entry.DisplayName), std::move(entry.Name)});
    return lines;
  });
  return TFollowed::Archive;
}

std::string TArchiveBrowsing::ShownName() const {
  const std::size_t slash = ShownPath_.rfind('\\');
  return slash == std::string::npos ? ShownPath_ : ShownPath_.substr(slash + 1);
}

TLoadResult TArchiveBrowsing::LoadSelected(TDibBitmap& image, const TFileListBox& files) const {
  const std::string entry = files.NativeFileName();
  if (!IsOpen() || entry.empty()) return TLoadResult{};
  return LoadArchiveEntry(image, *Archive_, entry);
}

void TArchiveBrowsing::Close() {
  Archive_.reset();
  ShownPath_.clear();
}

}  // namespace kelvane
