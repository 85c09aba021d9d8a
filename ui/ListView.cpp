#include "ui/ListView.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

#include "ui/Constructors.h"
#include "ui/MessageDispatch.h"
#include "ui/WindowInternals.h"

namespace kelvane {

namespace {

constexpr int ImageRole = Qt::UserRole + 1;
constexpr int IndentRole = Qt::UserRole + 2;
constexpr int DataRole = Qt::UserRole + 3;
constexpr int IndentUnit = 16;  // one small image
// Rows are as high as a small image, so whole rows fill a height snapped to
// 16; a face too large for that gets the height its text needs.
constexpr int RowHeight = 16;

// Shifts each row right by its indent.
class TIndentDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem shifted(option);
    if (index.column() == 0) shifted.rect.adjust(index.data(IndentRole).toInt() * IndentUnit, 0, 0, 0);
    QStyledItemDelegate::paint(painter, shifted, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() == 0) size.rwidth() += index.data(IndentRole).toInt() * IndentUnit;
    size.setHeight(std::max(RowHeight, option.fontMetrics.height()));
    return size;
  }
};

}  // namespace

// ---- image lists ----------------------------------------------------------------------

TImageListObject::TImageListObject(TWindowObject* owner) : Owner_(owner) {}
TImageListObject::~TImageListObject() = default;

int TImageListObject::AddMaskedBitmap(const TPixelRows32& rows, TColor maskColor) {
  if (ImageWidth <= 0 || ImageHeight <= 0 || rows.Data == nullptr) return -1;
  if (rows.Width < ImageWidth || rows.Height < ImageHeight) return -1;
  const std::uint32_t mask = ResolveColor(maskColor).rgb() & 0xFFFFFFu;
  const int count = rows.Width / ImageWidth;
  const int first = Count();
  for (int k = 0; k < count; ++k) {
    QImage image(ImageWidth, ImageHeight, QImage::Format_ARGB32);
    for (int y = 0; y < ImageHeight; ++y) {
      const std::uint32_t* source = rows.Row(y) + k * ImageWidth;
      auto* target = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
      for (int x = 0; x < ImageWidth; ++x) {
        const std::uint32_t rgb = source[x] & 0xFFFFFFu;
        target[x] = UseMask && rgb == mask ? 0u : (0xFF000000u | rgb);
      }
    }
    Images_.push_back(image);
  }
  HasHandle_ = true;
  return first;
}

QImage TImageListObject::Image(int index) const {
  if (index < 0 || index >= Count()) return QImage();
  return Images_[static_cast<std::size_t>(index)];
}

void TImageListAdder::DrawRows32(int, int, const TPixelRows32& rows) {
  const int first = List_.AddMaskedBitmap(rows, MaskColor_);
  if (FirstIndex_ < 0) FirstIndex_ = first;
}

TImageListObject* CreateImageList(TWindowObject* owner) {
  if (owner == nullptr) return nullptr;
  auto& lists = owner->Internals().ImageLists;
  lists.push_back(Own(std::make_unique<TImageListObject>(owner)));
  return lists.back().get();
}

// ---- the list view -----------------------------------------------------------------------

TListViewObject::TListViewObject(TWindowObject* parent, TListViewStyle view, TListViewOptions options)
    : TWindowObject(TWindowKind::ListView, parent), View_(view), Options_(options) {}

QTreeWidget* TListViewObject::Tree() const { return static_cast<QTreeWidget*>(Widget()); }

void TListViewObject::ApplyOptions() {
  QTreeWidget* tree = Tree();
  tree->setHeaderHidden(View_ != LvReport);
  tree->setSelectionMode(Options_.Contains(LvoMultiSelect) ? QAbstractItemView::ExtendedSelection
                                                            : QAbstractItemView::SingleSelection);
  tree->setSelectionBehavior(QAbstractItemView::SelectRows);
  tree->setAllColumnsShowFocus(Options_.Contains(LvoFullRowSelect));
  tree->setSortingEnabled(Options_.Contains(LvoSortAscending) || Options_.Contains(LvoSortDescending));
  if (tree->isSortingEnabled())
    tree->sortByColumn(0, Options_.Contains(LvoSortDescending) ? Qt::DescendingOrder : Qt::AscendingOrder);
  const bool tips = Options_.Contains(LvoInfoTip);
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree->topLevelItem(i);
    item->setToolTip(0, tips ? item->text(0) : QString());
  }
}

