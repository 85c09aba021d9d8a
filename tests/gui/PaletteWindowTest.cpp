// The window's PNG and palette wiring, driven like a user: the PNG filter,
// the "Палитра" menu with its open dialog, the conversion onto the chosen
// palette, and the preview's save dialog writing BMP or PNG by type with the
// chosen transparency.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <filesystem>

#include "app/MainForm.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "formats/PcxSprite.h"
#include "formats/PngCodec.h"
#include "image/FixedPalettes.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/ModalWatcher.h"
#include "tests/gui/WindowFixture.h"
#include "tests/process/RunProgram.h"
#include "tests/support/QtTestHelpers.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/MenuObject.h"
#include "ui/TimerObject.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

using test::ItemTexts;
using test::ReadAll;
using test::TModalWatcher;
using test::WaitFor;
namespace fs = std::filesystem;

// A sprite of a game-like palette: the reserved colours first, every colour
// distinct, every entry used.
std::string GameSprite(int width, int height) {
  std::string s;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
  };
  put32(static_cast<std::uint32_t>(width * height));
  put32(static_cast<std::uint32_t>(width));
  put32(static_cast<std::uint32_t>(height));
  for (int i = 0; i < width * height; ++i) s.push_back(static_cast<char>(i * 5 % 256));
  const char reserved[] = "\x00\xff\xff\xff\x96\xff\xff\x64\xff\xff\x32\xff\xff\x00\xff\xff\xff\x00\xb4\x00\xff\x00\xff\x00";
  s.append(reserved, 24);
  for (int i = 8; i < 256; ++i) s += {static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i * 3 % 251)};
  return s;
}

// Types `name` into a file dialog's name field and accepts it.
void TypeNameAndAccept(QWidget* dialog, const QString& name) {
  auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->clear();
  QTest::keyClicks(edit, name);
  if (QCompleter* completer = edit->completer(); completer != nullptr && completer->popup()->isVisible())
    completer->popup()->hide();
  // A completion taken in while typing on a busy machine would change the
  // name; what the user meant is in the field before the click.
  if (edit->text() != name) edit->setText(name);
  // The dialog enables its Save or Open button only once its file model,
  // filled by a thread of its own, has caught up with the typed name, which
  // a loaded machine may not do for a long time. The dialog's own accept,
  // which the button calls, checks the name the same way (an open dialog's
  // file must exist; a save dialog asks before replacing one).
  QMetaObject::invokeMethod(dialog, "accept");
}

class PaletteWindow : public test::TMainWindowTest {
 protected:
  void SetUp() override {
    Tree.File("game.pcx", GameSprite(37, 19));
    TDibBitmap sprite;
    ASSERT_TRUE(LoadSprite(sprite, Tree.Native("game.pcx")));
    ASSERT_TRUE(SavePng(sprite, Tree.Native("game.png"), {}).Ok());
    // The sprite as another program saves it in 24 bits.
    sprite.SetPixelFormat(px24);
    ASSERT_TRUE(sprite.WriteBmpFile(Tree.Native("wide.bmp")).Ok());
    ASSERT_TRUE(SavePng(sprite, Tree.Native("photo.png"), {}).Ok());
    Tree.File("broken.pal", "not a palette");

    ASSERT_NO_FATAL_FAILURE(OpenWindow(Tree.Root()));
  }

  void ShowFilter(int line) { test::ChooseComboLine(*Main->FilterCombo->ComboBox(), line); }

  QAction* MenuAction(QWidget* container, const QString& text) {
    for (QAction* a : container->actions())
      if (a->text() == text) return a;
    return nullptr;
  }

