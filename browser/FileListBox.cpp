#include "browser/FileListBox.h"

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

TFileListBox::~TFileListBox() { BeginDestroy(); }

TFileListBox* CreateFileListBox(TWindowObject* owner) {
  TWindowObject* listBox = CreateListBox(owner, TListBoxOptions{LboNoIntegralHeight});
  TFileListBox* component = owner->AddToAutoFree(std::unique_ptr<TFileListBox>(new TFileListBox(listBox)));
  listBox->Font().SetHeight(-11);
  listBox->SetAccessibleName(kFileListAccessibleName);
  listBox->OnChange = [component](TWindowObject*) { component->SelectionChanged(); };
  return component;
}

TFileListBox* TFileListBox::SetAlignment(TAlign align) {
  if (TWindowObject* list = ListBox_.Get()) list->SetAlignment(align);
  return this;
}

void TFileListBox::SetMask(const std::string& mask) {
  Mask_ = mask;
  Refresh();
}

void TFileListBox::Refresh() {
  if (!Lister_) {
    SetPath(Path_);
    return;
  }
  // A copy is called, so that the lister may replace the listing.
  TFileLister lister = Lister_;
  ShowLines(lister(Mask_));
}

void TFileListBox::ShowListing(std::string path, TFileLister lister) {
  Path_ = std::move(path);
  Lister_ = std::move(lister);
  Refresh();
}

void TFileListBox::SetPath(std::string path) {
  Lister_ = nullptr;
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
  if (list == nullptr) {
    NativeNames_.clear();
    return;
  }

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
  std::vector<TListedFile> lines;
  lines.reserve(files.size());
  for (TDirEntry& file : files) lines.push_back({std::move(file.Name), std::move(file.NativeName)});
  ShowLines(lines);
}

void TFileListBox::ShowLines(const std::vector<TListedFile>& files) {
  NativeNames_.clear();
  TWindowObject* list = ListBox_.Get();
  if (list == nullptr) return;
  list->Clear();
  NativeNames_.reserve(files.size());
  for (const TListedFile& file : files) {
    list->AddItem(file.Shown);
    NativeNames_.push_back(file.Native);
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

bool TFileListBox::SelectNativeName(const std::string& nativeName) {
  TWindowObject* list = ListBox_.Get();
  if (list == nullptr) return false;
  const auto sameIgnoringCase = [](const std::string& a, const std::string& b) {
    return ApplyNameCase(a, NameCaseLower) == ApplyNameCase(b, NameCaseLower);
  };
  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < NativeNames_.size() && !found; ++i)
    if (NativeNames_[i] == nativeName) found = i;
  for (std::size_t i = 0; i < NativeNames_.size() && !found; ++i)
    if (sameIgnoringCase(NativeNames_[i], nativeName)) found = i;
  list->SetSelectedIndex(found ? static_cast<int>(*found) : -1);
  return found.has_value();
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
  if (name.empty() || Path_.empty() || Lister_) return std::nullopt;
  return NativeFilePath(Path_, name);
}

// The list box raises its OnChange once per change the user makes, after the
// selection has moved, so FileName already names the new line here.
void TFileListBox::SelectionChanged() { browser_detail::Raise(OnChange, this); }

}  // namespace kelvane
