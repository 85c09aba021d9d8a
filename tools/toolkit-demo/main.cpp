// kelvane-toolkit-demo: a form with each kind of control of the toolkit, to
// see and try it on its own. Run it on a desktop or under xvfb-run.
#include "tools/toolkit-demo/DemoForm.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"

int main() {
  using namespace kelvane;
  TWindowObject* app = CreateAppWindow("Kelvane");
  CreateDemoForm(app, nullptr)->About = CreateAboutWindow(app);
  return RunMessageLoop(app);
}
