// One-shot watchers over the event loop, scoped to the code that arms them.
//
// A test that opens a modal dialog with exec(), or runs a message loop, gets
// control back only when something inside that loop acts. A watcher is that
// something: a timer that polls a condition and, the first time it holds,
// runs an action once.
//
// A watcher is armed from construction until it fires, misses its deadline
// or is destroyed. It cannot be copied or moved, so it lives in the scope
// that made it, and its destructor disarms it: the action never runs after
// that scope has ended, and it may refer to locals declared before the
// watcher (they are destroyed after it). The deadline is wall-clock time
// (QDeadlineTimer), not a number of polls, so a loaded machine that polls
// seldom does not stretch it.
//
// Every armed watcher is listed in a registry; the test main installs a
// check that fails a test which ends with a watcher still armed and disarms
// it, so that it cannot act in the next test.
//
// A deadline that passes before the condition held is a test failure, unless
// the watcher was made for something that may never come (TMissed::IsFine,
// which has no deadline at all). After such a failure the watcher keeps
// closing any modal widget that no running watcher action is handling, until
// it is destroyed: a test blocked in exec() on a dialog nobody answers then
// ends with that failure instead of hanging until CTest kills it.
#pragma once

#include <QDeadlineTimer>
#include <QTimer>
#include <functional>
#include <source_location>
#include <string>
#include <vector>

#include "tests/support/QtTestHelpers.h"

namespace kelvane::test {

// What a watcher's deadline means.
enum class TMissed {
  Fails,   // the awaited state must come before the deadline
  IsFine,  // it may never come: the watcher is armed for its whole scope
};

class TWatcher {
 public:
  // Arms a watcher that runs `action` once `condition` holds. `what` names
  // the awaited state in failure messages.
  [[nodiscard]] TWatcher(std::string what, std::function<bool()> condition, std::function<void()> action,
                         TMissed missed = TMissed::Fails, int deadlineMs = kPatientMs,
                         std::source_location armedAt = std::source_location::current());
  ~TWatcher();
  TWatcher(const TWatcher&) = delete;
  TWatcher& operator=(const TWatcher&) = delete;

  // Replaces what the watcher does on each poll after it missed its
  // deadline (by default: close the modal widget nobody handles).
  void SetAfterMiss(std::function<void()> afterMiss) { AfterMiss_ = std::move(afterMiss); }

  bool Fired() const { return Fired_; }
  bool Missed() const { return Missed_; }
  bool Armed() const { return Timer_.isActive(); }
  // What it waits for and where it was armed, for messages.
  std::string Description() const;
  void Disarm();

  // The registry of armed watchers: their descriptions.
  static std::vector<std::string> ArmedDescriptions();
  // Disarms every armed watcher; returns their descriptions.
  static std::vector<std::string> DisarmAll();
  // True while some watcher's action runs.
  static bool ActionRunning() { return RunningActions_ > 0; }

 private:
  void Poll();

  std::string What_;
  std::function<bool()> Condition_;
  std::function<void()> Action_;
  std::function<void()> AfterMiss_;
  TMissed IfMissed_;
  int DeadlineMs_;
  std::source_location ArmedAt_;
  QDeadlineTimer Deadline_;
  QTimer Timer_;
  bool Fired_ = false;
  bool Missed_ = false;
  static int RunningActions_;
};

// Closes the active modal widget unless a running watcher action is
// handling it, that is, unless it was the active modal widget when that
// action began (rejects a dialog, closes anything else). Returns whether it
// closed one.
bool CloseUnhandledModal();

}  // namespace kelvane::test
