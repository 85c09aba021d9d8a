#include "ui/WindowObject.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "ui/Application.h"
#include "ui/CanvasObject.h"
#include "ui/FontObject.h"
#include "ui/WindowInternals.h"

namespace kelvane {

namespace {

// ---- widgets of the kinds that need more than a stock Qt widget -----------

// A form: an optional menu bar over a client widget that holds the controls.
class TFormWidget final : public QWidget {
 public:
  TFormWidget() { setProperty("kelvaneForm", true); }
};

// A paint area: the background colour, what the canvas drew outside paint
// events, then OnPaint.
class TPaintWidget final : public QWidget {
 public:
  explicit TPaintWidget(TWindowObject& owner, QWidget* parent) : QWidget(parent), Owner_(owner) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), ResolveColor(Owner_.Color()));
    TCanvasObject& canvas = Owner_.Canvas();
    if (!canvas.Backing().isNull()) painter.drawImage(0, 0, canvas.Backing());
    if (Owner_.OnPaint) {
      TPaintEvent handler = Owner_.OnPaint;
      canvas.BeginPaint(painter);
      handler(&Owner_, canvas);
      canvas.EndPaint();
    }
  }

 private:
  TWindowObject& Owner_;
};

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

// A combo box that reports its drop-down opening and closing.
class TComboWidget final : public QComboBox {
 public:
  TComboWidget(TWindowObject& owner, QWidget* parent) : QComboBox(parent), Owner_(owner) {}

  void showPopup() override {
    auto& in = Owner_.Internals();
    in.ListOpen = true;
    in.IndexAtOpen = currentIndex();
    QComboBox::showPopup();
    if (Owner_.OnListOpen) {
      TNotifyEvent handler = Owner_.OnListOpen;
      handler(&Owner_);
    }
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    auto& in = Owner_.Internals();
    if (!in.ListOpen) return;
    in.ListOpen = false;
    if (Owner_.OnListClose) {
      TNotifyEvent handler = Owner_.OnListClose;
      handler(&Owner_);
    }
  }

 private:
  TWindowObject& Owner_;
};

int FloorDiv2(int value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); }

bool IsMainForm(const TWindowObject& w) {
  if (w.Kind() != TWindowKind::Form) return false;
  if (w.Parent() == nullptr) return true;
  if (w.Parent()->Kind() != TWindowKind::App) return false;
  for (TWindowObject* child : w.Parent()->Children())
    if (child->Kind() == TWindowKind::Form) return child == &w;
  return false;
}

bool HasFocusEvents(TWindowKind kind) {
  return kind == TWindowKind::Button || kind == TWindowKind::GroupBox || kind == TWindowKind::ListBox ||
         kind == TWindowKind::ComboBox || kind == TWindowKind::ListView;
}

bool ClicksOnPress(TWindowKind kind) {
  return kind == TWindowKind::Label || kind == TWindowKind::WrapLabel || kind == TWindowKind::PaintArea ||
         kind == TWindowKind::Panel;
}

TMessageKind KindOf(QEvent::Type type) {
  switch (type) {
    case QEvent::Close: return TMessageKind::Close;
    case QEvent::Show: return TMessageKind::Show;
    case QEvent::Hide: return TMessageKind::Hide;
    case QEvent::Move: return TMessageKind::Move;
    case QEvent::Resize: return TMessageKind::Resize;
    case QEvent::Paint: return TMessageKind::Paint;
    case QEvent::MouseButtonPress: return TMessageKind::MouseDown;
    case QEvent::MouseButtonRelease: return TMessageKind::MouseUp;
    case QEvent::MouseMove: return TMessageKind::MouseMove;
    case QEvent::MouseButtonDblClick: return TMessageKind::MouseDoubleClick;
    case QEvent::Wheel: return TMessageKind::MouseWheel;
    case QEvent::KeyPress: return TMessageKind::KeyDown;
    case QEvent::KeyRelease: return TMessageKind::KeyUp;
    case QEvent::FocusIn: return TMessageKind::FocusIn;
    case QEvent::FocusOut: return TMessageKind::FocusOut;
    default: return TMessageKind::Other;
  }
}

std::uint8_t ButtonNumber(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 3;
    default: return 0;
  }
}

std::uint32_t KeyFlagsOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  std::uint32_t flags = 0;
  if (buttons & Qt::LeftButton) flags |= MkLButton;
  if (buttons & Qt::RightButton) flags |= MkRButton;
  if (buttons & Qt::MiddleButton) flags |= MkMButton;
  if (modifiers & Qt::ShiftModifier) flags |= MkShift;
  if (modifiers & Qt::ControlModifier) flags |= MkControl;
  if (modifiers & Qt::AltModifier) flags |= MkAlt;
  return flags;
}

