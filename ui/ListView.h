// The list view (a one-column report list with small icons, as the directory
// list uses it) and image lists.
//
// A TListViewObject is a TWindowObject of kind ListView, made by
// CreateListView. Rows have a text, an image index into the small image list,
// an indent counted in image widths and a data value. A left, right or middle
// double-click raises OnMouseDoubleClick (the row under the mouse is selected
// first); a click raises OnClick. Changing rows in code raises nothing.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "image/DrawTarget.h"
#include "ui/WindowObject.h"

class QTreeWidget;

namespace kelvane {


// View styles by index.
enum TListViewStyle {
  LvIcon = 0,
  LvSmallIcon = 1,
  LvList = 2,
  LvReport = 3,
  LvReportNoHeader = 4,  // report view without column header
};

// List-view options by bit number. Bits 7 and 8 take something away: without
// them the selection stays shown without the focus and only one row can be
// selected.
enum TListViewOption {
  LvoAlignLeft = 0,
  LvoAutoArrange = 1,
  LvoButton = 2,
  LvoEditLabels = 3,
  LvoNoLabelWrap = 4,
  LvoNoScroll = 5,
  LvoNoSortHeader = 6,
  LvoHideSelection = 7,      // selection hidden while the view has no focus
  LvoMultiSelect = 8,        // more than one row can be selected
  LvoSortAscending = 9,
  LvoSortDescending = 10,
  LvoGridLines = 11,
  LvoSubItemImages = 12,
  LvoCheckBoxes = 13,
  LvoTrackSelect = 14,
  LvoHeaderDragDrop = 15,
  LvoFullRowSelect = 16,
  LvoOneClickActivate = 17,
  LvoTwoClickActivate = 18,
  LvoFlatScrollBars = 19,
  LvoRegional = 20,
  LvoInfoTip = 21,           // a row whose text does not fit shows it as a tool tip
  LvoUnderlineHot = 22,
  LvoMultiWorkAreas = 23,
  LvoOwnerData = 24,
  LvoOwnerDrawFixed = 25,
};
using TListViewOptions = TSet<TListViewOption>;

// Row state flags for AddRow.
inline constexpr unsigned LvisFocused = 0x1;
inline constexpr unsigned LvisSelected = 0x2;
inline constexpr unsigned LvisCut = 0x4;
inline constexpr unsigned LvisDropHilited = 0x8;

// Images of one size, added from strips of pixels; one colour is transparent.
class TImageListObject final {
 public:
  explicit TImageListObject(TWindowObject* owner);
  ~TImageListObject();

  TWindowObject* Owner() const { return Owner_; }
  int ImageWidth = 0;
  int ImageHeight = 0;
  bool UseMask = true;
  int ColorBits = 0;
  int GrowStep = 1;
  bool KeepHandle = false;

  // Cuts `rows` into images of ImageWidth x ImageHeight, left to right, and
  // adds them; with UseMask, pixels of `maskColor` become transparent.
  // Returns the index of the first new image, or -1 when the list has no size
  // or the rows are smaller than one image.
  int AddMaskedBitmap(const TPixelRows32& rows, TColor maskColor);
  int Count() const { return static_cast<int>(Images_.size()); }
  // Image `index` (ARGB32, transparent where masked), or a null image.
  QImage Image(int index) const;
  // True once images have been added (the list then has its size fixed).
  bool HasHandle() const { return HasHandle_; }

 private:
  TWindowObject* Owner_;
  std::vector<QImage> Images_;
  bool HasHandle_ = false;
};

// A drawing target that adds what is drawn on it to an image list, so that an
// image-core bitmap can be added with DrawAt:
//   TImageListAdder adder(*list, RgbColor(255, 255, 255));
//   icons->DrawAt(adder, 0, 0);
//   int first = adder.FirstIndex();
class TImageListAdder final : public TDrawTarget {
 public:
  TImageListAdder(TImageListObject& list, TColor maskColor) : List_(list), MaskColor_(maskColor) {}
  void DrawRows32(int x, int y, const TPixelRows32& rows) override;
  int FirstIndex() const { return FirstIndex_; }

 private:
  TImageListObject& List_;
  TColor MaskColor_;
  int FirstIndex_ = -1;
};

// An image list that belongs to `owner` and is released with it.
TImageListObject* CreateImageList(TWindowObject* owner);

class TListViewObject final : public TWindowObject {
 public:
  TListViewObject(TWindowObject* parent, TListViewStyle view, TListViewOptions options);

  TListViewStyle View() const { return View_; }
  TListViewOptions Options() const { return Options_; }
  void SetOptions(TListViewOptions options);
  // size 16: the small images (row icons); 32: the normal images; any other
  // size: the state images. A list without images yet takes that size.
  void SetImageList(int size, TImageListObject* list);
  TImageListObject* ImageList(int size) const;

  // Appends a column; a width of 0 or less keeps the default. Returns its index.
  int AddColumn(const std::string& caption, THorzAlign alignment, int width);
  int ColumnCount() const { return ColumnCount_; }
  void SetColumnWidth(int column, int width);
  int ColumnWidth(int column) const;

  // Appends a row and returns its index.
  int AddRow(const std::string& caption, unsigned stateFlags, int imageIndex, std::intptr_t data);
  std::string ItemText(int item, int subItem) const;
  int ItemImage(int item) const;
  std::intptr_t ItemData(int item) const;
  // Indent of a row, counted in small-image widths.
  void SetItemIndent(int item, int indent);
  int ItemIndent(int item) const;

  // TWindowObject item operations on rows: AddItem appends a row without
  // image, ItemText(index) reads column 0, SelectedIndex is the first
  // selected row or -1.
  int ItemCount() const override;
  std::string ItemText(int index) const override { return ItemText(index, 0); }
  void SetItemText(int index, const std::string& text) override;
  int AddItem(const std::string& text) override;
  int SelectedIndex() const override;
  void SetSelectedIndex(int index) override;
  void Clear() override;
  int FindItem(const std::string& prefix, int startIndex) const override;

  QTreeWidget* Tree() const;

 private:
  friend TListViewObject* CreateListView(TWindowObject*, TListViewStyle, TListViewOptions, TImageListObject*,
                                         TImageListObject*, TImageListObject*);
  void ApplyOptions();
  void ApplyImageLists();

  TListViewStyle View_;
  TListViewOptions Options_;
  int ColumnCount_ = 0;
  TImageListObject* Small_ = nullptr;
  TImageListObject* Normal_ = nullptr;
  TImageListObject* State_ = nullptr;
};

// A list view, 200 wide. The image lists may be nullptr; a slot left empty is
// filled from the parent's image lists of the matching size.
TListViewObject* CreateListView(TWindowObject* parent, TListViewStyle view, TListViewOptions options,
                                TImageListObject* smallImages = nullptr, TImageListObject* normalImages = nullptr,
                                TImageListObject* stateImages = nullptr);

}  // namespace kelvane
