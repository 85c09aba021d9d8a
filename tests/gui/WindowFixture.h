// The main window built over a folder of test files, shown and ready: what
// every window test program starts from.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "image/DibBitmap.h"
#include "ui/WindowObject.h"

class QWidget;

namespace kelvane::test {

// A file's bytes; empty when it cannot be read.
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
// The image's pixels as 32-bit colours, top row first.
std::vector<std::uint32_t> PixelsOf(TDibBitmap& image);

// Types `name` into a save dialog's name field like a user and presses its
// Save button. The button, not Return: a completion list that pops up
// while typing on a slow machine would take the Return for itself.
void TypeNameAndSave(QWidget* dialog, const QString& name);

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
