#include "tests/support/Watcher.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace kelvane::test {

namespace {

// How often a watcher looks. Short enough for a user-like pace, long enough
// not to crowd a loaded machine's event loop.
constexpr int kPollMs = 10;

std::vector<TWatcher*>& Registry() {
  static std::vector<TWatcher*> armed;
  return armed;
}

void Unregister(const TWatcher* watcher) {
  auto& armed = Registry();
  armed.erase(std::remove(armed.begin(), armed.end(), watcher), armed.end());
}

// The modal widgets that running actions answer: each action handles the
// widget that was the active modal one when it began.
std::vector<QPointer<QWidget>>& Handled() {
  static std::vector<QPointer<QWidget>> handled;
  return handled;
}

}  // namespace

int TWatcher::RunningActions_ = 0;

TWatcher::TWatcher(std::string what, std::function<bool()> condition, std::function<void()> action, TMissed missed,
                   int deadlineMs, std::source_location armedAt)
    : What_(std::move(what)),
      Condition_(std::move(condition)),
      Action_(std::move(action)),
      AfterMiss_([] { CloseUnhandledModal(); }),
      IfMissed_(missed),
      DeadlineMs_(deadlineMs),
      ArmedAt_(armedAt),
      Deadline_(missed == TMissed::Fails ? QDeadlineTimer(deadlineMs) : QDeadlineTimer(QDeadlineTimer::Forever)) {
  Timer_.setInterval(kPollMs);
  QObject::connect(&Timer_, &QTimer::timeout, [this] { Poll(); });
  Timer_.start();
  Registry().push_back(this);
}

TWatcher::~TWatcher() { Disarm(); }

void TWatcher::Disarm() {
  Timer_.stop();
  Unregister(this);
}

std::string TWatcher::Description() const {
  return "watcher for " + What_ + " (armed at " + ArmedAt_.file_name() + ":" + std::to_string(ArmedAt_.line()) + ")";
}

void TWatcher::Poll() {
  if (!Missed_) {
    if (Condition_()) {
      // Once only: stopped and out of the registry before the action, which
      // may run nested event loops of its own.
      Disarm();
      Fired_ = true;
      struct TRunning {
        explicit TRunning(int& count) : Count(count) {
          ++Count;
          Handled().emplace_back(QApplication::activeModalWidget());
        }
        ~TRunning() {
          Handled().pop_back();
          --Count;
        }
        int& Count;
      } running(RunningActions_);
      Action_();
      return;
    }
    if (!Deadline_.hasExpired()) return;
    Missed_ = true;
    ADD_FAILURE_AT(ArmedAt_.file_name(), static_cast<int>(ArmedAt_.line()))
        << "waited " << DeadlineMs_ << " ms in vain for " << What_;
  }
  if (AfterMiss_) AfterMiss_();
}

std::vector<std::string> TWatcher::ArmedDescriptions() {
  std::vector<std::string> descriptions;
  for (const TWatcher* watcher : Registry()) descriptions.push_back(watcher->Description());
  return descriptions;
}

std::vector<std::string> TWatcher::DisarmAll() {
  std::vector<std::string> descriptions = ArmedDescriptions();
  // Disarming takes the watcher out of the registry: walk a copy.
  const std::vector<TWatcher*> armed = Registry();
  for (TWatcher* watcher : armed) watcher->Disarm();
  return descriptions;
}

bool CloseUnhandledModal() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) return false;
  for (const QPointer<QWidget>& handled : Handled())
    if (handled == modal) return false;
  if (auto* dialog = qobject_cast<QDialog*>(modal))
    dialog->reject();
  else
    modal->close();
  return true;
}

}  // namespace kelvane::test