std::int16_t Clamp16(int value) {
  return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// ---- message handlers ---------------------------------------------------------

namespace {
class TFunctionHandler final : public TMessageHandler {
 public:
  explicit TFunctionHandler(std::function<bool(TWindowObject&, TMessage&)> fn) : Fn_(std::move(fn)) {}
  bool HandleMessage(TWindowObject& window, TMessage& message) override { return Fn_(window, message); }

 private:
  std::function<bool(TWindowObject&, TMessage&)> Fn_;
};

// OnMessage of the application window (while the loop runs), the object's
// OnMessage, then the handler chain, newest first.
bool RunMessageHandlers(TWindowObject& w, TMessage& message) {
  auto alive = w.Internals().Alive;
  TToolkitState& t = Toolkit();
  if (t.Running && t.RunningApp != nullptr && t.RunningApp != &w && t.RunningApp->OnMessage) {
    TMessageEvent handler = t.RunningApp->OnMessage;
    if (handler(&w, message)) return true;
    if (!*alive) return true;
  }
  if (w.OnMessage) {
    TMessageEvent handler = w.OnMessage;
    if (handler(&w, message)) return true;
    if (!*alive) return true;
  }
  // A copy keeps the chain stable while a handler attaches or detaches.
  std::vector<std::shared_ptr<TMessageHandler>> chain = w.Internals().Handlers;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if ((*it)->HandleMessage(w, message)) return true;
    if (!*alive) return true;
  }
  return false;
}
}  // namespace

std::shared_ptr<TMessageHandler> MakeMessageHandler(std::function<bool(TWindowObject&, TMessage&)> handler) {
  return std::make_shared<TFunctionHandler>(std::move(handler));
}

bool DispatchCommand(TWindowObject& owner, int commandId, int source) {
  TMessage message;
  message.Kind = TMessageKind::Command;
  message.CommandId = commandId;
  message.CommandSource = source;
  return RunMessageHandlers(owner, message);
}

void FireSelectionChange(TWindowObject& w) {
  if (w.Internals().Programmatic != 0) return;
  TNotifyEvent handler = w.OnSelectionChange ? w.OnSelectionChange : w.OnChange;
  if (handler) handler(&w);
}

// ---- the event bridge: Qt events to toolkit events ----------------------------

