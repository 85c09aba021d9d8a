#include "ui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>

#include "ui/WindowInternals.h"

namespace kelvane {

namespace {

// Set on a form's widget while ShowModal runs for it.
constexpr const char* kModalProperty = "kelvaneModal";
// Marks the widget of a toolkit combo box.
constexpr const char* kComboProperty = "kelvaneComboBox";

// The text a box shows for its caption: "&" marks a mnemonic, "&&" is one "&".
QString WithoutMnemonics(const QString& text) {
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

QString NameFor(const TWindowObject& w) {
  const auto& in = const_cast<TWindowObject&>(w).Internals();
  if (!in.AccessibleName.empty()) return QString::fromStdString(in.AccessibleName);
  if (in.LabelledBy != nullptr) {
    const QString caption = QString::fromStdString(in.LabelledBy->Caption()).trimmed();
    const QString value = QString::fromStdString(w.Caption()).trimmed();
    if (caption.isEmpty()) return value;
    return value.isEmpty() ? caption : caption + u' ' + value;
  }
  if (w.Kind() == TWindowKind::GroupBox) return WithoutMnemonics(QString::fromStdString(w.Caption()));
  return QString();  // Qt's own choice: a label's text, a button's caption, a form's title
}

void UpdateOwnName(TWindowObject& w) {
  QWidget* widget = w.Widget();
  if (widget == nullptr) return;
  const QString name = NameFor(w);
  if (widget->accessibleName() != name) widget->setAccessibleName(name);
}

void Unlink(TWindowObject& label) {
  auto& in = label.Internals();
  if (in.LabelledBy == nullptr) return;
  auto& labels = in.LabelledBy->Internals().Labels;
  labels.erase(std::remove(labels.begin(), labels.end(), &label), labels.end());
  in.LabelledBy = nullptr;
}

// `w` is going away: the caption it was linked to and the labels linked to
// it forget it, and those labels are announced with their own text again.
void ForgetLinks(TWindowObject& w) {
  Unlink(w);
  // A copy: the labels leave the list as they are unlinked.
  const std::vector<TWindowObject*> labels = w.Internals().Labels;
  for (TWindowObject* label : labels) {
    Unlink(*label);
    UpdateOwnName(*label);
  }
}

// Links are undone when either end is destroyed, through the object's
// auto-free list, so that only objects that take part in a link pay for it.
void ForgetLinksOnDestruction(TWindowObject& w) {
  auto& in = w.Internals();
  if (in.LinksWatched) return;
  in.LinksWatched = true;
  w.AddToAutoFree([&w] { ForgetLinks(w); });
}

// A form's interface: Qt's own, announced as a modal dialog while the form
// is shown modally.
class TFormAccessible final : public QAccessibleWidget {
 public:
  explicit TFormAccessible(QWidget* form) : QAccessibleWidget(form) {}

  QAccessible::Role role() const override { return ShownModally() ? QAccessible::Dialog : QAccessibleWidget::role(); }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    if (ShownModally()) state.modal = true;
    return state;
  }

 private:
  bool ShownModally() const { return widget()->property(kModalProperty).toBool(); }
};

// A combo box's interface. On Linux Qt names a combo box after its current
// item and leaves the name to a label's relation, which the toolkit's combo
// boxes do not have: they are announced by the name they were given, with
// the current item as their value. The rest is what Qt's own offers: the
// drop-down list (and the edit part) as children, and an action that opens
// and closes the list.
class TComboAccessible final : public QAccessibleWidget {
 public:
  explicit TComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return CurrentText();
    if (t != QAccessible::Name) return QAccessibleWidget::text(t);
    if (!widget()->accessibleName().isEmpty()) return widget()->accessibleName();
    const QString current = CurrentText();
    return current.isEmpty() ? QAccessibleWidget::text(t) : current;
  }

  int childCount() const override { return Combo()->isEditable() ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(Combo()->view());
    if (index == 1 && Combo()->isEditable()) return QAccessible::queryAccessibleInterface(Combo()->lineEdit());
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    if (child->object() == Combo()->view()) return 0;
    if (Combo()->isEditable() && child->object() == Combo()->lineEdit()) return 1;
    return -1;
  }

  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action != showMenuAction() && action != pressAction()) return;
    if (Combo()->view()->isVisible())
      Combo()->hidePopup();
    else
      Combo()->showPopup();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
  QString CurrentText() const { return Combo()->isEditable() ? Combo()->lineEdit()->text() : Combo()->currentText(); }
};

// Forms and the toolkit's combo boxes get the interfaces above; every other
// widget (Qt's own dialogs among them) keeps Qt's.
QAccessibleInterface* ToolkitInterface(const QString& className, QObject* object) {
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  if (className == QLatin1String("QWidget") && object->property("kelvaneForm").toBool())
    return new TFormAccessible(static_cast<QWidget*>(object));
  if (className == QLatin1String("QComboBox") && object->property(kComboProperty).toBool())
    return new TComboAccessible(static_cast<QComboBox*>(object));
  return nullptr;
}

}  // namespace

const std::string& TWindowObject::AccessibleName() const { return Internals_->AccessibleName; }

TWindowObject* TWindowObject::SetAccessibleName(const std::string& name) {
  Internals_->AccessibleName = name;
  UpdateOwnName(*this);
  return this;
}

TWindowObject* TWindowObject::LabelledBy() const { return Internals_->LabelledBy; }

TWindowObject* TWindowObject::SetLabelledBy(TWindowObject* caption) {
  if (caption == this) caption = nullptr;
  if (caption == Internals_->LabelledBy) return this;
  Unlink(*this);
  if (caption != nullptr) {
    Internals_->LabelledBy = caption;
    caption->Internals().Labels.push_back(this);
    ForgetLinksOnDestruction(*this);
    ForgetLinksOnDestruction(*caption);
  }
  UpdateOwnName(*this);
  return this;
}

void UpdateAccessibleNames(TWindowObject& w) {
  UpdateOwnName(w);
  for (TWindowObject* label : w.Internals().Labels) UpdateOwnName(*label);
}

void InstallAccessibleInterfaces() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(&ToolkitInterface);
}

void UseComboBoxInterface(QComboBox* combo) {
  InstallAccessibleInterfaces();
  combo->setProperty(kComboProperty, true);
}

void AnnounceModal(TWindowObject& form, bool modal) {
  QWidget* widget = form.Widget();
  if (widget == nullptr || widget->property(kModalProperty).toBool() == modal) return;
  widget->setProperty(kModalProperty, modal);
  QAccessible::State changed;
  changed.modal = true;
  QAccessibleStateChangeEvent event(widget, changed);
  QAccessible::updateAccessibility(&event);
}

}  // namespace kelvane
