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

namespace kelvane {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TRun RunKelvane(const std::vector<std::string>& args) {
  const fs::path dir = fs::path(KELVANE_TEST_OUTPUT_DIR) / "window-program";
  fs::create_directories(dir);
  const fs::path out = dir / "stdout", err = dir / "stderr";
  const pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "no-such-platform", 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KELVANE_APP_PATH));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(KELVANE_APP_PATH, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  TRun r;
  r.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.Out = ReadAll(out);
  r.Err = ReadAll(err);
  return r;
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