void TListViewObject::SetOptions(TListViewOptions options) {
  if (options == Options_) return;
  Options_ = options;
  ApplyOptions();
}

TImageListObject* TListViewObject::ImageList(int size) const {
  return size == 16 ? Small_ : size == 32 ? Normal_ : State_;
}

void TListViewObject::SetImageList(int size, TImageListObject* list) {
  if (list != nullptr && !list->HasHandle()) {
    list->ImageWidth = size;
    list->ImageHeight = size;
  }
  (size == 16 ? Small_ : size == 32 ? Normal_ : State_) = list;
  ApplyImageLists();
}

void TListViewObject::ApplyImageLists() {
  // An empty slot takes the first image list of the right size that belongs
  // to the view or its parent.
  auto find = [this](int size) -> TImageListObject* {
    for (TWindowObject* owner : {static_cast<TWindowObject*>(this), Parent()}) {
      if (owner == nullptr) continue;
      for (auto& list : owner->Internals().ImageLists)
        if (list->ImageWidth == size && list->ImageHeight == size) return list.get();
    }
    return nullptr;
  };
  TImageListObject* small = Small_ != nullptr ? Small_ : find(16);
  QTreeWidget* tree = Tree();
  tree->setIconSize(QSize(16, 16));
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree->topLevelItem(i);
    const int image = item->data(0, ImageRole).toInt();
    QImage picture = small != nullptr ? small->Image(image) : QImage();
    item->setIcon(0, picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
  }
}

int TListViewObject::AddColumn(const std::string& caption, THorzAlign alignment, int width) {
  QTreeWidget* tree = Tree();
  const int column = ColumnCount_;
  if (column >= tree->columnCount()) tree->setColumnCount(column + 1);
  QTreeWidgetItem* header = tree->headerItem();
  header->setText(column, QString::fromStdString(caption));
  const Qt::Alignment align = alignment == HorzRight    ? Qt::AlignRight
                              : alignment == HorzCenter ? Qt::AlignHCenter
                                                        : Qt::AlignLeft;
  header->setTextAlignment(column, align | Qt::AlignVCenter);
  if (width > 0) tree->setColumnWidth(column, width);
  ++ColumnCount_;
  return column;
}

void TListViewObject::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= Tree()->columnCount()) return;
  Tree()->setColumnWidth(column, std::max(0, width));
}

int TListViewObject::ColumnWidth(int column) const { return Tree()->columnWidth(column); }

int TListViewObject::AddRow(const std::string& caption, unsigned stateFlags, int imageIndex, std::intptr_t data) {
  TProgrammaticChange quiet(*this);
  QTreeWidget* tree = Tree();
  auto* item = new QTreeWidgetItem;
  const QString text = QString::fromStdString(caption);
  item->setText(0, text);
  item->setData(0, ImageRole, imageIndex);
  item->setData(0, IndentRole, 0);
  item->setData(0, DataRole, QVariant::fromValue<qlonglong>(static_cast<qlonglong>(data)));
  if (Options_.Contains(LvoInfoTip)) item->setToolTip(0, text);
  tree->addTopLevelItem(item);
  TImageListObject* small = Small_;
  if (small == nullptr) {
    for (auto& list : Internals().ImageLists)
      if (list->ImageWidth == 16 && list->ImageHeight == 16) small = list.get();
    if (small == nullptr && Parent() != nullptr)
      for (auto& list : Parent()->Internals().ImageLists)
        if (small == nullptr && list->ImageWidth == 16 && list->ImageHeight == 16) small = list.get();
  }
  if (small != nullptr && imageIndex >= 0) {
    QImage picture = small->Image(imageIndex);
    if (!picture.isNull()) item->setIcon(0, QIcon(QPixmap::fromImage(picture)));
  }
  if (stateFlags & LvisSelected) item->setSelected(true);
  if (stateFlags & LvisFocused) tree->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  return tree->indexOfTopLevelItem(item);
}