  // Opens "Палитра" on the menu bar with a click and clicks `item` in it.
  void ChoosePaletteMenu(const QString& item) {
    auto* bar = Main->Form->Widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QAction* top = MenuAction(bar, "Палитра");
    ASSERT_NE(top, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
    QMenu* menu = top->menu();
    ASSERT_TRUE(WaitFor([menu] { return menu->isVisible(); }));
    QAction* action = MenuAction(menu, item);
    ASSERT_NE(action, nullptr) << item.toStdString();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    ASSERT_TRUE(WaitFor([menu] { return !menu->isVisible(); }));
  }

  bool Checked(const QString& item) {
    QMenu* menu = MenuAction(Main->Form->Widget()->findChild<QMenuBar*>(), "Палитра")->menu();
    return MenuAction(menu, item)->isChecked();
  }

  // Picks `name` (in the tree's root) in the palette dialog the menu opens.
  void ChoosePaletteFile(const QString& name) {
    TModalWatcher palette(test::IsA<QFileDialog>(), [root = Tree.Root(), name](QWidget* w) {
      static_cast<QFileDialog*>(w)->setDirectory(QString::fromStdString(root));
      TypeNameAndAccept(w, name);
    });
    ChoosePaletteMenu("Из файла...");
    ASSERT_TRUE(WaitFor([&] { return palette.Fired(); })) << "no palette dialog";
  }

  test::TTempTree Tree;
  TScopedDriveMap Drives{test::DesktopDriveMap(Tree.Root())};
};

TEST_F(PaletteWindow, ThePngFilterListsPngFilesAndTheyLoadLikeBmpFiles) {
  EXPECT_EQ(ItemTexts(*Main->FilterCombo->ComboBox()).at(2), "PNG images (*.png)");
  ShowFilter(2);
  EXPECT_EQ(ItemTexts(*Main->FileList->ListBox()), (std::vector<std::string>{"game.png", "photo.png"}));
  ClickFile("game.png");
  Tick();
  EXPECT_TRUE(Main->BmpGroup->Visible());
  EXPECT_EQ(Main->BmpSizeLabel->Caption(), "37x19");
  EXPECT_EQ(Main->BmpFormatLabel->Caption(), "8 bit");
  EXPECT_TRUE(Main->SavePcxButton->Enabled());
  ClickFile("photo.png");
  Tick();
  EXPECT_EQ(Main->BmpFormatLabel->Caption(), "24 bit");
  EXPECT_TRUE(Main->WarningGroup->Visible());
  EXPECT_TRUE(Main->ConvertButton->Enabled());
}

TEST_F(PaletteWindow, TheConversionUsesThePaletteChosenFromAFile) {
  EXPECT_TRUE(Checked("Стандартная (256 цветов)"));
  ChoosePaletteFile("game.pcx");
  EXPECT_TRUE(Checked("Из файла..."));
  EXPECT_FALSE(Checked("Стандартная (256 цветов)"));

  // The sprite, made 24-bit by another program, comes back exactly.
  ShowFilter(1);
  ClickFile("wide.bmp");
  ASSERT_EQ(Main->BmpFormatLabel->Caption(), "24 bit");
  Tick();  // the buttons follow the new image
  QTest::mouseClick(Main->ConvertButton->Widget(), Qt::LeftButton);
  EXPECT_EQ(Main->BmpFormatLabel->Caption(), "8 bit");
  Tick();
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [](QWidget* w) { TypeNameAndAccept(w, "again"); });
    QTest::mouseClick(Main->SavePcxButton->Widget(), Qt::LeftButton);
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_EQ(ReadAll(Tree.Native("again.pcx")), ReadAll(Tree.Native("game.pcx")));

  // Back to the standard table: today's reduction, here of the same
  // picture as a 24-bit PNG.
  ChoosePaletteMenu("Стандартная (256 цветов)");
  EXPECT_TRUE(Checked("Стандартная (256 цветов)"));
  ShowFilter(2);
  ClickFile("photo.png");
  ASSERT_EQ(Main->BmpFormatLabel->Caption(), "24 bit");
  Tick();
  QTest::mouseClick(Main->ConvertButton->Widget(), Qt::LeftButton);
  ASSERT_EQ(Main->BmpFormatLabel->Caption(), "8 bit");
  TDibBitmap standard;
  ASSERT_TRUE(standard.ReadBmpFile(Tree.Native("wide.bmp")));
  standard.SetPixelFormat(px8);
  EXPECT_TRUE(std::equal(standard.Info()->Table(), standard.Info()->Table() + 1024, Main->Image->Info()->Table()))
      << "the fixed table";
  EXPECT_TRUE(std::equal(standard.Pixels(), standard.Pixels() + standard.PixelBytes(), Main->Image->Pixels()));
}

