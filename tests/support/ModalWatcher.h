// A watcher that answers a modal dialog: once the application's active modal
// widget satisfies a match, it runs an action on that widget.
//
// Arm it before the call that opens the dialog: exec() does not return until
// the action closes the dialog. Scoped and disarmed like every TWatcher; a
// watcher armed inside another's action answers a dialog that the action
// opens (a question asked while a file dialog accepts, say) and is gone when
// that action returns.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <source_location>
#include <string>

#include "tests/support/Watcher.h"

namespace kelvane::test {

// Which modal widget a watcher waits for, with a name for messages.
struct TModalMatch {
  std::string What;
  std::function<bool(QWidget*)> Matches;
};

// Matches a modal widget of class T.
template <class T>
TModalMatch IsA() {
  return {std::string("a modal ") + T::staticMetaObject.className(),
          [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; }};
}

class TModalWatcher {
 public:
  [[nodiscard]] TModalWatcher(TModalMatch match, std::function<void(QWidget*)> action,
                              TMissed missed = TMissed::Fails, int deadlineMs = kPatientMs,
                              std::source_location armedAt = std::source_location::current());
  TModalWatcher(const TModalWatcher&) = delete;
  TModalWatcher& operator=(const TModalWatcher&) = delete;

  // The action ran (or runs now).
  bool Fired() const { return Watcher_.Fired(); }
  bool Missed() const { return Watcher_.Missed(); }
  bool Armed() const { return Watcher_.Armed(); }

 private:
  TModalMatch Match_;
  std::function<void(QWidget*)> Action_;
  QPointer<QWidget> Seen_;
  TWatcher Watcher_;  // last: it polls the members above
};

}  // namespace kelvane::test
