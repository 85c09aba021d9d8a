// Message dispatch: how the Qt events of a window object's widget become the
// object's events.
//
// Every event of the widget (and of the parts that stand for it: a list's
// viewport, a combo box's edit part, a scroll box's client area) passes the
// application window's OnMessage (while the loop runs), the object's own
// OnMessage and the handler chain, newest first; the first one that returns
// true consumes it. What is left gets the toolkit's own handling: close
// requests, showing and hiding, form geometry, minimising, mouse input and
// clicks, focus. Toolkit internals, not part of the public API.
#pragma once

#include <QObject>

#include "ui/WindowObject.h"

namespace kelvane {

// Forwards the events of a watched widget to its window object.
class TEventBridge final : public QObject {
 public:
  explicit TEventBridge(TWindowObject& owner) : Owner_(owner) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TWindowObject& Owner_;
};

// Calls `slot` with `w` as sender unless it is empty. The slot is copied
// first, so a handler may replace it or destroy the object.
void FireNotify(TWindowObject& w, const TNotifyEvent& slot);
// A selection changed by the user: OnSelectionChange, or OnChange when that
// is empty. Nothing while the toolkit itself changes the items.
void FireSelectionChange(TWindowObject& w);
// Runs a menu command through the owner's handlers (OnMessage, chain).
bool DispatchCommand(TWindowObject& owner, int commandId, int source);

}  // namespace kelvane
