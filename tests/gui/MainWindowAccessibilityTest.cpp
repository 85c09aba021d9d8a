// What a screen reader hears in the main window, read back through Qt's
// accessibility interfaces while the window is driven like a user would.
#include <QAccessible>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "app/MainForm.h"
#include "browser/DirectoryListBox.h"
#include "browser/DriveComboBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "platform/DriveMap.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "ui/Application.h"
#include "ui/ListView.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using test::WaitFor;

QAccessibleInterface* InterfaceOf(TWindowObject* w) { return QAccessible::queryAccessibleInterface(w->Widget()); }

std::string NameOf(TWindowObject* w) {
  QAccessibleInterface* iface = InterfaceOf(w);
  return iface != nullptr ? iface->text(QAccessible::Name).toStdString() : "<no interface>";
}

std::string ShownText(TWindowObject* label) { return static_cast<QLabel*>(label->Widget())->text().toStdString(); }

class MainWindowAccessibility : public test::TMainWindowTest {
 protected:
  void SetUp() override {
    const fs::path samples = fs::path(KELVANE_SOURCE_DIR) / "samples";
    for (const char* name : {"sprite8-33x21.pcx", "bmp24-45x30.bmp"})
      fs::copy_file(samples / name, fs::path(Tree.Root()) / name);
    ASSERT_NO_FATAL_FAILURE(OpenWindow(Tree.Root()));
  }

  test::TTempTree Tree;
  TScopedDriveMap Drives{test::DesktopDriveMap(Tree.Root())};
};

TEST_F(MainWindowAccessibility, EveryFrameAndBrowserListIsAnnouncedByItsOwnName) {
  // The conversion and warning frames sit inside the BMP frame.
  EXPECT_EQ(NameOf(Main->PcxGroup), " Изображение PCX ");
  EXPECT_EQ(NameOf(Main->BmpGroup), " Изображение BMP ");
  EXPECT_EQ(NameOf(Main->ConvertGroup), " Конвертация в PCX ... ");
  EXPECT_EQ(NameOf(Main->WarningGroup), " Предупреждение ");

  struct TRow {
    TWindowObject* Control;
    const char* Name;
    QAccessible::Role Role;
  };
  const TRow rows[] = {
      {Main->FileList->ListBox(), "Файлы", QAccessible::List},
      {Main->DirList->ListView(), "Папки", QAccessible::Tree},
      {Main->DriveCombo->ComboBox(), "Диск", QAccessible::ComboBox},
      {Main->FilterCombo->ComboBox(), "Типы файлов", QAccessible::ComboBox},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(NameOf(row.Control), row.Name);
    EXPECT_EQ(InterfaceOf(row.Control)->role(), row.Role);
  }
}

TEST_F(MainWindowAccessibility, ValueLabelsAreAnnouncedWithTheirCaptionsAsFilesLoad) {
  EXPECT_EQ(NameOf(Main->PcxSizeLabel), "Размер: <нет>");

  ClickFile("sprite8-33x21.pcx");
  ASSERT_TRUE(WaitFor([&] { return ShownText(Main->PcxSizeLabel) == "33x21"; }));
  EXPECT_EQ(NameOf(Main->PcxSizeLabel), "Размер: 33x21");
  EXPECT_EQ(NameOf(Main->PcxFormatLabel), "Формат: 8 bit");
  // The caption labels themselves say only what they show.
  EXPECT_EQ(NameOf(Main->PcxSizeCaption), "Размер:");

  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 1);
  ClickFile("bmp24-45x30.bmp");
  ASSERT_TRUE(WaitFor([&] { return ShownText(Main->BmpSizeLabel) == "45x30"; }));
  EXPECT_EQ(NameOf(Main->BmpSizeLabel), "Размер: 45x30");
  EXPECT_EQ(NameOf(Main->BmpFormatLabel), "Формат: 24 bit");
  EXPECT_EQ(ShownText(Main->BmpFormatLabel), "24 bit");

  // Reducing the image to 8 bits changes the format label, and its name with it.
  ASSERT_TRUE(WaitFor([&] { return Main->ConvertButton->Widget()->isEnabled(); }));
  QTest::mouseClick(Main->ConvertButton->Widget(), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return ShownText(Main->BmpFormatLabel) == "8 bit"; }));
  EXPECT_EQ(NameOf(Main->BmpFormatLabel), "Формат: 8 bit");
}

}  // namespace
}  // namespace kelvane
