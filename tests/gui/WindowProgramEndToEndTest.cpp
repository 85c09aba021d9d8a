// The real `kelvane` program's command line where it opens no window:
// help, the version, an unknown option and a path that is not there. The
// child runs with no display and a Qt platform that does not exist, so any
// of these that started Qt would fail instead of passing by luck.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "version/KelvaneVersion.h"
#include "workflow/StartOptions.h"

#include "tests/process/RunProgram.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;
using test::TRun;

TRun RunKelvane(const std::vector<std::string>& args) {
  const fs::path dir = fs::path(KELVANE_TEST_OUTPUT_DIR) / "window-program";
  fs::create_directories(dir);
  return test::RunProgram(KELVANE_APP_PATH, args, dir, [] {
    // No display and a platform Qt cannot load: a kelvane that started Qt
    // here would fail instead of opening a window.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "no-such-platform", 1);
  });
}

TEST(WindowProgram, HelpAndVersionPrintAndExitWithoutADisplay) {
  for (const char* option : {"--help", "-h"}) {
    const TRun help = RunKelvane({option});
    EXPECT_EQ(help.Exit, 0) << option;
    EXPECT_EQ(help.Out, kStartHelpText) << option;
    EXPECT_EQ(help.Err, "") << option;
  }
  EXPECT_EQ(RunKelvane({"--help"}).Out.substr(0, 22), "Usage: kelvane [PATH]\n");
  const TRun version = RunKelvane({"--version"});
  EXPECT_EQ(version.Exit, 0);
  EXPECT_EQ(version.Out, std::string("kelvane ") + KELVANE_VERSION + "\n");
  EXPECT_EQ(version.Err, "");
}

TEST(WindowProgram, AnUnknownOptionOrAMissingPathEndsWithTwoAndOneLineWhy) {
  const TRun bogus = RunKelvane({"--frobnicate"});
  EXPECT_EQ(bogus.Exit, 2);
  EXPECT_EQ(bogus.Out, "");
  EXPECT_EQ(bogus.Err, "kelvane: unknown option '--frobnicate'\nTry 'kelvane --help'.\n");

  const std::string missing = (fs::path(KELVANE_TEST_OUTPUT_DIR) / "no-such-folder" / "hero.pcx").string();
  const TRun gone = RunKelvane({missing});
  EXPECT_EQ(gone.Exit, 2);
  EXPECT_EQ(gone.Out, "");
  EXPECT_EQ(gone.Err, "kelvane: '" + missing + "': no such file, folder or archive entry\n");

  const TRun two = RunKelvane({"a.pcx", "b.pcx"});
  EXPECT_EQ(two.Exit, 2);
  EXPECT_NE(two.Err.find("Try 'kelvane --help'."), std::string::npos);
}

}  // namespace
}  // namespace kelvane
