// The toolkit's process-wide state: the one QApplication, the application
// window made last, and the main and modal loops that run.
//
// This unit sits at the bottom of the toolkit: the window objects, the
// message loop and the dialogs all read and change this state, and it knows
// none of them (a window object is only a pointer here). Application.h
// includes this header, so its public queries (CurrentAppWindow,
// MessageLoopRunning, Terminate, Terminated, MainIcon) reach callers as before.
// Nothing here can fail once a QApplication exists.
#pragma once

#include <QColor>
#include <QIcon>
#include <vector>

#include "ui/Types.h"

class QEventLoop;

namespace kelvane {

class TWindowObject;

// ---- public queries ------------------------------------------------------------

// The application window made by CreateAppWindow, or nullptr.
TWindowObject* CurrentAppWindow();
// True while RunMessageLoop runs.
bool MessageLoopRunning();
// Ends the main loop and every modal loop once the events queued so far have
// been handled (what closing the main form does).
void Terminate();
bool Terminated();
// The program icon, made from the "MAINICON" resource (null when it is missing).
QIcon MainIcon();

// ---- toolkit internals (used by the toolkit's own units) -----------------------

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
// Destroys the QApplication that EnsureToolkit made, if it made one: left to
// the destructors of static objects it would outlive parts of Qt it needs.
void ReleaseOwnedApplication();

// A colour value or system colour as Qt shows it.
QColor ResolveColor(TColor color);

}  // namespace kelvane
