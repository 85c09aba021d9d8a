// The window object's life: what a new object takes over from its parent,
// and the order in which a dying one lets go of its children, its parts and
// its widget. The rest of TWindowObject lives with its concern:
// MessageDispatch.cpp (events), Layout.cpp (geometry, alignment, scrolling),
// WindowProperties.cpp (properties and operations), Accessibility.cpp and
// Constructors.cpp (the Create... functions).
#include "ui/WindowObject.h"

#include <QEventLoop>
#include <algorithm>

#include "ui/FontObject.h"
#include "ui/WindowInternals.h"

namespace kelvane {

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
  in.Canvas.reset();
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

}  // namespace kelvane
