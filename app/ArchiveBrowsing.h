// The game's archives in the file browser, opened like folders.
//
// The folder list offers ".lod" and ".pac" files after the folders (its
// container test is the workflow's IsArchiveName). When it shows one, Follow
// opens the archive and has the file list show the entries that match the
// list's mask, as ListArchiveEntries gives them (lower-cased names, table
// order, unreadable entries left out); the filter drop-down's SetMask asks
// again. An entry selected there loads exactly as a file of its name would
// (LoadArchiveEntry). The archive stays open while the file list shows it,
// and is closed as soon as the folder list goes anywhere else.
#pragma once

#include <memory>
#include <string>

#include "formats/LodArchive.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

class TDirectoryListBox;
class TFileListBox;

class TArchiveBrowsing {
 public:
  // Makes `folders` list archives and open them like folders.
  static void OfferArchives(TDirectoryListBox& folders);

  // What Follow did.
  enum class TFollowed {
    Folder,         // the folder list shows a folder: the caller lists it
    Archive,        // the file list shows the archive's entries
    ArchiveFailed,  // an archive that cannot be opened: the file list is empty
  };
  // Follows the folder list after it moved. `why` gets the reason when an
  // archive could not be opened.
  TFollowed Follow(const TDirectoryListBox& folders, TFileListBox& files, TOutcome& why);

  bool IsOpen() const { return Archive_ != nullptr; }
  // The open archive; only while IsOpen.
  const TLodArchive& Archive() const { return *Archive_; }
  // Where the open archive is: Windows form without a final "\".
  const std::string& ShownPath() const { return ShownPath_; }
  // The file name of the open archive as the folder list shows it.
  std::string ShownName() const;

  // Loads the entry selected in `files` into `image` as a file of its name
  // would be loaded; nothing happens (NotAnImage) without a selection.
  TLoadResult LoadSelected(TDibBitmap& image, const TFileListBox& files) const;

 private:
  void Close();

  std::shared_ptr<TLodArchive> Archive_;
  std::string ShownPath_;
};

}  // namespace kelvane
