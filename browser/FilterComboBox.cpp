#include "browser/FilterComboBox.h"

#include "ui/FontObject.h"

namespace kelvane {

namespace {

constexpr char kCr = '\r';

// The length in bytes of the UTF-8 character that starts with `lead`. A
// stray continuation byte or an invalid lead counts as one character, so
// that parsing always moves on.
std::size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

}  // namespace

TFilterComboBox::TFilterComboBox(TWindowObject* comboBox) { ComboBox_.Attach(comboBox); }

TFilterComboBox::~TFilterComboBox() { BeginDestroy(); }

TFilterComboBox* CreateFilterComboBox(TWindowObject* owner) {
  TWindowObject* combo = CreateComboBox(owner, TComboBoxOptions{CboDropDownList});
  TFilterComboBox* component =
      owner->AddToAutoFree(std::unique_ptr<TFilterComboBox>(new TFilterComboBox(combo)));
  combo->Font().SetHeight(-11);
  combo->SetAccessibleName(kFilterComboAccessibleName);
  combo->OnChange = [component](TWindowObject*) { component->UserChoice(); };
  return component;
}

TFilterComboBox* TFilterComboBox::SetAlignment(TAlign align) {
  if (TWindowObject* combo = ComboBox_.Get()) combo->SetAlignment(align);
  return this;
}

TFilterComboBox* TFilterComboBox::Resize(int width, int height) {
  if (TWindowObject* combo = ComboBox_.Get()) browser_detail::ResizeExactly(*combo, width, height);
  return this;
}

TFilterItem* TFilterComboBox::Items(int index) const {
  if (index < 0 || index >= ItemCount()) return nullptr;
  return Items_[static_cast<std::size_t>(index)].get();
}

TFilterItem* TFilterComboBox::AddItem() {
  Items_.push_back(std::make_unique<TFilterItem>());
  return Items_.back().get();
}

void TFilterComboBox::DeleteItem(int index) {
  if (index < 0 || index >= ItemCount()) return;
  Items_.erase(Items_.begin() + index);
}

void TFilterComboBox::ParseFilter() {
  if (Filter.empty()) return;
  const std::string s = Filter;
  AddItem();
  int current = 0;
  std::size_t at = 0;
  while (at < s.size()) {
    if (s[at] == kCr) {
      AddItem();
      ++current;
      // The CR takes the character after it along, LF or not; a CR at the
      // very end takes nothing. A character is a whole UTF-8 sequence, so a
      // swallowed letter never leaves half of itself behind.
      ++at;
      if (at < s.size()) at += CharacterLength(static_cast<unsigned char>(s[at]));
      continue;
    }
    Items_[static_cast<std::size_t>(current)]->Line += s[at];
    ++at;
  }
  if (Items_.back()->Line.empty()) Items_.pop_back();

  TWindowObject* combo = ComboBox_.Get();
  for (const auto& item : Items_) {
    const std::size_t bar = item->Line.find('|');
    if (bar == std::string::npos) {
      item->Description.clear();
      item->Mask = item->Line;
    } else {
      item->Description = item->Line.substr(0, bar);
      item->Mask = item->Line.substr(bar + 1);
    }
    if (combo != nullptr) combo->AddItem(item->Description);
  }
}

void TFilterComboBox::SetFilterIndex(int index) {
  FilterIndex_ = index;
  if (TWindowObject* combo = ComboBox_.Get()) combo->SetSelectedIndex(index);
  if (ChangeCount_ < 2) ++ChangeCount_;
  if (ChangeCount_ == 2) browser_detail::Raise(OnChange, this);
}

void TFilterComboBox::SetMask(const std::string& mask) {
  Mask_ = mask;
  browser_detail::Raise(OnChange, this);
}

void TFilterComboBox::UserChoice() {
  TWindowObject* combo = ComboBox_.Get();
  if (combo == nullptr) return;
  TFilterItem* item = Items(combo->SelectedIndex());
  if (item == nullptr) return;
  // SetMask raises OnChange once; the choice itself raises it once more.
  SetMask(item->Mask);
  browser_detail::Raise(OnChange, this);
}

}  // namespace kelvane

