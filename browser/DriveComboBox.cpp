#include "browser/DriveComboBox.h"

#include "platform/FileSystem.h"
#include "ui/FontObject.h"

namespace kelvane {

const char* DriveTypeText(TDriveType type) {
  switch (type) {
    case DriveRemovable:
    case DriveRemote: return "Сменный накопитель";
    case DriveFixed: return "Жесткий диск";
    case DriveCdrom: return "CD";
    case DriveUnknown:
    case DriveNoRootDir:
    default: return "Тип неизвестен";
  }
}

TDriveComboBox::TDriveComboBox(TWindowObject* comboBox) { ComboBox_.Attach(comboBox); }

TDriveComboBox::~TDriveComboBox() { BeginDestroy(); }

TDriveComboBox* CreateDriveComboBox(TWindowObject* owner) {
  TWindowObject* combo = CreateComboBox(owner, TComboBoxOptions{CboDropDownList});
  TDriveComboBox* component = owner->AddToAutoFree(std::unique_ptr<TDriveComboBox>(new TDriveComboBox(combo)));
  combo->Font().SetHeight(-11);
  combo->SetAccessibleName(kDriveComboAccessibleName);
  combo->OnChange = [component](TWindowObject*) { component->UserChoice(); };
  component->FillDrives();
  component->ChangeCount_ = 0;
  return component;
}

TDriveComboBox* TDriveComboBox::SetAlignment(TAlign align) {
  if (TWindowObject* combo = ComboBox_.Get()) combo->SetAlignment(align);
  return this;
}

TDriveComboBox* TDriveComboBox::Resize(int width, int height) {
  if (TWindowObject* combo = ComboBox_.Get()) browser_detail::ResizeExactly(*combo, width, height);
  return this;
}

int TDriveComboBox::FindDrive(char letter) const {
  TWindowObject* combo = ComboBox_.Get();
  // Every caption starts with its own letter, so the prefix search finds at
  // most one entry. The zero character is no letter and finds none.
  if (combo == nullptr || letter == '\0') return -1;
  return combo->FindItem(std::string(1, letter), 0);
}

void TDriveComboBox::FillDrives() {
  TWindowObject* combo = ComboBox_.Get();
  if (combo == nullptr) return;
  const TDriveMap& drives = CurrentDriveMap();
  const std::string current = CurrentDirectory(drives);
  combo->Clear();
  const std::uint32_t mask = drives.LogicalDrives();
  combo->Font().SetFaceName("Courier New");
  for (int i = 0; i < 26; ++i) {
    if ((mask & (std::uint32_t{1} << i)) == 0) continue;
    const char letter = static_cast<char>('A' + i);
    const std::string name{letter, ':'};
    combo->AddItem(std::string(1, letter) + " - [" + DriveTypeText(drives.DriveType(name)) + "]");
  }
  // A current directory outside every drive (or unreadable) leaves no entry
  // current rather than whichever entry an empty prefix would hit first.
  combo->SetSelectedIndex(current.empty() ? -1 : FindDrive(current[0]));
}

void TDriveComboBox::SetDrive(char letter) {
  const int index = FindDrive(letter);
  if (index >= 0) {
    Drive_ = letter;
    if (TWindowObject* combo = ComboBox_.Get()) combo->SetSelectedIndex(index);
  }
  if (ChangeCount_ < 2) ++ChangeCount_;
  if (ChangeCount_ == 2) browser_detail::Raise(OnChange, this);
}

void TDriveComboBox::UserChoice() {
  TWindowObject* combo = ComboBox_.Get();
  if (combo == nullptr) return;
  const int index = combo->SelectedIndex();
  if (index < 0) return;
  const std::string caption = combo->ItemText(index);
  if (caption.empty()) return;
  // SetDrive raises OnChange once ChangeCount is 2; the choice raises it once more.
  SetDrive(caption[0]);
  browser_detail::Raise(OnChange, this);
}

}  // namespace kelvane
