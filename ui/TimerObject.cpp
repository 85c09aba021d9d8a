#include "ui/TimerObject.h"

#include <QTimer>

namespace kelvane {

TTimerObject::TTimerObject(int intervalMs) : Timer_(std::make_unique<QTimer>()), Interval_(intervalMs > 0 ? intervalMs : 1000) {
  Timer_->setInterval(Interval_);
  QObject::connect(Timer_.get(), &QTimer::timeout, Timer_.get(), [this] {
    if (OnTimer) {
      auto handler = OnTimer;
      handler(this);
    }
  });
}

TTimerObject::~TTimerObject() {
  BeginDestroy();
  Timer_->stop();
}

void TTimerObject::SetEnabled(bool enabled) {
  if (enabled == Enabled_) return;
  Enabled_ = enabled;
  if (enabled)
    Timer_->start(Interval_);
  else
    Timer_->stop();
}

void TTimerObject::SetInterval(int intervalMs) {
  if (intervalMs <= 0) intervalMs = 1000;
  if (intervalMs == Interval_) return;
  Interval_ = intervalMs;
  Timer_->setInterval(intervalMs);
}

std::unique_ptr<TTimerObject> CreateTimer(int intervalMs) { return std::make_unique<TTimerObject>(intervalMs); }

}  // namespace kelvane
