// TTimerObject: a periodic OnTimer event on the GUI thread.
//
// Created disabled; Enabled = true starts it, false stops it. It keeps firing
// while modal dialogs and message boxes run, as they run nested event loops.
#pragma once

#include <functional>
#include <memory>

#include "ui/BaseObject.h"

class QTimer;

namespace kelvane {

class TTimerObject final : public TBaseObject {
 public:
  // An interval of 0 or less means 1000 ms.
  explicit TTimerObject(int intervalMs);
  ~TTimerObject() override;

  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool enabled);
  int Interval() const { return Interval_; }
  // Takes effect at once when the timer runs.
  void SetInterval(int intervalMs);

  std::function<void(TTimerObject* sender)> OnTimer;

 private:
  std::unique_ptr<QTimer> Timer_;
  bool Enabled_ = false;
  int Interval_ = 1000;
};

// The timer belongs to the caller; a form usually takes it with AddToAutoFree:
//   RefreshTimer = Form->AddToAutoFree(CreateTimer(10));
std::unique_ptr<TTimerObject> CreateTimer(int intervalMs);

}  // namespace kelvane
