// The Create... functions of the kinds without a file of their own (forms,
// buttons, labels, paint areas, group boxes, panels, scroll boxes), and the
// steps every kind's constructor shares.
#include "ui/Constructors.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "ui/Accessibility.h"
#include "ui/CanvasObject.h"
#include "ui/FontObject.h"
#include "ui/Layout.h"
#include "ui/MessageDispatch.h"
#include "ui/WindowInternals.h"
#include "ui/WindowProperties.h"

namespace kelvane {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

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

}  // namespace

// ---- attaching the widget ----------------------------------------------------------

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
  UpdateAccessibleNames(w);
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

// ---- constructors ------------------------------------------------------------------

QWidget* ClientOf(TWindowObject* parent) { return parent != nullptr ? parent->Internals().Client : nullptr; }

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

namespace {

QLabel* MakeLabel(TWindowObject* w, const std::string& caption, bool wrap) {
  auto* label = new QLabel(Q(caption), ClientOf(w->Parent()));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(wrap);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

TWindowObject* CreateForm(TWindowObject* parent, const std::string& caption) {
  InstallAccessibleInterfaces();
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

}  // namespace kelvane