TEST_F(PaletteWindow, ACancelledOrFailedChoiceKeepsThePaletteInUse) {
  {
    TModalWatcher cancel(test::IsA<QFileDialog>(), [](QWidget* w) { static_cast<QFileDialog*>(w)->reject(); });
    ChoosePaletteMenu("Из файла...");
    ASSERT_TRUE(WaitFor([&] { return cancel.Fired(); }));
  }
  EXPECT_TRUE(Checked("Стандартная (256 цветов)"));
  EXPECT_FALSE(Checked("Из файла..."));

  std::string message;
  {
    TModalWatcher box(test::IsA<QMessageBox>(), [&message](QWidget* w) {
      message = static_cast<QMessageBox*>(w)->text().toStdString();
      static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
    });
    ChoosePaletteFile("broken.pal");
    ASSERT_TRUE(WaitFor([&] { return box.Fired(); }));
  }
  EXPECT_EQ(message.rfind("Не удалось прочитать палитру\n" + Tree.Native("broken.pal") + "\n", 0), 0u) << message;
  EXPECT_TRUE(Checked("Стандартная (256 цветов)"));
  EXPECT_EQ(Main->Palette.Kind, TPaletteChoice::TKind::Standard);

  // A good file, then a bad one: the good one stays in use.
  ChoosePaletteFile("game.png");
  EXPECT_TRUE(Checked("Из файла..."));
  {
    TModalWatcher box(test::IsA<QMessageBox>(), [](QWidget* w) {
      static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
    });
    ChoosePaletteFile("wide.bmp");  // 24-bit: no palette
    ASSERT_TRUE(WaitFor([&] { return box.Fired(); }));
  }
  EXPECT_TRUE(Checked("Из файла..."));
  EXPECT_EQ(Main->Palette.Kind, TPaletteChoice::TKind::FromFile);
  EXPECT_EQ(Main->Palette.Source, Tree.Native("game.png"));
}

TEST_F(PaletteWindow, ThePreviewSavesPngByTypeWithTheChosenTransparency) {
  ClickFile("game.pcx");
  ChoosePaletteMenu("Прозрачность в PNG");
  EXPECT_TRUE(Checked("Прозрачность в PNG"));

  // The user picks the PNG type and types a bare name; `replace` answers
  // the question a name already taken raises (0: none expected).
  auto saveAs = [this](const QString& name, QMessageBox::StandardButton replace, std::string* question) {
    TModalWatcher save(test::IsA<QFileDialog>(), [name, replace, question](QWidget* w) {
      static_cast<QFileDialog*>(w)->selectNameFilter("PNG images (*.png)");
      if (replace == QMessageBox::NoButton) {
        TypeNameAndAccept(w, name);
        return;
      }
      TModalWatcher box(test::IsA<QMessageBox>(), [replace, question](QWidget* b) {
        *question = static_cast<QMessageBox*>(b)->text().toStdString();
        static_cast<QMessageBox*>(b)->button(replace)->click();
      });
      TypeNameAndAccept(w, name);
      EXPECT_TRUE(box.Fired()) << "no question before replacing";
      // After "No" the dialog stays open for another name; the user leaves.
      if (replace == QMessageBox::No) static_cast<QFileDialog*>(w)->reject();
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(save.Fired());
  };
  saveAs("shadows", QMessageBox::NoButton, nullptr);
  const std::string png = ReadAll(Tree.Native("shadows.png"));
  ASSERT_EQ(png.substr(1, 3), "PNG");
  const auto trns = png.find("tRNS");
  ASSERT_NE(trns, std::string::npos);
  EXPECT_EQ(png.substr(trns + 4, 5), std::string("\x00\x40\xff\xff\x80", 5));
  EXPECT_FALSE(fs::exists(Tree.Native("shadows.bmp")));

  // Replacing a file named without its extension asks first; "No" keeps it.
  ChoosePaletteMenu("Прозрачность в PNG");
  EXPECT_FALSE(Checked("Прозрачность в PNG"));
  std::string question;
  saveAs("shadows", QMessageBox::No, &question);
  EXPECT_NE(question.find("shadows.png"), std::string::npos) << question;
  EXPECT_EQ(ReadAll(Tree.Native("shadows.png")), png);

  saveAs("shadows", QMessageBox::Yes, &question);
  EXPECT_EQ(ReadAll(Tree.Native("shadows.png")).find("tRNS"), std::string::npos) << "replaced, without transparency";
  TDibBitmap back, sprite;
  ASSERT_TRUE(LoadPng(Tree.Native("shadows.png"), back).Ok());
  ASSERT_TRUE(LoadSprite(sprite, Tree.Native("game.pcx")));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Pixels()), static_cast<std::size_t>(back.PixelBytes())),
            std::string(reinterpret_cast<const char*>(sprite.Pixels()), static_cast<std::size_t>(sprite.PixelBytes())));

  // The BMP type still writes BMP files.
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [](QWidget* w) {
      static_cast<QFileDialog*>(w)->selectNameFilter("Bitmaps (*.bmp)");
      TypeNameAndAccept(w, "plain");
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_EQ(ReadAll(Tree.Native("plain.bmp")).substr(0, 2), "BM");
}

}  // namespace
}  // namespace kelvane
