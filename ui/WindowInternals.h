// Toolkit internals shared by the ui/ sources; not part of the public API.
#pragma once

#include <QEventLoop>
#include <QFrame>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "ui/ListView.h"
#include "ui/MenuObject.h"
#include "ui/WindowObject.h"

class QMenuBar;
class QScrollBar;

namespace kelvane {

// Process-wide state of the one GUI thread.
struct TToolkitState {
  TWindowObject* App = nullptr;         // the application window made last
  TWindowObject* RunningApp = nullptr;  // set while RunMessageLoop runs
  bool Running = false;
  bool Terminated = false;
  std::vector<QEventLoop*> Loops;       // main and modal loops, innermost last
  int NextControlId = 0x8000;
  int NextMenuId = 4096;
};
TToolkitState& Toolkit();
// Makes sure a QApplication exists and the toolkit's application-wide event
// filter (Tab swallowing) is installed.
void EnsureToolkit();
QColor ResolveColor(TColor color);

// Forwards the events of a watched widget to its window object.
class TEventBridge final : public QObject {
 public:
  explicit TEventBridge(TWindowObject& owner) : Owner_(owner) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TWindowObject& Owner_;
};

struct TWindowObject::TInternals {
  std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
  TEventBridge* Bridge = nullptr;
  QWidget* Client = nullptr;       // where child widgets live
  QMenuBar* MenuBar = nullptr;     // a form's menu bar
  QScrollBar* HBar = nullptr;      // scroll boxes
  QScrollBar* VBar = nullptr;
  std::vector<std::shared_ptr<TMessageHandler>> Handlers;
  std::vector<std::unique_ptr<TMenuObject>> Menus;
  std::vector<std::unique_ptr<TImageListObject>> ImageLists;
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
  int LastSelection = -1;          // list box: the selected row last reported
  bool ListOpen = false;           // combo box drop-down state
  int IndexAtOpen = -1;
  QEventLoop* ModalLoop = nullptr;
  bool MinimizeBox = true;         // title-bar buttons of a form
  bool MaximizeBox = true;
  bool MinimisedApp = false;       // the main form minimised the application
  std::vector<QPointer<QWidget>> HiddenByMinimise;
  int ControlCount = 0;            // forms: controls made so far (tab order)
};

// Access to the private parts of TWindowObject for the toolkit's own units.
struct TToolkitAccess {
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

// Shared helpers implemented in WindowObject.cpp.
void ApplyGeometry(TWindowObject& w);
void ApplyPalette(TWindowObject& w);
void ApplyTextAlignment(TWindowObject& w);
void RecomputeScroll(TWindowObject& box);
void ScrollChildren(TWindowObject& box);
bool WillBeVisible(const TWindowObject& w);
TRect ClientRect(const TWindowObject& w);
void RegisterControl(TWindowObject& control, bool tabStop);
void FireSelectionChange(TWindowObject& w);
// Runs a menu command through the owner's handlers (OnMessage, chain).
bool DispatchCommand(TWindowObject& owner, int commandId, int source);
// Shows every form of `app` that was not hidden explicitly.
void ShowPendingForms(TWindowObject& app);

// RAII for programmatic item changes: raises no selection events meanwhile.
class TProgrammaticChange {
 public:
  explicit TProgrammaticChange(const TWindowObject& w) : W_(const_cast<TWindowObject&>(w)) {
    ++W_.Internals().Programmatic;
  }
  // What the program selected is the baseline the user's next change is
  // measured against.
  ~TProgrammaticChange() {
    auto& in = W_.Internals();
    if (--in.Programmatic == 0) in.LastSelection = W_.SelectedIndex();
  }
  TProgrammaticChange(const TProgrammaticChange&) = delete;
  TProgrammaticChange& operator=(const TProgrammaticChange&) = delete;

 private:
  TWindowObject& W_;
};

}  // namespace kelvane
