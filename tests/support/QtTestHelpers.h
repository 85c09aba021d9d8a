// Helpers for Qt widget tests.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace kelvane::test {

// Handles events until `condition` holds or `timeoutMs` passes; returns the
// condition's last value.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000);
// Handles events for `ms` milliseconds.
void Pump(int ms);

// Arms a repeating check that runs `action` once the application's active
// modal widget satisfies `match`. Arm it before the call that opens the
// dialog: exec() does not return until the action closes the dialog. Gives up
// after `timeoutMs`. Returns a flag that becomes true when the action ran.
std::shared_ptr<bool> WhenModal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action,
                                int timeoutMs = 5000);
// Matches a modal widget of class T.
template <class T>
std::function<bool(QWidget*)> IsA() {
  return [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; };
}

// Where screenshots go (the build's test-artifacts folder).
std::string ArtifactPath(const std::string& fileName);

}  // namespace kelvane::test
