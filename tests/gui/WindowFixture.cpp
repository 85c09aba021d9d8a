#include "tests/gui/WindowFixture.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "browser/FileListBox.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/ListBox.h"
#include "ui/TimerObject.h"

namespace kelvane::test {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint32_t> PixelsOf(TDibBitmap& image) {
  const TPixelRows32 rows = image.Rows32();
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < rows.Height; ++y) pixels.insert(pixels.end(), rows.Row(y), rows.Row(y) + rows.Width);
  return pixels;
}

void TypeNameAndSave(QWidget* dialog, const QString& name) {
  auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, name);
  if (QCompleter* completer = edit->completer(); completer != nullptr && completer->popup()->isVisible())
    completer->popup()->hide();
  auto* buttons = dialog->findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  QPushButton* save = buttons->button(QDialogButtonBox::Save);
  ASSERT_NE(save, nullptr);
  QTest::mouseClick(save, Qt::LeftButton);
}

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
