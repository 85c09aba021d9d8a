// Kelvane: the window. Start-up builds the application window, the main
// window and the hidden About window, then runs the loop until the main
// window closes.
#include "app/MainForm.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"

int main() {
  using namespace kelvane;
  TWindowObject* AppWindow = CreateAppWindow("Kelvane");
  TMainForm* mainForm = CreateMainForm(AppWindow);
  mainForm->About = CreateAboutWindow(AppWindow);
  return RunMessageLoop(AppWindow);
}
