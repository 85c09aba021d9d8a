// Start-up, the message loop and modal forms.
//
//   int main() {
//     TWindowObject* app = CreateAppWindow("Kelvane");
//     ... construct the main form and the About window with `app` as parent ...
//     return RunMessageLoop(app);   // 0; app is nullptr afterwards
//   }
//
// CreateAppWindow makes the QApplication when there is none yet (tests make
// their own), loads Qt's Russian translations so that Qt's own dialogs and
// buttons speak Russian, and sets the "MAINICON" resource as the window icon.
// The application window has no window of its own on Linux: it owns the forms,
// its caption titles message boxes, and minimising the main form (its first
// form) minimises every form. Closing the main form ends the program.
#pragma once

#include <string>

#include "ui/ToolkitState.h"
#include "ui/WindowObject.h"

namespace kelvane {

// The application window. The toolkit remembers the one made last: see
// CurrentAppWindow (ToolkitState.h, with MessageLoopRunning, Terminate,
// Terminated and MainIcon).
TWindowObject* CreateAppWindow(const std::string& title);
// The main form: the first form of the application window.
TWindowObject* MainForm();

// Shows every form that was not hidden explicitly, runs the loop until the
// main form is closed (or Terminate is called), then destroys the application
// window with every form and object it owns and clears `app`. Returns 0.
int RunMessageLoop(TWindowObject*& app);
// Shows a form and runs a nested loop until its ModalCode becomes non-zero
// (a close request sets -1 instead of closing) or the application ends.
// Meanwhile every other enabled form of the application is disabled. The form
// stays visible afterwards: hide it yourself. Returns ModalCode. A control or
// a form without parent is only shown.
int ShowModal(TWindowObject* form);

}  // namespace kelvane
