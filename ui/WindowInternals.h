// The private state of a window object, shared by the toolkit's own units;
// not part of the public API.
//
// This header knows only the window object itself: the canvas, menus and
// image lists, which a window owns but whose units know the window object,
// are held through TOwnedPtr, so nothing here needs their headers.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "ui/ToolkitState.h"
#include "ui/WindowObject.h"

class QEventLoop;
class QMenuBar;
class QScrollBar;

namespace kelvane {

// An owned object of a type this header does not know. The deleter is a
// plain function made where the type is complete (see Own), so a window can
// release its canvas, menus and image lists without including their headers,
// whose units know the window object.
template <class T>
using TOwnedPtr = std::unique_ptr<T, void (*)(T*)>;
template <class T>
TOwnedPtr<T> Own(std::unique_ptr<T> object) {
  return TOwnedPtr<T>(object.release(), [](T* raw) { delete raw; });
}

struct TWindowObject::TInternals {
  std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
  TEventBridge* Bridge = nullptr;
  QWidget* Client = nullptr;       // where child widgets live
  QMenuBar* MenuBar = nullptr;     // a form's menu bar
  QScrollBar* HBar = nullptr;      // scroll boxes
  QScrollBar* VBar = nullptr;
  std::vector<std::shared_ptr<TMessageHandler>> Handlers;
  TOwnedPtr<TCanvasObject> Canvas{nullptr, nullptr};  // made on first use
  std::vector<TOwnedPtr<TMenuObject>> Menus;
  std::vector<TOwnedPtr<TImageListObject>> ImageLists;
  TFrameKind Edge = FrameNone;
  bool AutoScroll = false;
  unsigned Bars = 0;               // scroll box: bit 0 horizontal, bit 1 vertical
  TScrollInfo HInfo;
  TScrollInfo VInfo;
  int SuppressScroll = 0;
  bool ShownOnScreen = false;      // what OnShow / OnHide last reported
  bool PositionSet = false;        // a form's position was set by the caller
  int FocusingCounter = 0;         // non-zero while the toolkit moves the focus here
  int Programmatic = 0;            // non-zero while the toolkit changes items
  QEventLoop* ModalLoop = nullptr;
  bool MinimizeBox = true;         // title-bar buttons of a form
  bool MaximizeBox = true;
  bool MinimisedApp = false;       // the main form minimised the application
  std::vector<QPointer<QWidget>> HiddenByMinimise;
  int ControlCount = 0;            // forms: controls made so far (tab order)
  // Accessibility (Accessibility.cpp): a name the caller chose, the caption
  // label this one is announced with, and the labels that name this one.
  std::string AccessibleName;
  TWindowObject* LabelledBy = nullptr;
  std::vector<TWindowObject*> Labels;
  bool LinksWatched = false;       // the links are undone when this object goes
};

// Access to the private parts of TWindowObject for the toolkit's own units.
struct TToolkitAccess {
  // Gives the object its widget: events, cursor, font, colours and geometry
  // follow the object from here on (Constructors.cpp).
  static void SetWidget(TWindowObject& w, QWidget* widget);
  static void SetMenu(TWindowObject& w, TMenuObject* menu) { w.Menu_ = menu; }
  static void SetFocusedChild(TWindowObject& w, TWindowObject* child) { w.FocusedChild_ = child; }
  static void SetIds(TWindowObject& w, int controlId, int tabOrder) {
    w.ControlId_ = controlId;
    w.TabOrder_ = tabOrder;
  }
  static void SetTabStop(TWindowObject& w, bool tabStop) { w.TabStop_ = tabStop; }
  static void SetMargins(TWindowObject& w, const TMargins& m) { w.Margins_ = m; }
  static void SetBoundsQuietly(TWindowObject& w, const TRect& r) { w.Bounds_ = r; }
  static void SetVisibleField(TWindowObject& w, bool v) { w.Visible_ = v; }
  static bool VisibleSet(const TWindowObject& w) { return w.VisibleSet_; }
  static void SetTextAlignmentField(TWindowObject& w, THorzAlign a) { w.TextAlignment_ = a; }
  static void SetVerticalAlignmentField(TWindowObject& w, TVertAlign a) { w.VerticalAlignment_ = a; }
  static void SetColorField(TWindowObject& w, TColor c) { w.Color_ = c; }
};

// The main form of `app`: its first form.
inline TWindowObject* MainFormOf(const TWindowObject& app) {
  for (TWindowObject* child : app.Children())
    if (child->Kind() == TWindowKind::Form) return child;
  return nullptr;
}

// The main form is the application window's first form; a form without
// parent counts as a main form too. Closing it ends the program.
inline bool IsMainForm(const TWindowObject& w) {
  if (w.Kind() != TWindowKind::Form) return false;
  if (w.Parent() == nullptr) return true;
  return w.Parent()->Kind() == TWindowKind::App && MainFormOf(*w.Parent()) == &w;
}

// RAII for programmatic item changes: raises no selection events meanwhile.
class TProgrammaticChange {
 public:
  explicit TProgrammaticChange(const TWindowObject& w) : W_(const_cast<TWindowObject&>(w)) {
    ++W_.Internals().Programmatic;
  }
  ~TProgrammaticChange() { --W_.Internals().Programmatic; }
  TProgrammaticChange(const TProgrammaticChange&) = delete;
  TProgrammaticChange& operator=(const TProgrammaticChange&) = delete;

 private:
  TWindowObject& W_;
};

}  // namespace kelvane
