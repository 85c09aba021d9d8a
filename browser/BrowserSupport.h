// Small pieces shared by the four file-browser components.
//
// Each component is a plain object (not a window) that owns one control made
// as a child of the owner window object, is released with the owner through
// its auto-free list, and raises its events with itself as the sender.
#pragma once

#include <functional>

#include "ui/WindowObject.h"

namespace kelvane {

// An event of a browser component; the component is the sender.
template <class TSender>
using TComponentEvent = std::function<void(TSender* sender)>;

namespace browser_detail {

// Sets the control's width and then its height to exactly these values by
// moving the right edge and then the bottom edge of its bounds. Unlike
// ResizeTo a 0 is applied as given; an aligned control gets its width back
// the next time its parent lays out its children.
void ResizeExactly(TWindowObject& control, int width, int height);

// Raises `event` with `sender` when it is set. A copy is called, so that a
// handler may reassign the event while it runs.
template <class TSender>
void Raise(const TComponentEvent<TSender>& event, TSender* sender) {
  if (!event) return;
  TComponentEvent<TSender> handler = event;
  handler(sender);
}

// Keeps a component's control pointer honest: when the control is destroyed
// before the component (someone deleted it), the pointer is cleared; when the
// component goes first, its handlers are taken off the control, so that no
// event can reach a component that no longer exists. It takes the control's
// OnDestroy slot for this; the owner must leave that slot alone.
class TControlLink {
 public:
  TControlLink() = default;
  TControlLink(const TControlLink&) = delete;
  TControlLink& operator=(const TControlLink&) = delete;
  ~TControlLink();

  void Attach(TWindowObject* control);
  TWindowObject* Get() const { return Control_; }

 private:
  TWindowObject* Control_ = nullptr;
};

}  // namespace browser_detail
}  // namespace kelvane
