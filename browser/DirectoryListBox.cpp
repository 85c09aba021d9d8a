#include "browser/DirectoryListBox.h"

#include <algorithm>

#include "platform/DriveMap.h"
#include "resources/Resources.h"
#include "ui/FontObject.h"

namespace kelvane {

namespace {
constexpr int kIconSize = 16;
constexpr int kRowHeight = 16;
// Room left beside the one column for the vertical scroll bar.
constexpr int kScrollBarRoom = 20;
constexpr TColor kWhite = RgbColor(255, 255, 255);
}  // namespace

TDirectoryIcon DriveIcon(TDriveType type) {
  switch (type) {
    case DriveRemovable: return IconFloppy;
    case DriveRemote: return IconNetworkDrive;
    case DriveCdrom: return IconCompactDisc;
    case DriveUnknown:
    case DriveNoRootDir:
    case DriveFixed:
    default: return IconHardDisk;
  }
}

TDirectoryListBox::TDirectoryListBox(TListViewObject* listView) { ListView_.Attach(listView); }

TDirectoryListBox::~TDirectoryListBox() { BeginDestroy(); }

TListViewObject* TDirectoryListBox::ListView() const { return static_cast<TListViewObject*>(ListView_.Get()); }

TDirectoryListBox* CreateDirectoryListBox(TWindowObject* owner, TImageListObject* stateImages,
                                          TImageListObject* smallImages, TImageListObject* normalImages) {
  TListViewObject* view = CreateListView(owner, LvReportNoHeader, TListViewOptions{}, smallImages, normalImages,
                                         stateImages);
  view->SetOptions(TListViewOptions{LvoAutoArrange, LvoFullRowSelect, LvoInfoTip});
  view->SetAccessibleName(kDirectoryListAccessibleName);
  TDirectoryListBox* component =
      owner->AddToAutoFree(std::unique_ptr<TDirectoryListBox>(new TDirectoryListBox(view)));
  view->OnMouseDoubleClick = [component](TWindowObject*, TMouseRecord& mouse) { component->DoubleClicked(mouse); };

  component->IconBitmap_ = NewDeviceBitmap(1, 1);
  component->IconBitmap_->LoadFromResource(KelvaneResources(), "ICONS");
  TImageListObject* images = CreateImageList(owner);
  images->ImageWidth = kIconSize;
  images->ImageHeight = kIconSize;
  images->UseMask = true;
  images->GrowStep = 1;
  TImageListAdder adder(*images, kWhite);
  component->IconBitmap_->DrawAt(adder, 0, 0);
  view->SetImageList(kIconSize, images);
  component->Images_ = images;

  component->IntegralHeight = true;
  component->ChangeCount_ = 0;
  return component;
}

TDirectoryListBox* TDirectoryListBox::SetAlignment(TAlign align) {
  if (TWindowObject* view = ListView_.Get()) view->SetAlignment(align);
  return this;
}

TDirectoryListBox* TDirectoryListBox::Resize(int width, int height) {
  if (TWindowObject* view = ListView_.Get()) browser_detail::ResizeExactly(*view, width, height);
  return this;
}

int TDirectoryListBox::AddRow(const std::string& text, int image) {
  RowNames_.push_back(text);
  return ListView()->AddRow(text, 0, image, 0);
}

void TDirectoryListBox::SetPath(std::string path) {
  TListViewObject* view = ListView();
  if (view == nullptr) return;
  if (!Initialised_) {
    Initialised_ = true;
    view->AddColumn("", HorzLeft, view->Bounds().Width() - kScrollBarRoom);
    if (IntegralHeight) {
      TRect bounds = view->Bounds();
      bounds.Bottom = bounds.Top + bounds.Height() / kRowHeight * kRowHeight;
      view->SetBounds(bounds);
    }
  }
  view->Clear();
  RowNames_.clear();
  ScanBuffer_.clear();
  LevelCount_ = 0;

  if (!IsDirectory(path)) {
    Path_.clear();
  } else {
    std::string s = path;
    if (s.back() != '\\') s += '\\';
    Path_ = s;
    int indent = 0;

    int image = DriveIcon(CurrentDriveMap().DriveType(std::string_view(path).substr(0, 2)));
    while (!s.empty()) {
      if (LevelCount_ > 0) image = IconOpenFolder;
      const std::size_t slash = s.find('\\');
      AddRow(s.substr(0, slash), image);
      view->SetItemIndent(indent, indent);
      s.erase(0, slash == std::string::npos ? s.size() : slash + 1);
      if (Indented) ++indent;
      ++LevelCount_;
    }

    if (std::optional<std::vector<TDirEntry>> entries = ReadDirectory(path)) {
      for (TDirEntry& entry : *entries)
        if (entry.Kind == ekDirectory) ScanBuffer_.push_back(std::move(entry));
      // Ties on the name (two names equal without regard to case) fall back
      // to size and creation time, as the keys are defined; stable keeps
      // the scan order for entries equal on every key.
      std::stable_sort(ScanBuffer_.begin(), ScanBuffer_.end(),
                       [](const TDirEntry& a, const TDirEntry& b) { return CompareDirEntries(a, b) < 0; });
    }
    for (std::size_t n = 0; n < ScanBuffer_.size(); ++n) {
      const TDirEntry& entry = ScanBuffer_[n];
      // The view shows invalid UTF-8 with replacement characters, as Name
      // has it; the row keeps the enumerated bytes for entering it.
      AddRow(entry.NativeName, IconClosedFolder);
      view->SetItemIndent(LevelCount_ + static_cast<int>(n), Indented ? indent : 1);
    }
  }

  if (ChangeCount_ < 2) ++ChangeCount_;
  if (ChangeCount_ == 2) browser_detail::Raise(OnChange, this);
  // The handler may have moved the list elsewhere or destroyed the view.
  if (TListViewObject* still = ListView()) still->SetColumnWidth(0, still->Bounds().Width() - kScrollBarRoom);
}

void TDirectoryListBox::DoubleClicked(TMouseRecord& mouse) {
  TListViewObject* view = ListView();
  if (view == nullptr) return;
  const int row = view->SelectedIndex();
  if (row < 0 || static_cast<std::size_t>(row) >= RowNames_.size()) return;
  std::string path;
  if (row < LevelCount_) {
    for (int i = 0; i <= row; ++i) path += RowNames_[static_cast<std::size_t>(i)] + "\\";
  } else {
    for (int i = 0; i < LevelCount_; ++i) path += RowNames_[static_cast<std::size_t>(i)] + "\\";
    std::string name = RowNames_[static_cast<std::size_t>(row)];
    if (!name.empty() && name.back() == '\\') name.pop_back();
    path += name;
  }
  SetPath(path);
  if (OnDblClick) {
    TDirectoryDblClickEvent handler = OnDblClick;
    handler(this, mouse);
  }
}

}  // namespace kelvane
