// TFileDialog: the open and save file dialogs (Qt's own dialog, in Russian).
//
// Filter is a list of caption and mask pairs joined by "|":
// "Bitmaps (*.bmp)|*.bmp|All files (*.*)|*.*"; a mask may hold several
// patterns separated by ";". FilePath is the proposed name going in and the
// chosen path coming out; a cancelled dialog empties it. Paths are native
// (Linux) paths. A save dialog always lets the user type a new name, asks
// before replacing an existing file (FdoOverwritePrompt, on by default) and
// appends DefaultExtension to a name typed without one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/Types.h"

namespace kelvane {

enum TFileDialogOption {
  FdoCreatePrompt = 0,
  FdoExtensionDifferent = 1,
  FdoFileMustExist = 2,      // open dialogs only: a save dialog can always name a new file
  FdoHideReadOnly = 3,
  FdoNoChangeDir = 4,
  FdoNoDereferenceLinks = 5,
  FdoAllowMultiSelect = 6,   // FilePath becomes: directory, CR, name, CR, name ...
  FdoNoNetworkButton = 7,
  FdoNoReadOnlyReturn = 8,
  FdoOverwritePrompt = 9,    // save dialogs ask before replacing a file
  FdoPathMustExist = 10,
  FdoReadOnly = 11,
  FdoNoValidate = 12,
};
using TFileDialogOptions = TSet<TFileDialogOption>;

// What an empty option set stands for.
inline constexpr TFileDialogOptions DefaultFileDialogOptions =
    TFileDialogOptions{FdoFileMustExist, FdoHideReadOnly, FdoOverwritePrompt, FdoPathMustExist};

// The longest FilePath handed to the dialog; longer proposals are cut.
inline constexpr std::size_t MaxProposedPathLength = 261;

class TFileDialog final {
 public:
  std::string Filter;
  int FilterIndex = 1;       // 1-based; updated with the user's choice
  bool OpenMode = true;      // false: a Save As dialog
  // Choose a folder, not a file: FilePath proposes the folder the dialog
  // opens in and gets the chosen folder. OpenMode, Filter and
  // DefaultExtension do not apply.
  bool FolderMode = false;
  std::string StartDirectory;
  std::string DefaultExtension;  // without the dot
  std::string FilePath;
  std::string Title;         // empty: Qt's own title
  TFileDialogOptions Options = DefaultFileDialogOptions;
};

// An open dialog with the given title, start directory and options (the empty
// set means DefaultFileDialogOptions). It belongs to the caller; a form takes
// it with AddToAutoFree.
std::unique_ptr<TFileDialog> CreateFileDialog(const std::string& title, const std::string& startDirectory,
                                              TFileDialogOptions options);
// Shows the dialog modally (over the active form). True when the user
// confirmed a name: FilePath holds it and FilterIndex the chosen filter. False
// when the user cancelled: FilePath is empty and FilterIndex unchanged.
bool RunDialog(TFileDialog& dialog);

// "Caption|mask|Caption|mask" as Qt name filters ("Caption (mask)").
// Exposed for tests.
std::vector<std::string> QtNameFilters(const std::string& filter);

}  // namespace kelvane