std::string TListViewObject::ItemText(int item, int subItem) const {
  QTreeWidgetItem* row = Tree()->topLevelItem(item);
  if (row == nullptr || subItem < 0) return {};
  return row->text(subItem).toStdString();
}

int TListViewObject::ItemImage(int item) const {
  QTreeWidgetItem* row = Tree()->topLevelItem(item);
  return row != nullptr ? row->data(0, ImageRole).toInt() : -1;
}

std::intptr_t TListViewObject::ItemData(int item) const {
  QTreeWidgetItem* row = Tree()->topLevelItem(item);
  return row != nullptr ? static_cast<std::intptr_t>(row->data(0, DataRole).toLongLong()) : 0;
}

void TListViewObject::SetItemIndent(int item, int indent) {
  if (QTreeWidgetItem* row = Tree()->topLevelItem(item)) row->setData(0, IndentRole, std::max(0, indent));
}

int TListViewObject::ItemIndent(int item) const {
  QTreeWidgetItem* row = Tree()->topLevelItem(item);
  return row != nullptr ? row->data(0, IndentRole).toInt() : 0;
}

int TListViewObject::ItemCount() const { return Tree()->topLevelItemCount(); }

void TListViewObject::SetItemText(int index, const std::string& text) {
  if (QTreeWidgetItem* row = Tree()->topLevelItem(index)) {
    row->setText(0, QString::fromStdString(text));
    if (Options_.Contains(LvoInfoTip)) row->setToolTip(0, row->text(0));
  }
}

int TListViewObject::AddItem(const std::string& text) { return AddRow(text, 0, -1, 0); }

int TListViewObject::SelectedIndex() const {
  QTreeWidget* tree = Tree();
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    if (tree->topLevelItem(i)->isSelected()) return i;
  return -1;
}

void TListViewObject::SetSelectedIndex(int index) {
  TProgrammaticChange quiet(*this);
  QTreeWidget* tree = Tree();
  tree->clearSelection();
  if (QTreeWidgetItem* row = tree->topLevelItem(index)) {
    tree->setCurrentItem(row);
    row->setSelected(true);
  }
}

void TListViewObject::Clear() {
  TProgrammaticChange quiet(*this);
  Tree()->clear();
}

int TListViewObject::FindItem(const std::string& prefix, int startIndex) const {
  return TWindowObject::FindItem(prefix, startIndex);
}

TListViewObject* CreateListView(TWindowObject* parent, TListViewStyle view, TListViewOptions options,
                                TImageListObject* smallImages, TImageListObject* normalImages,
                                TImageListObject* stateImages) {
  auto* w = new TListViewObject(parent, view, options);
  TRect b = w->Bounds();
  const int topMargin = parent != nullptr ? parent->Margins().Top : 0;
  TToolkitAccess::SetBoundsQuietly(*w, TRect{b.Left, b.Top, b.Left + 200, b.Top + 150 - topMargin});
  TToolkitAccess::SetColorField(*w, ClWindow);
  auto* tree = new QTreeWidget(parent != nullptr ? parent->Internals().Client : nullptr);
  tree->setColumnCount(1);
  tree->setRootIsDecorated(false);
  tree->setIndentation(0);
  tree->setUniformRowHeights(true);
  tree->setItemDelegate(new TIndentDelegate(tree));
  tree->header()->setStretchLastSection(false);
  TToolkitAccess::SetWidget(*w, tree);
  RegisterControl(*w, true);
  tree->setFocusPolicy(Qt::StrongFocus);
  tree->viewport()->installEventFilter(w->Internals().Bridge);
  tree->viewport()->setMouseTracking(true);
  w->SetImageList(16, smallImages);
  w->SetImageList(32, normalImages);
  w->SetImageList(0, stateImages);
  w->ApplyOptions();
  return w;
}

}  // namespace kelvane
