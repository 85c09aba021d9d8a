#include "ui/ListBox.h"

#include <QListWidget>
#include <QStyledItemDelegate>
#include <algorithm>

#include "ui/Constructors.h"
#include "ui/MessageDispatch.h"
#include "ui/WindowInternals.h"

namespace kelvane {

namespace {

// List box rows of 14 pixels, so whole rows fill a height snapped to 14 and
// an 11-pixel face has a pixel to spare; a face too large for that gets the
// height its text needs.
class TListRowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(kRowHeight, option.fontMetrics.height()));
    return size;
  }

 private:
  static constexpr int kRowHeight = 14;
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// Changes made by the program raise no event, and what the program selected
// is the baseline the user's next change is measured against.
class TListBoxObject::TQuietChange {
 public:
  explicit TQuietChange(const TListBoxObject& list)
      : List_(const_cast<TListBoxObject&>(list)), Quiet_(list) {}
  ~TQuietChange() {
    if (List_.Internals().Programmatic == 1) List_.LastSelection_ = List_.SelectedIndex();
  }
  TQuietChange(const TQuietChange&) = delete;
  TQuietChange& operator=(const TQuietChange&) = delete;

 private:
  TListBoxObject& List_;
  TProgrammaticChange Quiet_;
};

TListBoxObject::TListBoxObject(TWindowObject* parent) : TWindowObject(TWindowKind::ListBox, parent) {}

QListWidget* TListBoxObject::List() const { return static_cast<QListWidget*>(Widget()); }

int TListBoxObject::ItemCount() const { return List()->count(); }

std::string TListBoxObject::ItemText(int index) const {
  if (index < 0 || index >= ItemCount()) return {};
  return List()->item(index)->text().toStdString();
}

void TListBoxObject::SetItemText(int index, const std::string& text) {
  if (index < 0 || index >= ItemCount()) return;
  TQuietChange quiet(*this);
  // The item is removed and inserted anew: a selection on it is lost, and
  // Qt must not move the selection to a neighbour meanwhile.
  const bool wasSelected = SelectedIndex() == index;
  QListWidget* list = List();
  delete list->takeItem(index);
  list->insertItem(index, Q(text));
  if (wasSelected) {
    list->clearSelection();
    list->setCurrentRow(-1);
  }
}

int TListBoxObject::AddItem(const std::string& text) {
  TQuietChange quiet(*this);
  QListWidget* list = List();
  auto* item = new QListWidgetItem(Q(text));
  list->addItem(item);
  // Only a list that allows several selected items selects its first item.
  if (list->count() == 1 && list->selectionMode() == QAbstractItemView::MultiSelection) item->setSelected(true);
  return list->row(item);
}

int TListBoxObject::SelectedIndex() const {
  QListWidget* list = List();
  if (list->selectionMode() == QAbstractItemView::SingleSelection) {
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
  }
  return list->currentRow();
}

void TListBoxObject::SetSelectedIndex(int index) {
  TQuietChange quiet(*this);
  if (index >= ItemCount()) index = -1;
  QListWidget* list = List();
  if (index < 0) {
    list->clearSelection();
    list->setCurrentRow(-1);
  } else {
    list->setCurrentRow(index);
  }
}

void TListBoxObject::Clear() {
  TQuietChange quiet(*this);
  List()->clear();
}

void TListBoxObject::SelectionChanged() {
  if (List()->selectionMode() == QAbstractItemView::SingleSelection) {
    const int now = SelectedIndex();
    if (now == LastSelection_) return;
    LastSelection_ = now;
  }
  FireSelectionChange(*this);
}

TListBoxObject* AsListBox(TWindowObject* w) { return dynamic_cast<TListBoxObject*>(w); }

TWindowObject* CreateListBox(TWindowObject* parent, TListBoxOptions options) {
  auto* w = new TListBoxObject(parent);
  SetDefaultSize(*w, 164, 200, false);
  TToolkitAccess::SetColorField(*w, ClWindow);
  auto* list = new QListWidget(ClientOf(parent));
  if (options.Contains(LboMultipleSel))
    list->setSelectionMode(QAbstractItemView::MultiSelection);
  else if (options.Contains(LboExtendedSel))
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  else if (options.Contains(LboNoSel))
    list->setSelectionMode(QAbstractItemView::NoSelection);
  else
    list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setItemDelegate(new TListRowDelegate(list));
  list->setUniformItemSizes(true);
  if (options.Contains(LboSort)) list->setSortingEnabled(true);
  if (options.Contains(LboDisableNoScroll)) list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  if (options.Contains(LboMultiColumn)) {
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(true);
  }
  std::weak_ptr<bool> alive = w->Internals().Alive;
  // Selection, not the current row: Qt makes the first row current when the
  // list gets the focus, which selects nothing and is no change.
  QObject::connect(list, &QListWidget::itemSelectionChanged, list, [w, alive] {
    if (alive.expired() || !*alive.lock()) return;
    w->SelectionChanged();
  });
  // A double-click on an item is the list box's click.
  QObject::connect(list, &QListWidget::itemDoubleClicked, list, [w, alive] {
    if (alive.expired() || !*alive.lock()) return;
    if (w->Internals().FocusingCounter == 0) FireNotify(*w, w->OnClick);
  });
  Finish(w, list, true);
  list->viewport()->installEventFilter(w->Internals().Bridge);
  list->viewport()->setMouseTracking(true);
  return w;
}

}  // namespace kelvane
