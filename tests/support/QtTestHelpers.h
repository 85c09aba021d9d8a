// Helpers for Qt widget tests: waiting for states, and the few time windows
// that are states themselves.
//
// A test on a loaded machine waits for the state it expects (WaitFor), never
// for a fixed time. A fixed time is right only where Qt itself measures one
// (the double-click interval) or where a check says that something does NOT
// happen and needs a window for it to have had its chance; those helpers say
// so in their names. Dialogs and loops are answered by scoped watchers
// (Watcher.h, ModalWatcher.h).
#pragma once

#include <functional>
#include <string>

namespace kelvane::test {

// How long a test waits for a state that must come: on a loaded machine Qt's
// file dialog alone can take seconds to come up. Waits end as soon as the
// state holds, so this costs nothing when things go right.
inline constexpr int kPatientMs = 30000;

// Handles events until `condition` holds or `timeoutMs` of wall-clock time
// have passed; returns the condition's last value.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kPatientMs);

// Handles the events already queued, and those that handling them queues in
// turn (queued calls, deferred deletions, layout and paint requests,
// zero-time timers), without waiting for any time to pass. After it, every
// consequence a synchronous call posted has happened.
void ProcessPendingEvents();

// Lets the application's double-click interval pass, handling events, and
// then handles the timers that came due in it. Qt measures this interval
// itself (a second click within it is ignored, and a combo box's list
// ignores clicks until a timer of that length, started as it opened, has
// fired), so the time is the state to wait for; on a slow machine it passes
// no sooner.
void LetDoubleClickIntervalPass();

// For checks that something does NOT happen while timers run: handles
// events until a timer of `intervalMs` has fired `ticks` times, the window
// in which any timer of that interval would have fired as well. Counted in
// ticks, so a loaded machine that fires timers late gets a longer window,
// not a useless one. False if the ticks did not come within kPatientMs.
bool LetTimerTicksPass(int intervalMs, int ticks);

// Where screenshots go (the build's test-artifacts folder).
std::string ArtifactPath(const std::string& fileName);

}  // namespace kelvane::test
