// The main window built over a folder of test files, shown and ready: what
// every window test program starts from.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/MainForm.h"
#include "ui/WindowObject.h"

namespace kelvane::test {

class TMainWindowTest : public ::testing::Test {
 protected:
  // Enters `folder` and builds the window there, given `startPath` as
  // `kelvane PATH` gives it when not empty; shows it and waits until it has
  // listed its folder and is on screen. Counts the refresh timer's ticks, so
  // that tests can wait for the next one instead of guessing how long a
  // busy machine takes.
  void OpenWindow(const std::filesystem::path& folder, const std::string& startPath = "");
  // Closes the window and goes back to the folder the test started in.
  void CloseWindow();
  void TearDown() override { CloseWindow(); }

  // Lets the refresh timer run at least once, or `count` times, more.
  void Tick() { LetTicksPass(1); }
  void LetTicksPass(int count);
  // Clicks the file list's line that reads `name`.
  void ClickFile(const std::string& name);

  TWindowObject* App = nullptr;
  TMainForm* Main = nullptr;
  int Ticks = 0;

 private:
  std::filesystem::path OldDirectory_;
};

}  // namespace kelvane::test
