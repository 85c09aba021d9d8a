#include "ui/Layout.h"

#include <QFrame>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <vector>

#include "ui/WindowInternals.h"

namespace kelvane {

// ---- bounds and alignment ------------------------------------------------------

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

namespace {
int FloorDiv2(int value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); }
}  // namespace

void TWindowObject::CenterOnScreen() {
  if (Parent_ != nullptr && Kind_ != TWindowKind::Form) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  MoveTo(area.left() + FloorDiv2(area.width() - Bounds_.Width()),
         area.top() + FloorDiv2(area.height() - Bounds_.Height()));
}

// ---- geometry ---------------------------------------------------------------------

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

namespace {

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

}  // namespace

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

}  // namespace kelvane
