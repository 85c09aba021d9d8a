#include "app/StartPlaceOpening.h"

#include <filesystem>
#include <system_error>

#include "app/MainForm.h"
#include "browser/DirectoryListBox.h"
#include "browser/DriveComboBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "platform/DriveMap.h"
#include "workflow/StartOptions.h"

namespace kelvane {

namespace {

// Chooses the filter line whose mask is `mask`, as a user's choice would:
// the file list follows the mask.
void ChooseFilter(TMainForm& form, const std::string& mask) {
  for (int i = 0; i < form.FilterCombo->ItemCount(); ++i) {
    if (form.FilterCombo->Items(i)->Mask != mask) continue;
    form.FilterCombo->SetMask(mask);
    form.FilterCombo->SetFilterIndex(i);
    return;
  }
}

}  // namespace

void OpenStartPath(TMainForm& form, const std::string& nativePath) {
  std::error_code ec;
  const std::filesystem::path current = std::filesystem::current_path(ec);
  const TStartPlace place = ResolveStartPath(nativePath, ec ? std::string("/") : current.string());
  if (place.Kind == TStartPlace::TKind::CurrentFolder || place.Kind == TStartPlace::TKind::Missing) return;

  // The browser shows Windows-form paths; a folder outside every drive of
  // the map cannot be shown.
  const std::optional<std::string> folder = CurrentDriveMap().ToSystem(place.Folder);
  if (!folder || folder->empty()) return;
  // The filter first, so that the folder is listed once with it.
  if (!place.Mask.empty()) ChooseFilter(form, place.Mask);
  form.DriveCombo->SetDrive((*folder)[0]);
  // Moving the folder list lists the folder (or opens the archive) through
  // the window's own DirChange.
  form.DirList->SetPath(*folder);
  if (place.Kind != TStartPlace::TKind::ArchiveEntry && place.Kind != TStartPlace::TKind::Archive)
    form.LastDir = *folder;
  else if (const std::optional<std::string> around =
               CurrentDriveMap().ToSystem(std::filesystem::path(place.Folder).parent_path().string()))
    form.LastDir = *around;

  if (place.Name.empty()) return;
  if (form.FileList->SelectNativeName(place.Name)) form.FileSelected();
}

}  // namespace kelvane
