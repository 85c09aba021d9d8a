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
  // The archive icon follows the six of the strip, as image IconArchive.
  TDibBitmap archive;
  archive.LoadFromResource(KelvaneResources(), "ARCHIVE");
  archive.DrawAt(adder, 0, 0);
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

bool TDirectoryListBox::IsContainerPath(std::string_view path) const {
  if (!IsContainer) return false;
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  const std::size_t slash = path.rfind('\\');
  // A drive alone ("C:") is never a container.
  if (slash == std::string_view::npos) return false;
  const std::string_view name = path.substr(slash + 1);
  return !name.empty() && IsContainer(name) && IsRegularFile(path);
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
  SubdirectoryCount_ = 0;

  const bool directory = IsDirectory(path);
  InContainer_ = !directory && IsContainerPath(path);
  if (!directory && !InContainer_) {
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
      // An opened container is the last part of the chain, with its own icon.
      if (InContainer_ && slash == s.size() - 1 && LevelCount_ > 0) image = IconArchive;
      AddRow(s.substr(0, slash), image);
      view->SetItemIndent(indent, indent);
      s.erase(0, slash == std::string::npos ? s.size() : slash + 1);
      if (Indented) ++indent;
      ++LevelCount_;
    }

    // A container has no subdirectories of its own; what it holds is for
    // the owner to show.
    std::optional<std::vector<TDirEntry>> entries;
    if (directory) entries = ReadDirectory(path);
    if (entries) {
      std::vector<TDirEntry> containers;
      for (TDirEntry& entry : *entries) {
        if (entry.Kind == ekDirectory)
          ScanBuffer_.push_back(std::move(entry));
        else if (entry.Kind == ekFile && IsContainer && IsContainer(entry.Name))
          containers.push_back(std::move(entry));
      }
      // Ties on the name (two names equal without regard to case) fall back
      // to size and creation time, as the keys are defined; stable keeps
      // the scan order for entries equal on every key.
      const auto order = [](const TDirEntry& a, const TDirEntry& b) { return CompareDirEntries(a, b) < 0; };
      std::stable_sort(ScanBuffer_.begin(), ScanBuffer_.end(), order);
      std::stable_sort(containers.begin(), containers.end(), order);
      SubdirectoryCount_ = static_cast<int>(ScanBuffer_.size());
      for (TDirEntry& container : containers) ScanBuffer_.push_back(std::move(container));
    }
    for (std::size_t n = 0; n < ScanBuffer_.size(); ++n) {
      const TDirEntry& entry = ScanBuffer_[n];
      // The view shows invalid UTF-8 with replacement characters, as Name
      // has it; the row keeps the enumerated bytes for entering it.
      AddRow(entry.NativeName, static_cast<int>(n) < SubdirectoryCount_ ? IconClosedFolder : IconArchive);
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
