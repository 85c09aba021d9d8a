#include "ui/WindowProperties.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "ui/Accessibility.h"
#include "ui/CanvasObject.h"
#include "ui/FontObject.h"
#include "ui/Layout.h"
#include "ui/WindowInternals.h"

namespace kelvane {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

// ---- properties -----------------------------------------------------------------

TWindowObject* TWindowObject::SetCaption(const std::string& caption) {
  if (caption == Caption_) return this;
  Caption_ = caption;
  if (Widget_ == nullptr) return this;
  const QString text = Q(caption);
  switch (Kind_) {
    case TWindowKind::Form: Widget_->setWindowTitle(text); break;
    case TWindowKind::Button: static_cast<QPushButton*>(Widget_)->setText(text); break;
    case TWindowKind::Label:
    case TWindowKind::WrapLabel: static_cast<QLabel*>(Widget_)->setText(text); break;
    case TWindowKind::GroupBox: static_cast<QGroupBox*>(Widget_)->setTitle(text); break;
    case TWindowKind::ComboBox: {
      auto* combo = static_cast<QComboBox*>(Widget_);
      if (combo->isEditable()) combo->setEditText(text);
      break;
    }
    default: break;
  }
  UpdateAccessibleNames(*this);
  return this;
}

TWindowObject* TWindowObject::BringToFront() {
  if (Widget_ != nullptr) Widget_->raise();
  return this;
}

void TWindowObject::SetVisible(bool visible) {
  VisibleSet_ = true;
  if (Widget_ == nullptr) {
    Visible_ = visible;
    return;
  }
  if (Widget_->isWindow()) {
    // A form may still wait for its first showing while Visible is true.
    if (visible == Visible_ && visible == Widget_->isVisible()) return;
    Visible_ = visible;
    Widget_->setVisible(visible);
    if (visible) Realign();
    return;
  }
  if (visible == Visible_) return;
  Visible_ = visible;
  Widget_->setVisible(visible);
  if (Parent_ != nullptr) {
    Parent_->Realign();
    if (Parent_->Internals_->AutoScroll) RecomputeScroll(*Parent_);
  }
  if (visible) Realign();
}

void TWindowObject::SetEnabled(bool enabled) {
  if (enabled == Enabled_) return;
  Enabled_ = enabled;
  if (Widget_ != nullptr) Widget_->setEnabled(enabled);
}

namespace {

void ApplyTextAlignment(TWindowObject& w) {
  Qt::Alignment horizontal = w.TextAlignment() == HorzRight    ? Qt::AlignRight
                             : w.TextAlignment() == HorzCenter ? Qt::AlignHCenter
                                                               : Qt::AlignLeft;
  Qt::Alignment vertical = w.VerticalAlignment() == VertCenter ? Qt::AlignVCenter
                           : w.VerticalAlignment() == VertTop  ? Qt::AlignTop
                                                               : Qt::AlignBottom;
  if (w.Kind() == TWindowKind::Label || w.Kind() == TWindowKind::WrapLabel) {
    auto* label = static_cast<QLabel*>(w.Widget());
    label->setAlignment(horizontal | vertical);
    // An aligned label wraps its words like a word-wrapping one.
    if (w.TextAlignment() != HorzLeft) label->setWordWrap(true);
  } else if (w.Kind() == TWindowKind::Button) {
    const char* side = w.TextAlignment() == HorzLeft    ? "left"
                       : w.TextAlignment() == HorzRight ? "right"
                                                        : "center";
    w.Widget()->setStyleSheet(QString("QPushButton { text-align: %1; }").arg(side));
  }
}

}  // namespace

TWindowObject* TWindowObject::SetTextAlignment(THorzAlign align) {
  if (align == TextAlignment_) return this;
  TextAlignment_ = align;
  ApplyTextAlignment(*this);
  return this;
}

TWindowObject* TWindowObject::SetVerticalAlignment(TVertAlign align) {
  if (align == VerticalAlignment_) return this;
  VerticalAlignment_ = align;
  ApplyTextAlignment(*this);
  return this;
}

void TWindowObject::SetCursor(const QCursor& cursor) {
  Cursor_ = cursor;
  if (Widget_ != nullptr) Widget_->setCursor(cursor);
}

void TWindowObject::SetColor(TColor color) {
  if (color == Color_) return;
  Color_ = color;
  ApplyPalette(*this);
}

void TWindowObject::SetTextColor(TColor color) {
  if (color == TextColor_) return;
  TextColor_ = color;
  ApplyPalette(*this);
}

namespace {

// Text colours apply to enabled controls only: the disabled group keeps the
// style's greyed text, so a disabled button or label looks disabled.
void SetTextRole(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
}

}  // namespace

void ApplyPalette(TWindowObject& w) {
  QWidget* wd = w.Widget();
  if (wd == nullptr) return;
  const QColor background = ResolveColor(w.Color());
  const QColor text = ResolveColor(w.TextColor());
  QPalette palette = wd->palette();
  switch (w.Kind()) {
    case TWindowKind::ListBox:
    case TWindowKind::ComboBox:
    case TWindowKind::ListView:
      palette.setColor(QPalette::Base, background);
      SetTextRole(palette, QPalette::Text, text);
      SetTextRole(palette, QPalette::WindowText, text);
      SetTextRole(palette, QPalette::ButtonText, text);
      break;
    case TWindowKind::Button:
      SetTextRole(palette, QPalette::ButtonText, text);
      break;
    default: {
      palette.setColor(QPalette::Window, background);
      SetTextRole(palette, QPalette::WindowText, text);
      // A control of its parent's colour lets the parent show through: the
      // style may draw the parent's area (a group box's panel) in a shade of
      // its own, and a filled label would stand out as a lighter block.
      const bool sameAsParent = w.Parent() != nullptr && w.Parent()->Kind() != TWindowKind::App &&
                                w.Parent()->Color() == w.Color() && w.Kind() != TWindowKind::Form &&
                                w.Kind() != TWindowKind::ScrollBox;
      wd->setAutoFillBackground(!sameAsParent);
      break;
    }
  }
  wd->setPalette(palette);
  QWidget* client = w.Internals().Client;
  if (client != nullptr && client != wd) {
    QPalette clientPalette = client->palette();
    clientPalette.setColor(QPalette::Window, background);
    client->setPalette(clientPalette);
    client->setAutoFillBackground(true);
  }
}

TFontObject& TWindowObject::Font() {
  if (Font_ == nullptr) {
    Font_ = std::make_unique<TFontObject>();
    Font_->SetColor(TextColor_);
  }
  if (!Font_->OnFontChange && Widget_ != nullptr) {
    Font_->OnFontChange = [this](TFontObject& font) {
      TextColor_ = font.Color();
      Widget_->setFont(font.ToQFont(QApplication::font()));
      ApplyPalette(*this);
    };
    Font_->OnFontChange(*Font_);
  }
  return *Font_;
}

TCanvasObject& TWindowObject::Canvas() {
  auto& canvas = Internals_->Canvas;
  if (canvas == nullptr) canvas = Own(std::make_unique<TCanvasObject>(*this));
  return *canvas;
}

void TWindowObject::SetResizable(bool resizable) {
  if (resizable == Resizable_) return;
  Resizable_ = resizable;
  if (Widget_ == nullptr || !Widget_->isWindow()) return;
  if (resizable) {
    Widget_->setMinimumSize(0, 0);
    Widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else {
    Widget_->setFixedSize(Widget_->size());
  }
}

namespace {
void ApplyTitleButtons(TWindowObject& w) {
  QWidget* wd = w.Widget();
  if (wd == nullptr || !wd->isWindow()) return;
  auto& in = w.Internals();
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint;
  if (in.MinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  if (in.MaximizeBox) flags |= Qt::WindowMaximizeButtonHint;
  const bool shown = wd->isVisible();
  wd->setWindowFlags(flags);
  if (shown) wd->show();  // changing the flags hides a window
}
}  // namespace

void TWindowObject::SetMinimizeBox(bool present) {
  Internals_->MinimizeBox = present;
  ApplyTitleButtons(*this);
}

void TWindowObject::SetMaximizeBox(bool present) {
  Internals_->MaximizeBox = present;
  ApplyTitleButtons(*this);
}

void TWindowObject::SetModalCode(int code) {
  ModalCode_ = code;
  if (code != 0 && Internals_->ModalLoop != nullptr) Internals_->ModalLoop->exit(0);
}

// ---- operations -------------------------------------------------------------------

void TWindowObject::Show() {
  if (Widget_ == nullptr) {
    SetVisible(true);
    return;
  }
  SetVisible(true);
  auto focus = [](TWindowObject& target) {
    if (target.Widget_ == nullptr || !target.Enabled_) return;
    ++target.Internals_->FocusingCounter;
    target.Widget_->setFocus(Qt::OtherFocusReason);
    --target.Internals_->FocusingCounter;
  };
  if (Kind_ == TWindowKind::Form) {
    Widget_->raise();
    Widget_->activateWindow();
    if (Parent_ != nullptr && Parent_->Kind_ == TWindowKind::App) Parent_->FocusedChild_ = this;
    if (FocusedChild_ != nullptr) focus(*FocusedChild_);
  } else if (TabStop_) {
    focus(*this);
  }
}

void TWindowObject::Close() {
  if (Kind_ == TWindowKind::App) {
    Terminate();
    return;
  }
  if (Widget_ == nullptr || Kind_ != TWindowKind::Form) return;
  QPointer<QWidget> widget = Widget_;
  QMetaObject::invokeMethod(
      qApp, [widget] { if (widget) widget->close(); }, Qt::QueuedConnection);
}

namespace {

// A box titled with the application window's caption over the active window
// (or the main form).
int RunBox(const std::string& text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault) {
  TWindowObject* app = CurrentAppWindow();
  TWindowObject* mainForm = app != nullptr ? MainFormOf(*app) : nullptr;
  QWidget* owner = QApplication::activeWindow();
  if (owner == nullptr && mainForm != nullptr) owner = mainForm->Widget();
  QMessageBox box(QMessageBox::NoIcon, app != nullptr ? Q(app->Caption()) : QString(), Q(text), buttons,
                  app != nullptr ? owner : nullptr);
  box.setDefaultButton(byDefault);
  return box.exec();
}

}  // namespace

void TWindowObject::ShowMessageBox(const std::string& text) { RunBox(text, QMessageBox::Ok, QMessageBox::Ok); }

bool TWindowObject::AskYesNo(const std::string& text) {
  return RunBox(text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TWindowObject::AttachHandler(std::shared_ptr<TMessageHandler> handler) {
  auto& chain = Internals_->Handlers;
  if (handler == nullptr || std::find(chain.begin(), chain.end(), handler) != chain.end()) return;
  chain.push_back(std::move(handler));
}

void TWindowObject::DetachHandler(const std::shared_ptr<TMessageHandler>& handler) {
  auto& chain = Internals_->Handlers;
  chain.erase(std::remove(chain.begin(), chain.end(), handler), chain.end());
}

void TWindowObject::DeleteLater() {
  std::weak_ptr<bool> alive = Internals_->Alive;
  QTimer::singleShot(0, qApp, [this, alive] {
    if (auto flag = alive.lock(); flag && *flag) delete this;
  });
}

// ---- items -------------------------------------------------------------------------
// List boxes, combo boxes and list views have items of their own (ListBox.h,
// ComboBox.h, ListView.h); labels and buttons treat their caption as one.

namespace {
bool HasCaptionItems(const TWindowObject& w) {
  return w.Kind() == TWindowKind::Label || w.Kind() == TWindowKind::WrapLabel || w.Kind() == TWindowKind::Button;
}
}  // namespace

int TWindowObject::ItemCount() const { return 0; }
std::string TWindowObject::ItemText(int) const { return {}; }
void TWindowObject::SetItemText(int, const std::string&) {}

int TWindowObject::AddItem(const std::string& text) {
  if (!HasCaptionItems(*this)) return -1;
  SetCaption(Caption_ + text);
  return 0;
}

int TWindowObject::SelectedIndex() const { return -1; }
void TWindowObject::SetSelectedIndex(int) {}

void TWindowObject::Clear() {
  if (HasCaptionItems(*this)) SetCaption(std::string());
}

int TWindowObject::FindItem(const std::string& prefix, int startIndex) const {
  const int count = ItemCount();
  const QString wanted = QString::fromStdString(prefix);
  for (int step = 1; step <= count; ++step) {
    const int index = ((startIndex < 0 ? -1 : startIndex) + step) % count;
    if (QString::fromStdString(ItemText(index)).startsWith(wanted, Qt::CaseInsensitive)) return index;
  }
  return -1;
}

}  // namespace kelvane
