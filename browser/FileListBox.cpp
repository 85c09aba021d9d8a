#include "browser/FileListBox.h"

#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/Names.h"
#include "ui/FontObject.h"

namespace kelvane {

namespace {
constexpr int kRowHeight = 14;
constexpr int kFrameHeight = 6;
}  // namespace

std::string ApplyNameCase(std::string name, TNameCase nameCase) {
  for (char& c : name) {
    if (nameCase == NameCaseLower && c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + 0x20);
    else if (nameCase == NameCaseUpper && c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 0x20);
  }
  return name;
}

TFileListBox::TFileListBox(TWindowObject* listBox) { ListBox_.Attach(listBox); }

TFileListBox::~TFileListBox() {
  BeginDestroy();
  *Alive_ = false;
  QObject::disconnect(SelectionConnection_);
}

TFileListBox* CreateFileListBox(TWindowObject* owner) {
  TWindowObject* listBox = CreateListBox(owner, TListBoxOptions{LboNoIntegralHeight});
  TFileListBox* component = owner->AddToAutoFree(std::unique_ptr<TFileListBox>(new TFileListBox(listBox)));
  listBox->Font().SetHeight(-11);
  listBox->OnChange = [component](TWindowObject*) { component->SelectionChanged(); };
  component->SelectionConnection_ =
      QObject::connect(static_cast<QListWidget*>(listBox->Widget()), &QListWidget::itemSelectionChanged,
                       listBox->Widget(), [component] { component->SelectionSettled(); });
  return component;
}

TFileListBox* TFileListBox::SetAlignment(TAlign align) {
  if (TWindowObject* list = ListBox_.Get()) list->SetAlignment(align);
  return this;
}

void TFileListBox::SetMask(const std::string& mask) {
  Mask_ = mask;
  SetPath(Path_);
}

void TFileListBox::SetPath(std::string path) {
  SelectionPending_ = false;
  TWindowObject* list = ListBox_.Get();
  if (!IsDirectory(path)) {
    Path_.clear();
    // The old lines would name files of a directory that is no longer Path,
    // and could not be opened through it; an empty list says what is true.
    NativeNames_.clear();
    if (list != nullptr) list->Clear();
    return;
  }
  Path_ = path;
  NativeNames_.clear();
  if (list == nullptr) return;
  list->Clear();

  // One backslash joins them whether or not the path ends in one; the
  // doubled backslash that can result is accepted by ListFiles.
  std::vector<TDirEntry> files = ListFiles(path + "\\" + Mask_);
  // Linux returns names in no useful order (hash order on most file
  // systems), so the list is sorted the way people read it: by the user's
  // collation, case ignored; the raw bytes break ties so the order is total.
  std::stable_sort(files.begin(), files.end(), [](const TDirEntry& a, const TDirEntry& b) {
    if (int order = CompareNames(a.Name, b.Name); order != 0) return order < 0;
    return a.NativeName < b.NativeName;
  });
  NativeNames_.reserve(files.size());
  for (const TDirEntry& file : files) {
    list->AddItem(file.Name);
    NativeNames_.push_back(file.NativeName);
  }
  if (NameCase != NameCaseAsIs) {
    for (int i = 0; i < list->ItemCount(); ++i) {
      const std::string shown = list->ItemText(i);
      std::string converted = ApplyNameCase(shown, NameCase);
      if (converted != shown) list->SetItemText(i, converted);
    }
  }
  list->SetSelectedIndex(-1);
}

void TFileListBox::SetIntegralHeight(bool flag) {
  IntegralHeight_ = flag;
  TWindowObject* list = ListBox_.Get();
  if (!flag || list == nullptr) return;
  TRect bounds = list->Bounds();
  bounds.Bottom = bounds.Top + bounds.Height() / kRowHeight * kRowHeight + kFrameHeight;
  list->SetBounds(bounds);
}

std::string TFileListBox::FileName() const {
  TWindowObject* list = ListBox_.Get();
  if (list == nullptr) return {};
  const int index = list->SelectedIndex();
  return index >= 0 ? list->ItemText(index) : std::string();
}

std::string TFileListBox::NativeFileName() const {
  TWindowObject* list = ListBox_.Get();
  if (list == nullptr) return {};
  const int index = list->SelectedIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= NativeNames_.size()) return {};
  return NativeNames_[static_cast<std::size_t>(index)];
}

std::optional<std::string> TFileListBox::SelectedNativePath() const {
  const std::string name = NativeFileName();
  if (name.empty() || Path_.empty()) return std::nullopt;
  return NativeFilePath(Path_, name);
}

// The list box reports a mouse press's new current line before it selects
// that line, so at that moment FileName would still see the old selection.
// Then the notification waits for the selection, which follows within the
// same press; a current line that is never selected (keyboard focus arriving
// in a list without current line) raises nothing.
void TFileListBox::SelectionChanged() {
  SelectionPending_ = false;
  TWindowObject* list = ListBox_.Get();
  if (list == nullptr) return;
  auto* widget = static_cast<QListWidget*>(list->Widget());
  const int current = widget->currentRow();
  if (current >= 0 && list->SelectedIndex() != current) {
    SelectionPending_ = true;
    QTimer::singleShot(0, widget, [this, alive = std::weak_ptr<bool>(Alive_)] {
      if (auto flag = alive.lock(); flag && *flag) SelectionPending_ = false;
    });
    return;
  }
  browser_detail::Raise(OnChange, this);
}

void TFileListBox::SelectionSettled() {
  if (!SelectionPending_) return;
  TWindowObject* list = ListBox_.Get();
  auto* widget = list != nullptr ? static_cast<QListWidget*>(list->Widget()) : nullptr;
  if (widget == nullptr || list->SelectedIndex() != widget->currentRow()) return;
  SelectionPending_ = false;
  browser_detail::Raise(OnChange, this);
}

}  // namespace kelvane
