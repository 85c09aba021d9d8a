// TFileListBox: the list of the files of one directory that match one mask.
//
// The owner points it at a directory with SetPath and at a mask ("*.pcx")
// with SetMask; it lists the regular files there whose names match the mask
// without regard to case, hidden ones included, never directories, FIFOs or
// devices. Lines show the names converted by NameCase; the name as the file
// system gave it is kept next to each line, because on Linux a lower-cased
// "map.pcx" may really be "Map.PCX": open the selected file through
// SelectedNativePath, not by joining Path and FileName.
//
// Only the user's selection changes raise OnChange; listing and SetPath raise
// nothing. Nothing here fails: a path that is not an existing directory lists
// nothing and leaves Path empty.
//
// A container the file system cannot list (an archive the owner opened)
// is shown with ShowListing: the owner's lister gives the lines for each
// mask, in the order they are to be shown, and SetMask and Refresh ask it
// again; SetPath goes back to directories. Such lines have no native path:
// the owner opens them by NativeFileName.
//
//   TFileListBox* files = CreateFileListBox(panel);
//   files->SetAlignment(AlignClient);
//   files->OnChange = [](TFileListBox* sender) { open(sender->SelectedNativePath()); };
//   files->NameCase = NameCaseLower;
//   files->SetIntegralHeight(true);
//   files->SetMask("*.pcx");
//   files->SetPath("C:\\home\\ann\\maps");
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/BrowserSupport.h"
#include "ui/BaseObject.h"
#include "ui/WindowObject.h"

namespace kelvane {

enum TNameCase : int {
  NameCaseAsIs = 0,   // names as enumerated
  NameCaseLower = 1,  // ASCII capitals A-Z made small; other letters kept
  NameCaseUpper = 2,  // ASCII small a-z made capitals; other letters kept
};

// One line of an owner's listing: the name shown (NameCase still applies)
// and the name the owner opens it by.
struct TListedFile {
  std::string Shown;
  std::string Native;
};
// The lines of an owner's listing that match a mask.
using TFileLister = std::function<std::vector<TListedFile>(const std::string& mask)>;

class TFileListBox final : public TBaseObject {
 public:
  ~TFileListBox() override;

  // Passes the alignment to the list box; returns the component.
  TFileListBox* SetAlignment(TAlign align);
  // Stores the mask and lists Path again.
  void SetMask(const std::string& mask);
  // Lists the files of `path` (Windows form) that match Mask. Path keeps the
  // text exactly as given, with or without a final backslash. No line is
  // selected afterwards. Taken by value, as refreshing passes Path() back in.
  void SetPath(std::string path);
  // Lists what `lister` gives for Mask, as the contents of `path` (Windows
  // form, kept as given): a container that is not a directory. No line is
  // selected afterwards.
  void ShowListing(std::string path, TFileLister lister);
  // The lines come from an owner's listing, not from a directory.
  bool ShowsListing() const { return static_cast<bool>(Lister_); }
  // Lists Path again, from its directory or from the owner's listing.
  void Refresh();
  // Stores the flag; when true, snaps the height at once to whole rows of 14
  // pixels plus 6. Only this call snaps.
  void SetIntegralHeight(bool flag);

  // Selects the line of the file the file system (or the owner's listing)
  // calls `nativeName`: that exact name if listed, else one that differs
  // only in ASCII case, as archives match their entries. Raises nothing,
  // like every change the program makes. False when no line matches; the
  // selection is then cleared.
  bool SelectNativeName(const std::string& nativeName);

  // The displayed text of the selected line; empty when none is selected.
  std::string FileName() const;
  // The selected file's name as the file system gave it; empty when none.
  std::string NativeFileName() const;
  // The native path of the selected file, for opening it; nullopt when no
  // line is selected, Path is on no drive or the lines come from an
  // owner's listing.
  std::optional<std::string> SelectedNativePath() const;

  const std::string& Path() const { return Path_; }
  const std::string& Mask() const { return Mask_; }
  bool IntegralHeight() const { return IntegralHeight_; }
  // The list box control, or nullptr once it has been destroyed.
  TWindowObject* ListBox() const { return ListBox_.Get(); }

  // Raised when the user changes the selected line.
  TComponentEvent<TFileListBox> OnChange;
  // Case conversion of the listed names; applies from the next listing.
  TNameCase NameCase = NameCaseAsIs;

 private:
  friend TFileListBox* CreateFileListBox(TWindowObject* owner);
  explicit TFileListBox(TWindowObject* listBox);
  void SelectionChanged();
  // Replaces the lines: `files` in their order, names converted by NameCase.
  void ShowLines(const std::vector<TListedFile>& files);

  std::string Mask_;
  bool IntegralHeight_ = false;
  browser_detail::TControlLink ListBox_;
  std::string Path_;
  // The enumerated name of each line, in line order.
  std::vector<std::string> NativeNames_;
  TFileLister Lister_;
};

// Creates the list box as a child of `owner` and the component that owns it;
// the owner releases the component with itself. Nothing is listed yet. The
// list is announced to screen readers as kFileListAccessibleName.
TFileListBox* CreateFileListBox(TWindowObject* owner);
inline constexpr const char* kFileListAccessibleName = "Файлы";

// Applies a NameCase conversion to one name: only the ASCII letters change,
// so UTF-8 sequences (Cyrillic and the like) pass through untouched.
std::string ApplyNameCase(std::string name, TNameCase nameCase);

}  // namespace kelvane
