#include "tests/gui/WindowFixture.h"

#include <QTest>
#include <QWidget>
#include <algorithm>

#include "browser/FileListBox.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/ListBox.h"
#include "ui/TimerObject.h"

namespace kelvane::test {

void TMainWindowTest::OpenWindow(const std::filesystem::path& folder, const std::string& startPath) {
  if (OldDirectory_.empty()) OldDirectory_ = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  App = CreateAppWindow("Kelvane");
  Main = CreateMainForm(App);
  Main->StartPath = startPath;
  Main->About = CreateAboutWindow(App);
  Main->Form->Show();
  ASSERT_TRUE(WaitFor([this] { return Main->Image != nullptr; }));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Main->Form->Widget(), kPatientMs));
  auto refresh = Main->RefreshTimer->OnTimer;
  Main->RefreshTimer->OnTimer = [this, refresh](TTimerObject* timer) {
    refresh(timer);
    ++Ticks;
  };
}

void TMainWindowTest::CloseWindow() {
  delete App;
  App = nullptr;
  Main = nullptr;
  if (!OldDirectory_.empty()) std::filesystem::current_path(OldDirectory_);
}

void TMainWindowTest::LetTicksPass(int count) {
  const int until = Ticks + count;
  ASSERT_TRUE(WaitFor([&] { return Ticks >= until; }));
}

void TMainWindowTest::ClickFile(const std::string& name) {
  const auto texts = ItemTexts(*Main->FileList->ListBox());
  const auto at = std::find(texts.begin(), texts.end(), name);
  ASSERT_NE(at, texts.end()) << name << " is not listed";
  ClickListBoxRow(*Main->FileList->ListBox(), static_cast<int>(at - texts.begin()));
}

}  // namespace kelvane::test
