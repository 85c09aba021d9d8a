// TDirectoryListBox: where the user is and where the user can go.
//
// A one-column list view. Its first rows are the chain of the current path
// (the drive, then each directory down to the current one: "C:", "home",
// "ann"); the rows after them are the subdirectories of the current
// directory, hidden ones included, sorted by name in the user's collation
// without regard to case. A double-click on a row moves there: a chain row
// goes up to that directory (the last one shows the same directory again), a
// subdirectory row goes down into it.
//
// Icons come from the program's "ICONS" resource: the drive row shows its
// drive type (hard disk, floppy, CD, network), the other chain rows an open
// folder, the subdirectories a closed one.
//
// Containers: files that the owner's IsContainer test accepts (the window
// passes the test for the game's archives) are rows after the
// subdirectories, sorted the same way, with the "ARCHIVE" icon. A
// double-click opens one like a folder: it becomes the last row of the
// chain, with that icon, and has no rows under it; Path names it (with a
// final "\") and InContainer is true. What a container holds is for the
// owner to show. Going up the chain leaves it. Without the test (the
// default) no file is ever a row.
//
// Events: SetPath raises OnChange from its second call on, also for a path
// that is not a directory; a double-click raises OnChange (through SetPath)
// and then OnDblClick.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "browser/BrowserSupport.h"
#include "image/DibBitmap.h"
#include "platform/FileSystem.h"
#include "ui/BaseObject.h"
#include "ui/ListView.h"

namespace kelvane {

class TDirectoryListBox;
using TDirectoryDblClickEvent = std::function<void(TDirectoryListBox* sender, TMouseRecord& mouse)>;

// Image indexes: the six of the "ICONS" strip, then the archive icon.
enum TDirectoryIcon : int {
  IconClosedFolder = 0,
  IconOpenFolder = 1,
  IconHardDisk = 2,
  IconFloppy = 3,
  IconCompactDisc = 4,
  IconNetworkDrive = 5,
  IconArchive = 6,  // from the "ARCHIVE" resource: a container
};

class TDirectoryListBox final : public TBaseObject {
 public:
  ~TDirectoryListBox() override;

  // Passes the alignment to the list view; returns the component.
  TDirectoryListBox* SetAlignment(TAlign align);
  // Sets the width and then the height to exactly these values (0 included);
  // returns the component.
  TDirectoryListBox* Resize(int width, int height);

  // Shows the directory `path` (Windows form; "C:" alone is the drive's
  // root), or the container it names. Path becomes `path` with a final
  // backslash, or empty when `path` is neither an existing directory nor a
  // container (the list is then empty). The first call
  // also makes the column and, when IntegralHeight is set, snaps the height
  // to whole 16-pixel rows. No row is selected afterwards. Taken by value,
  // as a caller may pass Path() back in.
  void SetPath(std::string path);

  // The current directory (or opened container), always ending in "\";
  // empty after a path that is neither.
  const std::string& Path() const { return Path_; }
  // Path names a container opened like a folder, not a directory.
  bool InContainer() const { return InContainer_; }
  // SetPath calls counted, held at 2.
  int ChangeCount() const { return ChangeCount_; }
  // Number of path-chain rows shown.
  int LevelCount() const { return LevelCount_; }
  // The list view control, or nullptr once it has been destroyed.
  TListViewObject* ListView() const;
  // The image list of the seven icons (owned by the owner window object).
  TImageListObject* Images() const { return Images_; }

  // Indent rows by depth; with false, chain rows have indent 0 and
  // subdirectory rows indent 1.
  bool Indented = false;
  // Snap the height at the first SetPath.
  bool IntegralHeight = true;
  // Which files are containers, by their displayed name; empty: none.
  std::function<bool(std::string_view name)> IsContainer;
  TComponentEvent<TDirectoryListBox> OnChange;
  TDirectoryDblClickEvent OnDblClick;

 private:
  friend TDirectoryListBox* CreateDirectoryListBox(TWindowObject*, TImageListObject*, TImageListObject*,
                                                   TImageListObject*);
  explicit TDirectoryListBox(TListViewObject* listView);
  void DoubleClicked(TMouseRecord& mouse);
  int AddRow(const std::string& text, int image);
  // `path` (Windows form) names a regular file that IsContainer accepts.
  bool IsContainerPath(std::string_view path) const;

  int LevelCount_ = 0;
  TImageListObject* Images_ = nullptr;
  std::unique_ptr<TDibBitmap> IconBitmap_;
  int ChangeCount_ = 0;
  bool Initialised_ = false;
  // The subdirectories and then the containers found by the last scan, in
  // the order shown.
  std::vector<TDirEntry> ScanBuffer_;
  int SubdirectoryCount_ = 0;
  bool InContainer_ = false;
  browser_detail::TControlLink ListView_;
  std::string Path_;
  // The text of every row as bytes: the chain parts as written in Path and
  // the subdirectories by their enumerated names. Paths are built from
  // these, so a name that is not valid UTF-8 (shown with a replacement
  // character) can still be entered.
  std::vector<std::string> RowNames_;
};

// Creates the list view as a child of `owner` (the image lists, when given,
// are passed on to it) and the component that owns it, and loads the icons;
// the owner releases the component with itself. Nothing is listed yet. The
// list is announced to screen readers as kDirectoryListAccessibleName.
TDirectoryListBox* CreateDirectoryListBox(TWindowObject* owner, TImageListObject* stateImages = nullptr,
                                          TImageListObject* smallImages = nullptr,
                                          TImageListObject* normalImages = nullptr);
inline constexpr const char* kDirectoryListAccessibleName = "Папки";

// The drive-row icon for a drive type.
TDirectoryIcon DriveIcon(TDriveType type);

}  // namespace kelvane
