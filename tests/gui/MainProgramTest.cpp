// The whole program: the message loop shows the main window and ends with 0
// when the user chooses "Файл", "Выход".
#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <filesystem>
#include <utility>

#include "platform/DriveMap.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "tests/support/Watcher.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

TEST(MainProgram, FileExitEndsTheProgram) {
  test::TTempTree tree;
  TScopedDriveMap drives{test::DesktopDriveMap(tree.Root())};
  const fs::path old = fs::current_path();
  fs::current_path(tree.Root());
  TWindowObject* app = CreateAppWindow("Kelvane");
  TMainForm* main = CreateMainForm(app);
  main->About = CreateAboutWindow(app);

  // The loop shows the form; then the user opens "Файл" and chooses
  // "Выход". Whatever goes wrong on the way fails the test and ends the
  // loop, rather than leaving it to run until CTest's timeout. The loop
  // deletes the form: the watcher sees it through a guarded pointer.
  const QPointer<QWidget> form = main->Form->Widget();
  const auto fileItem = [form]() -> std::pair<QMenuBar*, QAction*> {
    auto* bar = form != nullptr ? form->findChild<QMenuBar*>() : nullptr;
    return {bar, bar != nullptr ? bar->actions().value(0) : nullptr};
  };
  const auto menuClickable = [form, fileItem] {
    if (form == nullptr || !form->isVisible() || form->windowHandle() == nullptr) return false;
    const auto [bar, file] = fileItem();
    return form->windowHandle()->isExposed() && file != nullptr && !bar->actionGeometry(file).isEmpty();
  };
  bool clicked = false;
  test::TWatcher user("the main form shown with its menu laid out", menuClickable, [fileItem, &clicked] {
    const auto [bar, file] = fileItem();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    QMenu* menu = file->menu();
    if (menu == nullptr || !test::WaitFor([menu] { return menu->isVisible(); })) {
      ADD_FAILURE() << "the menu \"Файл\" did not open";
      Terminate();
      return;
    }
    QAction* exit = nullptr;
    for (QAction* item : menu->actions())
      if (item->text() == "Выход") exit = item;
    if (exit == nullptr) {
      ADD_FAILURE() << "no \"Выход\" in \"Файл\"";
      Terminate();
      return;
    }
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(exit).center());
    clicked = true;
  });
  user.SetAfterMiss([] { Terminate(); });

  const int code = RunMessageLoop(app);
  fs::current_path(old);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(app, nullptr);
}

}  // namespace
}  // namespace kelvane
