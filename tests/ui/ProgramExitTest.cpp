// A whole program's life without the test main's QApplication: the toolkit
// makes the application object, the loop runs until the main form is
// closed, and the process ends with exit code 0, everything released and
// nothing left to crash in the destructors of static objects.
#include <QTimer>
#include <cstdio>

#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/TimerObject.h"

int main() {
  using namespace kelvane;
  TWindowObject* app = CreateAppWindow("Kelvane");
  TWindowObject* main = CreateForm(app, "main");
  TAboutWindow* about = CreateAboutWindow(app);
  int released = 0;
  main->OnDestroy = [&](TBaseObject*) { ++released; };
  about->Form->OnDestroy = [&](TBaseObject*) { ++released; };
  TTimerObject* timer = main->AddToAutoFree(CreateTimer(10));
  timer->OnDestroy = [&](TBaseObject*) { ++released; };
  timer->OnTimer = [main](TTimerObject* self) {
    self->SetEnabled(false);
    main->Close();
  };
  timer->SetEnabled(true);
  const int code = RunMessageLoop(app);
  if (app != nullptr || released != 3) {
    std::fprintf(stderr, "not released: app %p, %d of 3 objects\n", static_cast<void*>(app), released);
    return 1;
  }
  return code;
}
