#include "ui/ComboBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleFactory>
#include <algorithm>

#include "ui/Accessibility.h"
#include "ui/Constructors.h"
#include "ui/MessageDispatch.h"
#include "ui/WindowInternals.h"

namespace kelvane {

namespace {

// The application's style, except that a combo box's drop-down is the plain
// list under the box, as wide as the box and at most maxVisibleItems lines
// high. Some styles (Fusion among them) open a menu over the box instead,
// with every item, and ignore the limit.
class TComboStyle final : public QProxyStyle {
 public:
  TComboStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// A combo box that reports its drop-down opening and closing.
class TComboBoxObject::TDropDownWidget final : public QComboBox {
 public:
  TDropDownWidget(TComboBoxObject& owner, QWidget* parent) : QComboBox(parent), Owner_(owner) {}

  void showPopup() override {
    Owner_.ListOpen_ = true;
    Owner_.IndexAtOpen_ = currentIndex();
    QComboBox::showPopup();
    FireNotify(Owner_, Owner_.OnListOpen);
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    if (!Owner_.ListOpen_) return;
    Owner_.ListOpen_ = false;
    FireNotify(Owner_, Owner_.OnListClose);
  }

 private:
  TComboBoxObject& Owner_;
};

TComboBoxObject::TComboBoxObject(TWindowObject* parent, TComboBoxOptions options)
    : TWindowObject(TWindowKind::ComboBox, parent), Options_(options) {}

QComboBox* TComboBoxObject::Combo() const { return static_cast<QComboBox*>(Widget()); }

int TComboBoxObject::ItemCount() const { return Combo()->count(); }

std::string TComboBoxObject::ItemText(int index) const {
  if (index < 0 || index >= ItemCount()) return {};
  return Combo()->itemText(index).toStdString();
}

void TComboBoxObject::SetItemText(int index, const std::string& text) {
  if (index < 0 || index >= ItemCount()) return;
  TProgrammaticChange quiet(*this);
  // The item is removed and inserted anew: a selection on it is lost, and
  // Qt must not move the selection to a neighbour meanwhile.
  QComboBox* combo = Combo();
  const int current = combo->currentIndex();
  combo->removeItem(index);
  combo->insertItem(index, Q(text));
  combo->setCurrentIndex(current == index ? -1 : current);
}

int TComboBoxObject::AddItem(const std::string& text) {
  TProgrammaticChange quiet(*this);
  QComboBox* combo = Combo();
  combo->addItem(Q(text));
  int index = combo->count() - 1;
  if (Options_.Contains(CboSort)) {
    combo->model()->sort(0);
    index = combo->findText(Q(text), Qt::MatchExactly);
  }
  if (combo->count() == 1) combo->setCurrentIndex(0);
  return index;
}

int TComboBoxObject::SelectedIndex() const { return Combo()->currentIndex(); }

void TComboBoxObject::SetSelectedIndex(int index) {
  TProgrammaticChange quiet(*this);
  if (index >= ItemCount()) index = -1;
  Combo()->setCurrentIndex(std::max(-1, index));
}

void TComboBoxObject::Clear() {
  TProgrammaticChange quiet(*this);
  Combo()->clear();
}

TComboBoxObject* AsComboBox(TWindowObject* w) { return dynamic_cast<TComboBoxObject*>(w); }

TWindowObject* CreateComboBox(TWindowObject* parent, TComboBoxOptions options) {
  auto* w = new TComboBoxObject(parent, options);
  SetDefaultSize(*w, 100, 22, false);
  TToolkitAccess::SetColorField(*w, ClWindow);
  auto* combo = new TComboBoxObject::TDropDownWidget(*w, ClientOf(parent));
  UseComboBoxInterface(combo);
  combo->setEditable(!options.Contains(CboDropDownList));
  combo->setInsertPolicy(QComboBox::NoInsert);
  // The drop-down shows at most eight items at a time.
  combo->setMaxVisibleItems(8);
  // A style sheet ("combobox-popup: 0") would keep the limit too, but its
  // drop-down no longer takes the combo box's font. The widget holds its
  // style by a guarded pointer, so the style may go with the widget.
  auto* style = new TComboStyle;
  style->setParent(combo);
  combo->setStyle(style);
  std::weak_ptr<bool> alive = w->Internals().Alive;
  QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [w, alive] {
    if (alive.expired() || !*alive.lock()) return;
    FireSelectionChange(*w);
  });
  Finish(w, combo, true);
  if (QLineEdit* edit = combo->lineEdit()) {
    QObject::connect(edit, &QLineEdit::textEdited, combo, [w, alive] {
      if (alive.expired() || !*alive.lock()) return;
      FireNotify(*w, w->OnChange);
    });
    edit->installEventFilter(w->Internals().Bridge);
  }
  return w;
}

}  // namespace kelvane
