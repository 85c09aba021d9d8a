#include "ui/MessageDispatch.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdint>

#include "ui/Layout.h"
#include "ui/WindowInternals.h"

namespace kelvane {

namespace {

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

// ---- message handlers -----------------------------------------------------------

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

void FireNotify(TWindowObject& w, const TNotifyEvent& slot) {
  if (!slot) return;
  TNotifyEvent handler = slot;
  handler(&w);
}

// ---- the event bridge: Qt events to toolkit events ----------------------------

namespace {

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

}  // namespace kelvane
