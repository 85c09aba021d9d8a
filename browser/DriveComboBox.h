// TDriveComboBox: the drop-down of drives at the top of the file browser.
//
// Lists every drive of the drive map once, at creation, as "C - [Жесткий
// диск]": the letter, " - [", a type text, "]". The entry of the current
// directory's drive is shown at first while Drive is still the zero
// character; Drive gets a letter at the first SetDrive that finds its entry.
//
// Events: SetDrive raises OnChange from its second call on, whether or not
// the letter was found; a user's choice raises it twice, both after Drive
// holds the new letter (the owner may rely on either).
#pragma once

#include <string>

#include "browser/BrowserSupport.h"
#include "platform/DriveMap.h"
#include "ui/BaseObject.h"
#include "ui/WindowObject.h"

namespace kelvane {

class TDriveComboBox final : public TBaseObject {
 public:
  ~TDriveComboBox() override;

  // Passes the alignment to the combo box; returns the component.
  TDriveComboBox* SetAlignment(TAlign align);
  // Sets the width and then the height to exactly these values (0 included);
  // returns the component.
  TDriveComboBox* Resize(int width, int height);

  // Rebuilds the entries from the drive map and makes the entry of the
  // current directory's drive current. Drive is not changed.
  void FillDrives();
  // Makes the entry of `letter` (either case) current without a
  // notification and stores `letter` as given in Drive; a letter without an
  // entry changes nothing. Either way the call is counted and, from the
  // second call on, raises OnChange.
  void SetDrive(char letter);

  // The letter last accepted by SetDrive, or '\0'.
  char Drive() const { return Drive_; }
  // SetDrive calls counted, held at 2.
  int ChangeCount() const { return ChangeCount_; }
  // The combo box control, or nullptr once it has been destroyed.
  TWindowObject* ComboBox() const { return ComboBox_.Get(); }

  TComponentEvent<TDriveComboBox> OnChange;

 private:
  friend TDriveComboBox* CreateDriveComboBox(TWindowObject* owner);
  explicit TDriveComboBox(TWindowObject* comboBox);
  void UserChoice();
  int FindDrive(char letter) const;

  int ChangeCount_ = 0;
  browser_detail::TControlLink ComboBox_;
  char Drive_ = '\0';
};

// Creates the drop-down as a child of `owner` and the component that owns
// it, and fills it with the drives; the owner releases the component with
// itself. The drop-down is announced to screen readers as
// kDriveComboAccessibleName.
TDriveComboBox* CreateDriveComboBox(TWindowObject* owner);
inline constexpr const char* kDriveComboAccessibleName = "Диск";

// The text a drive caption gives a drive type. Remote drives share the text
// of removable ones, and types outside the table read as unknown.
const char* DriveTypeText(TDriveType type);

}  // namespace kelvane
