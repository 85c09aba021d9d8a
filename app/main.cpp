// Kelvane: the window. `kelvane [PATH]`: help, the version and a command line
// it cannot follow are answered before anything of Qt starts, so they work
// without a display. Otherwise start-up builds the application (with Qt's
// own options from the command line), the main window, opened at PATH on
// its first showing, and the hidden About window, then runs the loop until
// the main window closes.
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/MainForm.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "version/KelvaneVersion.h"
#include "workflow/StartOptions.h"

int main(int argc, char** argv) {
  using namespace kelvane;
  const TStartOptions options = ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  switch (options.Action) {
    case TStartAction::Help: std::fputs(kStartHelpText, stdout); return 0;
    case TStartAction::Version: std::puts(StartVersionLine(KELVANE_VERSION).c_str()); return 0;
    case TStartAction::Refused:
      std::fprintf(stderr, "%s\n%s\n", options.Error.c_str(), kStartHelpHint);
      return kStartUsageExit;
    case TStartAction::Open: break;
  }
  if (!options.Path.empty()) {
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    if (ResolveStartPath(options.Path, ec ? std::string("/") : current.string()).Kind ==
        TStartPlace::TKind::Missing) {
      std::fprintf(stderr, "kelvane: '%s': no such file, folder or archive entry\n", options.Path.c_str());
      return kStartUsageExit;
    }
  }

  // Qt takes its own options out of the arguments; CreateAppWindow uses
  // this application object.
  QApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Kelvane"));
  TWindowObject* AppWindow = CreateAppWindow("Kelvane");
  TMainForm* mainForm = CreateMainForm(AppWindow);
  mainForm->StartPath = options.Path;
  mainForm->About = CreateAboutWindow(AppWindow);
  return RunMessageLoop(AppWindow);
}