namespace {

void FireNotify(TWindowObject& w, const TNotifyEvent& slot) {
  if (!slot) return;
  TNotifyEvent handler = slot;
  handler(&w);
}

void SyncFormBounds(TWindowObject& w) {
  QWidget* wd = w.Widget();
  QRect frame = wd->frameGeometry();
  TRect now{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
  TRect old = w.Bounds();
  if (now == old) return;
  TToolkitAccess::SetBoundsQuietly(w, now);
  if (now.Width() != old.Width() || now.Height() != old.Height()) {
    ApplyGeometry(w);
    w.Realign();
  }
}

// Minimising the main form minimises the application: the other forms are
// hidden with it and come back when it is restored.
void FollowMainFormState(TWindowObject& w) {
  if (!IsMainForm(w) || w.Parent() == nullptr) return;
  auto& in = w.Internals();
  bool minimised = (w.Widget()->windowState() & Qt::WindowMinimized) != 0;
  if (minimised && !in.MinimisedApp) {
    in.MinimisedApp = true;
    in.HiddenByMinimise.clear();
    for (TWindowObject* form : w.Parent()->Children()) {
      if (form == &w || form->Kind() != TWindowKind::Form || !form->Widget()->isVisible()) continue;
      in.HiddenByMinimise.emplace_back(form->Widget());
      form->Widget()->hide();
    }
  } else if (!minimised && in.MinimisedApp) {
    in.MinimisedApp = false;
    for (auto& widget : in.HiddenByMinimise)
      if (widget) widget->show();
    in.HiddenByMinimise.clear();
  }
}

bool HandleMouse(TWindowObject& w, QObject* watched, QEvent* event) {
  auto alive = w.Internals().Alive;
  QWidget* source = qobject_cast<QWidget*>(watched);
  if (source == nullptr || w.Widget() == nullptr) return false;
  // A disabled control, or one on a form disabled by a modal window, takes
  // no mouse input: no mouse events and above all no OnClick.
  if (!w.Widget()->isEnabled()) return false;
  TMouseRecord record;
  QPoint pos;
  TMouseEvent slot;
  if (event->type() == QEvent::Wheel) {
    auto* we = static_cast<QWheelEvent*>(event);
    pos = we->position().toPoint();
    record.KeyFlags = KeyFlagsOf(we->buttons(), we->modifiers());
    record.WheelDelta = we->angleDelta().y();
    slot = w.OnMouseWheel;
  } else {
    auto* me = static_cast<QMouseEvent*>(event);
    pos = me->position().toPoint();
    record.KeyFlags = KeyFlagsOf(me->buttons(), me->modifiers());
    switch (event->type()) {
      case QEvent::MouseButtonPress: record.MouseButton = ButtonNumber(me->button()); slot = w.OnMouseDown; break;
      case QEvent::MouseButtonRelease: record.MouseButton = ButtonNumber(me->button()); slot = w.OnMouseUp; break;
      case QEvent::MouseButtonDblClick:
        record.MouseButton = ButtonNumber(me->button());
        slot = w.OnMouseDoubleClick;
        break;
      default: slot = w.OnMouseMove; break;
    }
  }
  if (source != w.Widget()) pos = source->mapTo(w.Widget(), pos);
  record.PosX = Clamp16(pos.x());
  record.PosY = Clamp16(pos.y());
  if (slot) {
    slot(&w, record);
    if (!*alive) return true;
  }
  if (record.Handled != 0) return true;

  // Clicks of labels and paint areas come with the press of the left button;
  // a double-click is not a second click.
  if (event->type() == QEvent::MouseButtonPress && record.MouseButton == 1 && ClicksOnPress(w.Kind()) &&
      w.Internals().FocusingCounter == 0)
    FireNotify(w, w.OnClick);
  if (event->type() == QEvent::MouseButtonRelease && w.Kind() == TWindowKind::ListView &&
      (record.MouseButton == 1 || record.MouseButton == 2))
    FireNotify(w, w.OnClick);
  if (event->type() == QEvent::Wheel && w.Kind() == TWindowKind::ScrollBox && w.Internals().VBar != nullptr &&
      !w.Internals().VBar->isHidden()) {
    QScrollBar* bar = w.Internals().VBar;
    bar->setValue(bar->value() - record.WheelDelta / 120 * 48);
    return true;
  }
  return false;
}

bool HandleClose(TWindowObject& w, QCloseEvent* event) {
  auto alive = w.Internals().Alive;
  bool accept = true;
  if (w.OnClose) {
    TCloseEvent handler = w.OnClose;
    handler(&w, accept);
    if (!*alive) return true;
  }
  if (!accept) {
    event->ignore();
    return true;
  }
  w.OnClose = nullptr;
  if (IsMainForm(w)) {
    // The whole program ends; the forms are destroyed when the loop returns.
    event->ignore();
    Terminate();
    return true;
  }
  // Any other form is hidden by Qt now and released afterwards.
  TToolkitAccess::SetVisibleField(w, false);
  w.DeleteLater();
  return false;
}

}  // namespace

bool TEventBridge::eventFilter(QObject* watched, QEvent* event) {
  TWindowObject& w = Owner_;
  auto alive = w.Internals().Alive;
  if (!*alive) return false;
  const bool own = watched == w.Widget();

  TMessage message;
  message.Kind = KindOf(event->type());
  message.Event = event;
  if (RunMessageHandlers(w, message)) {
    // A consumed close request is a refused one.
    if (event->type() == QEvent::Close) event->ignore();
    return true;
  }
  if (!*alive) return true;

  switch (event->type()) {
    case QEvent::Close:
      if (own && w.Kind() == TWindowKind::Form) return HandleClose(w, static_cast<QCloseEvent*>(event));
      return false;
    case QEvent::Show:
      if (own && !w.Internals().ShownOnScreen) {
        w.Internals().ShownOnScreen = true;
        FireNotify(w, w.OnShow);
      }
      return false;
    case QEvent::Hide:
      if (own && w.Internals().ShownOnScreen) {
        w.Internals().ShownOnScreen = false;
        FireNotify(w, w.OnHide);
      }
      return false;
    case QEvent::Move:
    case QEvent::Resize:
      if (own && w.Kind() == TWindowKind::Form) SyncFormBounds(w);
      if (own && w.Kind() == TWindowKind::ScrollBox && w.Internals().AutoScroll) RecomputeScroll(w);
      return false;
    case QEvent::WindowStateChange:
      if (own) FollowMainFormState(w);
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      return HandleMouse(w, watched, event);
    case QEvent::FocusIn: {
      TWindowObject* form = w.Form();
      if (form != nullptr && form != &w) TToolkitAccess::SetFocusedChild(*form, &w);
      // Focus that arrives with the window's activation or from code is moved
      // by the program, not by a click of the user: a click it sets off is
      // not the user's.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      const bool moved = reason == Qt::ActiveWindowFocusReason || reason == Qt::OtherFocusReason;
      if (moved) ++w.Internals().FocusingCounter;
      if (HasFocusEvents(w.Kind())) FireNotify(w, w.OnFocusIn);
      if (moved && *alive) --w.Internals().FocusingCounter;
      return false;
    }
    case QEvent::FocusOut:
      if (HasFocusEvents(w.Kind())) FireNotify(w, w.OnFocusOut);
      return false;
    case QEvent::WindowActivate:
      if (own && w.Kind() == TWindowKind::Form && w.Parent() != nullptr && w.Parent()->Kind() == TWindowKind::App)
        TToolkitAccess::SetFocusedChild(*w.Parent(), &w);
      return false;
    default:
      return false;
  }
}

// ---- geometry and layout ------------------------------------------------------

namespace {

int MenuBarHeight(const TWindowObject& w) {
  QMenuBar* bar = const_cast<TWindowObject&>(w).Internals().MenuBar;
  if (bar == nullptr || bar->actions().isEmpty()) return 0;
  return bar->sizeHint().height();
}

int ScrollBarExtent(const QWidget* w) { return w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w); }

// Places the menu bar, client widget and scroll bars inside a widget.
void LayoutParts(TWindowObject& w) {
  QWidget* wd = w.Widget();
  auto& in = w.Internals();
  switch (w.Kind()) {
    case TWindowKind::Form: {
      int menuHeight = MenuBarHeight(w);
      if (in.MenuBar != nullptr) {
        in.MenuBar->setGeometry(0, 0, wd->width(), menuHeight);
        in.MenuBar->setVisible(menuHeight > 0);
      }
      in.Client->setGeometry(0, menuHeight, wd->width(), std::max(0, wd->height() - menuHeight));
      break;
    }
    case TWindowKind::Panel:
      in.Client->setGeometry(static_cast<QFrame*>(wd)->contentsRect());
      break;
    case TWindowKind::ScrollBox: {
      QRect area = static_cast<QFrame*>(wd)->contentsRect();
      int extent = ScrollBarExtent(wd);
      bool h = !in.HBar->isHidden();
      bool v = !in.VBar->isHidden();
      int clientWidth = std::max(0, area.width() - (v ? extent : 0));
      int clientHeight = std::max(0, area.height() - (h ? extent : 0));
      in.HBar->setGeometry(area.left(), area.top() + clientHeight, clientWidth, extent);
      in.VBar->setGeometry(area.left() + clientWidth, area.top(), extent, clientHeight);
      in.Client->setGeometry(area.left(), area.top(), clientWidth, clientHeight);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void ApplyGeometry(TWindowObject& w) {
  QWidget* wd = w.Widget();
  if (wd == nullptr) return;
  TRect b = w.Bounds();
  if (wd->isWindow()) {
    // Bounds is the outer frame; the widget's own geometry excludes it.
    QRect frame = wd->frameGeometry();
    QRect inner = wd->geometry();
    int frameWidth = frame.width() - inner.width();
    int frameHeight = frame.height() - inner.height();
    if (w.Internals().PositionSet) wd->move(b.Left, b.Top);
    QSize size(std::max(0, b.Width() - frameWidth), std::max(0, b.Height() - frameHeight));
    if (!w.Resizable()) wd->setFixedSize(size);
    wd->resize(size);
  } else {
    wd->setGeometry(b.Left, b.Top, std::max(0, b.Width()), std::max(0, b.Height()));
  }
  LayoutParts(w);
}

TRect ClientRect(const TWindowObject& w) {
  if (w.Widget() == nullptr) return TRect{};
  QWidget* client = const_cast<TWindowObject&>(w).Internals().Client;
  if (client != nullptr && client != w.Widget()) return TRect{0, 0, client->width(), client->height()};
  TRect b = w.Bounds();
  return TRect{0, 0, b.Width(), b.Height()};
}

bool WillBeVisible(const TWindowObject& w) {
  if (!w.Visible()) return false;
  if (w.Parent() == nullptr || w.Kind() == TWindowKind::Form || w.Kind() == TWindowKind::App) return true;
  return WillBeVisible(*w.Parent());
}

void TWindowObject::Realign() {
  if (Widget_ == nullptr) return;
  TRect work = ClientRect(*this);
  work.Left += Margins_.Left;
  work.Top += Margins_.Top;
  work.Right -= Margins_.Right;
  work.Bottom -= Margins_.Bottom;
  const int b = Spacing_;
  // Top and bottom first, then left and right in what is left, then the client.
  const TAlign passes[3][2] = {{AlignTop, AlignBottom}, {AlignLeft, AlignRight}, {AlignClient, AlignClient}};
  std::vector<TWindowObject*> children = Children_;
  for (const auto& pass : passes) {
    for (TWindowObject* child : children) {
      if (child->Align_ != pass[0] && child->Align_ != pass[1]) continue;
      if (!WillBeVisible(*child)) continue;
      TRect r = child->Bounds_;
      const int width = r.Width();
      const int height = r.Height();
      switch (child->Align_) {
        case AlignTop:
          r.Top = work.Top + b;
          r.Bottom = r.Top + height;
          r.Left = work.Left + b;
          r.Right = work.Right - b;
          work.Top += b + height;
          break;
        case AlignBottom:
          r.Bottom = work.Bottom - b;
          r.Top = r.Bottom - height;
          r.Left = work.Left + b;
          r.Right = work.Right - b;
          work.Bottom -= b + height;
          break;
        case AlignLeft:
          r.Left = work.Left + b;
          r.Right = r.Left + width;
          r.Top = work.Top + b;
          r.Bottom = work.Bottom - b;
          work.Left += b + width;
          break;
        case AlignRight:
          r.Right = work.Right - b;
          r.Left = r.Right - width;
          r.Top = work.Top + b;
          r.Bottom = work.Bottom - b;
          work.Right -= b + width;
          break;
        case AlignClient:
          r = TRect{work.Left + b, work.Top + b, work.Right - b, work.Bottom - b};
          break;
        case AlignNone:
          break;
      }
      // A parent too small for its children gives them no room, never a negative size.
      if (r.Right < r.Left) r.Right = r.Left;
      if (r.Bottom < r.Top) r.Bottom = r.Top;
      child->SetBounds(r);
    }
  }
}

// ---- the auto-scroll box --------------------------------------------------------

namespace {

// The union of the visible children's bounds, widened by the box's spacing.
TRect ScrollExtent(const TWindowObject& box) {
  TRect extent;
  bool any = false;
  for (TWindowObject* child : box.Children()) {
    if (!child->Visible()) continue;
    TRect r = child->Bounds();
    if (!any) {
      extent = r;
      any = true;
    } else {
      extent.Left = std::min(extent.Left, r.Left);
      extent.Top = std::min(extent.Top, r.Top);
      extent.Right = std::max(extent.Right, r.Right);
      extent.Bottom = std::max(extent.Bottom, r.Bottom);
    }
  }
  const int b = box.Spacing();
  return TRect{extent.Left - b, extent.Top - b, extent.Right + b, extent.Bottom + b};
}

TScrollInfo BarInfo(int extentStart, int extentSize, int clientSize) {
  TScrollInfo info;
  info.Min = 0;
  info.Max = extentSize;
  info.Page = clientSize;
  // The position says how far the contents are scrolled; it cannot go past
  // the point where the end of the contents meets the end of the client area.
  info.Pos = std::clamp(-extentStart, 0, std::max(0, extentSize - clientSize));
  return info;
}

void ApplyBar(QScrollBar* bar, const TScrollInfo& info) {
  QSignalBlocker block(bar);
  bar->setRange(0, std::max(0, info.Max - info.Page));
  bar->setPageStep(std::max(1, info.Page));
  bar->setSingleStep(1);
  bar->setValue(info.Pos);
}

}  // namespace

void RecomputeScroll(TWindowObject& box) {
  auto& in = box.Internals();
  if (!in.AutoScroll || in.SuppressScroll != 0 || box.Widget() == nullptr) return;
  ++in.SuppressScroll;
  bool changed = false;
  // Showing one bar narrows the client area, which may call for the other.
  for (int round = 0; round < 3; ++round) {
    LayoutParts(box);
    TRect extent = ScrollExtent(box);
    TRect client = ClientRect(box);
    TScrollInfo h = BarInfo(extent.Left, extent.Width(), client.Width());
    TScrollInfo v = BarInfo(extent.Top, extent.Height(), client.Height());
    if (!(h == in.HInfo) || !(v == in.VInfo)) changed = true;
    in.HInfo = h;
    in.VInfo = v;
    bool showH = h.Max > h.Page;
    bool showV = v.Max > v.Page;
    bool barsChanged = showH == in.HBar->isHidden() || showV == in.VBar->isHidden();
    in.HBar->setHidden(!showH);
    in.VBar->setHidden(!showV);
    if (!barsChanged) break;
  }
  LayoutParts(box);
  ApplyBar(in.HBar, in.HInfo);
  ApplyBar(in.VBar, in.VInfo);
  --in.SuppressScroll;
  if (changed) ScrollChildren(box);
}

void ScrollChildren(TWindowObject& box) {
  auto& in = box.Internals();
  TRect extent = ScrollExtent(box);
  const int dx = -in.HInfo.Pos - extent.Left;
  const int dy = -in.VInfo.Pos - extent.Top;
  if (dx == 0 && dy == 0) return;
  ++in.SuppressScroll;
  for (TWindowObject* child : box.Children()) {
    TRect r = child->Bounds();
    child->SetBounds(TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy});
  }
  --in.SuppressScroll;
  RecomputeScroll(box);
}

TScrollInfo TWindowObject::ScrollInfo(TScrollBar bar) const {
  return bar == TScrollBar::Horizontal ? Internals_->HInfo : Internals_->VInfo;
}

// ---- construction and destruction -------------------------------------------------

TWindowObject::TWindowObject(TWindowKind kind, TWindowObject* parent)
    : Kind_(kind), Parent_(parent), Internals_(std::make_unique<TInternals>()) {
  EnsureToolkit();
  if (parent == nullptr) return;
  // A child takes over its parent's look at the moment it is made.
  Color_ = parent->Color_;
  Cursor_ = parent->Cursor_;
  TextColor_ = parent->TextColor_;
  Spacing_ = parent->Spacing_;
  if (parent->Font_ != nullptr) {
    Font_ = std::make_unique<TFontObject>();
    Font_->Assign(*parent->Font_);
  }
  const int s = parent->Spacing_;
  Bounds_ = TRect{s, s + parent->Margins_.Top, s + 64, s + 64};
  parent->Children_.push_back(this);
}

TWindowObject::~TWindowObject() {
  auto& in = *Internals_;
  if (TWindowObject* form = Form(); form != nullptr && form != this && form->FocusedChild_ == this)
    form->FocusedChild_ = nullptr;
  // From here on Qt events of the widget (hiding, children going away) no
  // longer reach the handlers of an object that is half gone.
  *in.Alive = false;
  BeginDestroy();
  while (!Children_.empty()) delete Children_.back();
  if (in.ModalLoop != nullptr) in.ModalLoop->exit(0);
  Canvas_.reset();
  Font_.reset();
  Menu_ = nullptr;
  while (!in.Menus.empty()) in.Menus.pop_back();
  in.MenuBar = nullptr;
  while (!in.ImageLists.empty()) in.ImageLists.pop_back();
  if (Widget_ != nullptr) {
    QWidget* widget = Widget_;
    Widget_ = nullptr;
    delete widget;  // the bridge is a child of the widget and goes with it
  }
  if (Parent_ != nullptr) {
    auto& siblings = Parent_->Children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    if (Parent_->FocusedChild_ == this) Parent_->FocusedChild_ = nullptr;
  }
  TToolkitState& t = Toolkit();
  if (t.App == this) t.App = nullptr;
  if (t.RunningApp == this) t.RunningApp = nullptr;
  in.Handlers.clear();
}

TWindowObject* TWindowObject::Form() {
  for (TWindowObject* w = this; w != nullptr; w = w->Parent_)
    if (w->Kind_ == TWindowKind::Form) return w;
  return nullptr;
}

void TToolkitAccess::SetWidget(TWindowObject& w, QWidget* widget) {
  auto& in = *w.Internals_;
  w.Widget_ = widget;
  in.Bridge = new TEventBridge(w);
  in.Bridge->setParent(widget);
  widget->installEventFilter(in.Bridge);
  widget->setMouseTracking(true);
  if (in.Client == nullptr) in.Client = widget;
  widget->setCursor(w.Cursor_);
  if (w.Font_ != nullptr) {
    w.Font_->OnFontChange = nullptr;
    TFontObject copy;
    copy.Assign(*w.Font_);
    w.Font_.reset();
    w.Font().Assign(copy);  // hooks the change event and applies the font
  }
  ApplyPalette(w);
  ApplyGeometry(w);
  if (!widget->isWindow()) widget->setVisible(w.Visible_);
}

void RegisterControl(TWindowObject& control, bool tabStop) {
  TToolkitState& t = Toolkit();
  TWindowObject* form = control.Form();
  // Identifiers stay within 16 bits, as control identifiers always have.
  const int id = t.NextControlId;
  t.NextControlId = (t.NextControlId + 1) & 0xFFFF;
  const int tabOrder = form != nullptr ? form->Internals().ControlCount++ : 0;
  TToolkitAccess::SetIds(control, id, tabOrder);
  TToolkitAccess::SetTabStop(control, tabStop);
  if (form != nullptr && tabStop && form->FocusedChild() == nullptr) TToolkitAccess::SetFocusedChild(*form, &control);
}

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
  return this;
}

TWindowObject* TWindowObject::SetBounds(const TRect& bounds) {
  if (bounds == Bounds_) return this;
  const bool sized = bounds.Width() != Bounds_.Width() || bounds.Height() != Bounds_.Height();
  if (bounds.Left != Bounds_.Left || bounds.Top != Bounds_.Top) Internals_->PositionSet = true;
  Bounds_ = bounds;
  ApplyGeometry(*this);
  if (sized) {
    Realign();
    if (Internals_->AutoScroll) RecomputeScroll(*this);
  }
  if (Parent_ != nullptr && Parent_->Internals_->AutoScroll) RecomputeScroll(*Parent_);
  return this;
}

TWindowObject* TWindowObject::MoveTo(int left, int top) {
  return SetBounds(TRect{left, top, left + Bounds_.Width(), top + Bounds_.Height()});
}

TWindowObject* TWindowObject::ResizeTo(int width, int height) {
  TRect r = Bounds_;
  if (width > 0) r.Right = r.Left + width;
  if (height > 0) r.Bottom = r.Top + height;
  return SetBounds(r);
}

TWindowObject* TWindowObject::BringToFront() {
  if (Widget_ != nullptr) Widget_->raise();
  return this;
}

TWindowObject* TWindowObject::SetAlignment(TAlign align) {
  if (align == Align_) return this;
  Align_ = align;
  if (Parent_ != nullptr) Parent_->Realign();
  return this;
}

void TWindowObject::SetSpacing(int spacing) {
  if (spacing == Spacing_) return;
  Spacing_ = spacing;
  Realign();
  if (Internals_->AutoScroll) RecomputeScroll(*this);
}

void TWindowObject::SetMargins(const TMargins& margins) {
  if (margins == Margins_) return;
  Margins_ = margins;
  Realign();
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

// Text colours apply to enabled controls only: the disabled group keeps the
// style's greyed text, so a disabled button or label looks disabled.
static void SetTextRole(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
}

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
  if (Canvas_ == nullptr) Canvas_ = std::make_unique<TCanvasObject>(*this);
  return *Canvas_;
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

void TWindowObject::CenterOnScreen() {
  if (Parent_ != nullptr && Kind_ != TWindowKind::Form) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  MoveTo(area.left() + FloorDiv2(area.width() - Bounds_.Width()),
         area.top() + FloorDiv2(area.height() - Bounds_.Height()));
}

void TWindowObject::ShowMessageBox(const std::string& text) {
  TWindowObject* app = CurrentAppWindow();
  QWidget* owner = QApplication::activeWindow();
  if (owner == nullptr && MainForm() != nullptr) owner = MainForm()->Widget();
  QMessageBox box(QMessageBox::NoIcon, app != nullptr ? Q(app->Caption()) : QString(), Q(text), QMessageBox::Ok,
                  app != nullptr ? owner : nullptr);
  box.exec();
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

// ---- items of list boxes and combo boxes -------------------------------------------

namespace {
QListWidget* ListOf(const TWindowObject& w) {
  return w.Kind() == TWindowKind::ListBox ? static_cast<QListWidget*>(w.Widget()) : nullptr;
}
QComboBox* ComboOf(const TWindowObject& w) {
  return w.Kind() == TWindowKind::ComboBox ? static_cast<QComboBox*>(w.Widget()) : nullptr;
}
bool HasCaptionItems(const TWindowObject& w) {
  return w.Kind() == TWindowKind::Label || w.Kind() == TWindowKind::WrapLabel || w.Kind() == TWindowKind::Button;
}
}  // namespace

int TWindowObject::ItemCount() const {
  if (auto* list = ListOf(*this)) return list->count();
  if (auto* combo = ComboOf(*this)) return combo->count();
  return 0;
}

std::string TWindowObject::ItemText(int index) const {
  if (index < 0 || index >= ItemCount()) return {};
  if (auto* list = ListOf(*this)) return list->item(index)->text().toStdString();
  if (auto* combo = ComboOf(*this)) return combo->itemText(index).toStdString();
  return {};
}

void TWindowObject::SetItemText(int index, const std::string& text) {
  if (index < 0 || index >= ItemCount()) return;
  TProgrammaticChange quiet(*this);
  // The item is removed and inserted anew: a selection on it is lost, and
  // Qt must not move the selection to a neighbour meanwhile.
  const bool wasSelected = SelectedIndex() == index;
  if (auto* list = ListOf(*this)) {
    delete list->takeItem(index);
    list->insertItem(index, Q(text));
    if (wasSelected) {
      list->clearSelection();
      list->setCurrentRow(-1);
    }
  } else if (auto* combo = ComboOf(*this)) {
    const int current = combo->currentIndex();
    combo->removeItem(index);
    combo->insertItem(index, Q(text));
    combo->setCurrentIndex(wasSelected ? -1 : current);
  }
}

int TWindowObject::AddItem(const std::string& text) {
  if (HasCaptionItems(*this)) {
    SetCaption(Caption_ + text);
    return 0;
  }
  TProgrammaticChange quiet(*this);
  int index = -1;
  if (auto* list = ListOf(*this)) {
    auto* item = new QListWidgetItem(Q(text));
    list->addItem(item);
    index = list->row(item);
    // Only a list that allows several selected items selects its first item.
    if (list->count() == 1 && list->selectionMode() == QAbstractItemView::MultiSelection) item->setSelected(true);
  } else if (auto* combo = ComboOf(*this)) {
    combo->addItem(Q(text));
    index = combo->count() - 1;
    if (combo->property("kelvaneSorted").toBool()) {
      combo->model()->sort(0);
      index = combo->findText(Q(text), Qt::MatchExactly);
    }
    if (combo->count() == 1) combo->setCurrentIndex(0);
  }
  return index;
}

int TWindowObject::SelectedIndex() const {
  if (auto* list = ListOf(*this)) {
    if (list->selectionMode() == QAbstractItemView::SingleSelection) {
      const auto selected = list->selectedItems();
      return selected.isEmpty() ? -1 : list->row(selected.first());
    }
    return list->currentRow();
  }
  if (auto* combo = ComboOf(*this)) return combo->currentIndex();
  return -1;
}

void TWindowObject::SetSelectedIndex(int index) {
  TProgrammaticChange quiet(*this);
  if (index >= ItemCount()) index = -1;
  if (auto* list = ListOf(*this)) {
    if (index < 0) {
      list->clearSelection();
      list->setCurrentRow(-1);
    } else {
      list->setCurrentRow(index);
    }
  } else if (auto* combo = ComboOf(*this)) {
    combo->setCurrentIndex(std::max(-1, index));
  }
}

void TWindowObject::Clear() {
  if (HasCaptionItems(*this)) {
    SetCaption(std::string());
    return;
  }
  TProgrammaticChange quiet(*this);
  if (auto* list = ListOf(*this)) list->clear();
  if (auto* combo = ComboOf(*this)) combo->clear();
}

int TWindowObject::FindItem(const std::string& prefix, int startIndex) const {
  const int count = ItemCount();
  const QString wanted = Q(prefix);
  for (int step = 1; step <= count; ++step) {
    const int index = ((startIndex < 0 ? -1 : startIndex) + step) % count;
    if (QString::fromStdString(ItemText(index)).startsWith(wanted, Qt::CaseInsensitive)) return index;
  }
  return -1;
}

// ---- constructors ------------------------------------------------------------------

namespace {

QWidget* ClientOf(TWindowObject* parent) { return parent != nullptr ? parent->Internals().Client : nullptr; }

// Height 22 and the like are kept whatever the parent's top margin is; the
// other default sizes lose it.
void SetDefaultSize(TWindowObject& w, int width, int height, bool keepHeight) {
  TRect b = w.Bounds();
  const int topMargin = w.Parent() != nullptr ? w.Parent()->Margins().Top : 0;
  if (width > 0) b.Right = b.Left + width;
  if (height > 0) b.Bottom = keepHeight ? b.Top + height : b.Top + height - topMargin;
  TToolkitAccess::SetBoundsQuietly(w, b);
}

TWindowObject* Finish(TWindowObject* w, QWidget* widget, bool tabStop) {
  TToolkitAccess::SetWidget(*w, widget);
  if (w->Kind() != TWindowKind::Form) RegisterControl(*w, tabStop);
  widget->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
  if (w->Parent() != nullptr && w->Kind() != TWindowKind::Form && w->Parent()->Internals().AutoScroll)
    RecomputeScroll(*w->Parent());
  return w;
}

QLabel* MakeLabel(TWindowObject* w, const std::string& caption, bool wrap) {
  auto* label = new QLabel(Q(caption), ClientOf(w->Parent()));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(wrap);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

TWindowObject* CreateForm(TWindowObject* parent, const std::string& caption) {
  auto* w = new TWindowObject(TWindowKind::Form, parent);
  // A form lies in screen coordinates, not inside its parent.
  SetDefaultSize(*w, 64, 64, false);
  TRect b = w->Bounds();
  TToolkitAccess::SetBoundsQuietly(*w, TRect{0, 0, b.Width(), b.Height()});
  auto* widget = new TFormWidget;
  widget->setWindowTitle(Q(caption));
  auto* client = new QWidget(widget);
  w->Internals().Client = client;
  TToolkitAccess::SetWidget(*w, widget);
  w->SetCaption(caption);
  widget->setWindowIcon(MainIcon());
  if (MessageLoopRunning() && w->Visible()) {
    QPointer<QWidget> guard = widget;
    QTimer::singleShot(0, qApp, [guard] { if (guard && !guard->isVisible()) guard->show(); });
  }
  return w;
}

TWindowObject* CreateButton(TWindowObject* parent, const std::string& caption) {
  auto* w = new TWindowObject(TWindowKind::Button, parent);
  SetDefaultSize(*w, 0, 22, true);
  auto* button = new QPushButton(Q(caption), ClientOf(parent));
  button->setAutoDefault(false);
  w->SetCaption(caption);
  TToolkitAccess::SetTextAlignmentField(*w, HorzCenter);
  std::weak_ptr<bool> alive = w->Internals().Alive;
  QObject::connect(button, &QPushButton::clicked, button, [w, alive] {
    if (alive.expired() || !*alive.lock()) return;
    if (w->Internals().FocusingCounter != 0) return;
    FireNotify(*w, w->OnClick);
  });
  return Finish(w, button, true);
}

TWindowObject* CreateLabel(TWindowObject* parent, const std::string& caption) {
  auto* w = new TWindowObject(TWindowKind::Label, parent);
  SetDefaultSize(*w, 0, 22, true);
  QLabel* label = MakeLabel(w, caption, false);
  w->SetCaption(caption);
  // What the label shows: text at the top left.
  TToolkitAccess::SetVerticalAlignmentField(*w, VertTop);
  return Finish(w, label, false);
}

TWindowObject* CreateWrapLabel(TWindowObject* parent, const std::string& caption) {
  auto* w = new TWindowObject(TWindowKind::WrapLabel, parent);
  SetDefaultSize(*w, 0, 44, true);
  QLabel* label = MakeLabel(w, caption, true);
  w->SetCaption(caption);
  TToolkitAccess::SetVerticalAlignmentField(*w, VertTop);
  return Finish(w, label, false);
}

TWindowObject* CreatePaintArea(TWindowObject* parent) {
  auto* w = new TWindowObject(TWindowKind::PaintArea, parent);
  SetDefaultSize(*w, 40, 40, true);
  auto* area = new TPaintWidget(*w, ClientOf(parent));
  return Finish(w, area, false);
}

TWindowObject* CreateGroupBox(TWindowObject* parent, const std::string& caption) {
  auto* w = new TWindowObject(TWindowKind::GroupBox, parent);
  SetDefaultSize(*w, 100, 142, false);
  auto* box = new QGroupBox(Q(caption), ClientOf(parent));
  w->SetCaption(caption);
  TToolkitAccess::SetMargins(*w, TMargins{22, 2, 2, 2});
  Finish(w, box, false);
  TToolkitAccess::SetTabStop(*w, false);
  return w;
}

namespace {
void StyleFrame(QFrame* frame, TFrameKind edge) {
  switch (edge) {
    case FrameRaised:
      frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
      frame->setLineWidth(2);
      break;
    case FrameSunken:
      frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      frame->setLineWidth(2);
      break;
    case FrameNone:
      frame->setFrameStyle(QFrame::NoFrame);
      break;
  }
}

TWindowObject* MakeScrollBox(TWindowObject* parent, TFrameKind edge, unsigned bars, bool autoScroll) {
  auto* w = new TWindowObject(TWindowKind::ScrollBox, parent);
  SetDefaultSize(*w, 64, 64, false);
  auto& in = w->Internals();
  in.Edge = edge;
  in.Bars = bars;
  in.AutoScroll = autoScroll;
  auto* frame = new QFrame(ClientOf(parent));
  StyleFrame(frame, edge);
  in.Client = new QWidget(frame);
  in.HBar = new QScrollBar(Qt::Horizontal, frame);
  in.VBar = new QScrollBar(Qt::Vertical, frame);
  in.HBar->setHidden((bars & 1u) == 0 || autoScroll);
  in.VBar->setHidden((bars & 2u) == 0 || autoScroll);
  std::weak_ptr<bool> alive = in.Alive;
  auto follow = [w, alive](TScrollBar bar, int value) {
    if (alive.expired() || !*alive.lock()) return;
    auto& info = bar == TScrollBar::Horizontal ? w->Internals().HInfo : w->Internals().VInfo;
    info.Pos = value;
    if (w->Internals().AutoScroll) ScrollChildren(*w);
  };
  QObject::connect(in.HBar, &QScrollBar::valueChanged, frame, [follow](int v) { follow(TScrollBar::Horizontal, v); });
  QObject::connect(in.VBar, &QScrollBar::valueChanged, frame, [follow](int v) { follow(TScrollBar::Vertical, v); });
  Finish(w, frame, false);
  in.Client->installEventFilter(in.Bridge);
  RecomputeScroll(*w);
  return w;
}
}  // namespace

TWindowObject* CreatePanel(TWindowObject* parent, TFrameKind edge) {
  auto* w = new TWindowObject(TWindowKind::Panel, parent);
  SetDefaultSize(*w, 100, 100, false);
  auto* frame = new QFrame(ClientOf(parent));
  StyleFrame(frame, edge);
  w->Internals().Edge = edge;
  w->Internals().Client = new QWidget(frame);
  return Finish(w, frame, false);
}

TWindowObject* CreateScrollBox(TWindowObject* parent, TFrameKind edge, unsigned bars) {
  return MakeScrollBox(parent, edge, bars, false);
}

TWindowObject* CreateAutoScrollBox(TWindowObject* parent, TFrameKind edge) {
  return MakeScrollBox(parent, edge, 0, true);
}

TWindowObject* CreateListBox(TWindowObject* parent, TListBoxOptions options) {
  auto* w = new TWindowObject(TWindowKind::ListBox, parent);
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
    auto* widget = static_cast<QListWidget*>(w->Widget());
    if (widget->selectionMode() == QAbstractItemView::SingleSelection) {
      const int now = w->SelectedIndex();
      if (now == w->Internals().LastSelection) return;
      w->Internals().LastSelection = now;
    }
    FireSelectionChange(*w);
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

TWindowObject* CreateComboBox(TWindowObject* parent, TComboBoxOptions options) {
  auto* w = new TWindowObject(TWindowKind::ComboBox, parent);
  SetDefaultSize(*w, 100, 22, false);
  TToolkitAccess::SetColorField(*w, ClWindow);
  auto* combo = new TComboWidget(*w, ClientOf(parent));
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
  combo->setProperty("kelvaneSorted", options.Contains(CboSort));
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
