// The main window driven like a user would: clicks, keys, drop-down choices
// and typed names in the real dialogs, over a temporary directory of sprites
// and BMP files. Screenshots of each state go to the test artefacts.
#include "app/MainForm.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QAbstractItemView>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <csignal>
#include <filesystem>
#include <functional>
#include <fstream>

#include "formats/PcxSprite.h"
#include "browser/DirectoryListBox.h"
#include "browser/DriveComboBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "platform/DriveMap.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/ModalWatcher.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "tests/support/Watcher.h"
#include "ui/AboutWindow.h"
#include "ui/FontObject.h"
#include "ui/ListView.h"
#include "ui/TimerObject.h"
#include "ui/Application.h"
#include "ui/WindowObject.h"
#include "workflow/ImageCaptions.h"

namespace kelvane {
namespace {

using test::ItemTexts;
using test::TMissed;
using test::TModalWatcher;
using test::WaitFor;

namespace fs = std::filesystem;

using test::PixelsOf;
using test::ReadBytes;
using test::TypeNameAndSave;

class MainWindow : public test::TMainWindowTest {
 protected:
  void SetUp() override {
    // Samples of every kind, under names that exercise the list's case
    // handling, plus files that must fail.
    const fs::path samples = fs::path(KELVANE_SOURCE_DIR) / "samples";
    for (const char* name : {"sprite8-33x21.pcx", "sprite24-33x24.pcx", "sprite8-5x4.pcx", "bmp1-37x19.bmp",
                             "bmp4-29x17.bmp", "bmp8-47x33.bmp", "bmp16-555-45x30.bmp", "bmp16-565-45x30.bmp",
                             "bmp24-45x30.bmp", "bmp32-41x31.bmp"})
      fs::copy_file(samples / name, fs::path(Tree.Root()) / name);
    fs::copy_file(samples / "sprite8-7x9.pcx", fs::path(Tree.Root()) / "HERO.PCX");
    Tree.File("bad.pcx", std::string("\x05\0\0\0\x02\0\0\0\x02\0\0\0abcd", 16) + std::string(768, '\0'));
    Tree.File("broken.bmp", "this is not a bitmap");
    Tree.Dir("sub");
    fs::copy_file(samples / "sprite8-5x4.pcx", fs::path(Tree.Root()) / "sub" / "inner.pcx");
    // A 24-bit picture alone in its folder, for saves whose proposed name
    // must match no file where the dialog opens.
    Tree.Dir("photos");
    fs::copy_file(samples / "bmp24-45x30.bmp", fs::path(Tree.Root()) / "photos" / "photo.bmp");
    Tree.Dir("stick");
    fs::copy_file(samples / "sprite24-5x3.pcx", fs::path(Tree.Root()) / "stick" / "usb.pcx");

    ASSERT_NO_FATAL_FAILURE(OpenWindow(Tree.Root()));
  }

  QListWidget* Files() const { return static_cast<QListWidget*>(Main->FileList->ListBox()->Widget()); }

  void ShowBmpFiles() { test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 1); }

  void Screenshot(const std::string& name) {
    Main->Form->Widget()->grab().save(QString::fromStdString(test::ArtifactPath("main-" + name + ".png")));
  }

  std::string Caption(TWindowObject* label) const { return label->Caption(); }

  // Clicks the preview and saves under `name`, answering yes when asked to
  // replace the file; `beforeSave` runs in the dialog first. The save must
  // fail: returns the text of the message box that says so ("" when none
  // came, which is a test failure already).
  std::string SaveThroughPreviewExpectingFailure(std::function<void(QFileDialog*)> beforeSave, QString name) {
    std::string message;
    // The dialog's action owns copies of what it needs; both watchers end
    // with this function.
    TModalWatcher save(test::IsA<QFileDialog>(), [beforeSave = std::move(beforeSave), name](QWidget* w) {
      // "Replace it?" comes and is answered while Save is being pressed.
      TModalWatcher replace(test::IsA<QMessageBox>(), [](QWidget* box) {
        static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
      });
      beforeSave(static_cast<QFileDialog*>(w));
      TypeNameAndSave(w, name);
    });
    TModalWatcher failure({"the message about the failed save",
                           [](QWidget* w) {
                             auto* box = qobject_cast<QMessageBox*>(w);
                             return box != nullptr && box->text().startsWith("Не удалось");
                           }},
                          [&message](QWidget* w) {
                            message = static_cast<QMessageBox*>(w)->text().toStdString();
                            static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
                          });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    if (!save.Fired()) ADD_FAILURE() << "no save dialog";
    if (!WaitFor([&failure] { return failure.Fired(); })) ADD_FAILURE() << "no message about the failed save";
    return message;
  }

  test::TTempTree Tree;
  // The drive map of a desktop over the temporary tree; C: is "/".
  TScopedDriveMap Drives{test::DesktopDriveMap(Tree.Root())};
};

TEST_F(MainWindow, StartsCentredInTheCurrentDirectoryListingSpritesInLowerCase) {
  const TRect bounds = Main->Form->Bounds();
  EXPECT_EQ(bounds.Right - bounds.Left, 547);
  EXPECT_EQ(bounds.Bottom - bounds.Top, 479);
  EXPECT_EQ(bounds.Left, (1024 - 547) / 2);
  EXPECT_EQ(bounds.Top, (768 - 479) / 2);
  EXPECT_EQ(Main->LastDir, test::SystemPath(Tree.Root()));
  EXPECT_EQ(Main->DirList->Path(), Main->LastDir + "\\");
  EXPECT_EQ(ItemTexts(*Main->FileList->ListBox()),
            (std::vector<std::string>{"bad.pcx", "hero.pcx", "sprite24-33x24.pcx", "sprite8-33x21.pcx",
                                      "sprite8-5x4.pcx"}));
  EXPECT_TRUE(Main->PcxGroup->Visible());
  EXPECT_FALSE(Main->BmpGroup->Visible());
  EXPECT_EQ(Caption(Main->PcxSizeLabel), "<нет>");
  EXPECT_EQ(Caption(Main->PcxFormatLabel), "<нет>");
  EXPECT_TRUE(Main->Image->IsEmpty());
  Screenshot("start");
}

TEST_F(MainWindow, SelectingSpritesShowsThemAndArrowKeysLoadEachFilePassed) {
  ClickFile("sprite8-33x21.pcx");
  EXPECT_TRUE(Main->PcxGroup->Visible());
  EXPECT_EQ(Caption(Main->PcxSizeLabel), "33x21");
  EXPECT_EQ(Caption(Main->PcxFormatLabel), "8 bit");
  TRect preview = Main->Preview->Bounds();
  EXPECT_EQ(preview.Right - preview.Left, 33);
  EXPECT_EQ(preview.Bottom - preview.Top, 21);
  test::ProcessPendingEvents();  // the repaint the load asked for
  Screenshot("sprite");

  // Up from sprite8-33x21 passes sprite24-33x24, then hero.pcx (HERO.PCX on
  // disk, opened by its real name).
  QTest::keyClick(Files(), Qt::Key_Up);
  EXPECT_EQ(Caption(Main->PcxSizeLabel), "33x24");
  EXPECT_EQ(Caption(Main->PcxFormatLabel), "24 bit");
  QTest::keyClick(Files(), Qt::Key_Up);
  EXPECT_EQ(Caption(Main->PcxSizeLabel), "7x9");
  EXPECT_EQ(Caption(Main->PcxFormatLabel), "8 bit");
  preview = Main->Preview->Bounds();
  EXPECT_EQ(preview.Right - preview.Left, 7);
}

TEST_F(MainWindow, ThePreviewSavesABmpThroughTheDialogAndTheNextSaveFollowsLastDir) {
  ClickFile("sprite8-33x21.pcx");
  std::string proposed;
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [&proposed](QWidget* w) {
      proposed = w->findChild<QLineEdit*>("fileNameEdit")->text().toStdString();
      TypeNameAndSave(w, "saved");
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_EQ(proposed, "sprite8-33x21");
  const std::string saved = Tree.Native("saved.bmp");
  ASSERT_TRUE(fs::exists(saved));
  TDibBitmap written;
  ASSERT_TRUE(written.ReadBmpFile(saved));
  EXPECT_EQ(PixelsOf(written), PixelsOf(*Main->Image));
  EXPECT_EQ(Main->LastDir, test::SystemPath(Tree.Root()));

  // The BMP is in the list once BMP files are shown.
  ShowBmpFiles();
  const auto bmps = ItemTexts(*Main->FileList->ListBox());
  EXPECT_NE(std::find(bmps.begin(), bmps.end(), "saved.bmp"), bmps.end());

  // Saving elsewhere moves LastDir; the next dialog starts there with the
  // next selection's base name.
  ClickFile("bmp24-45x30.bmp");
  std::string nextDirectory, nextName;
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [&nextDirectory, &nextName, sub = Tree.Native("sub")](QWidget* w) {
      auto* dialog = static_cast<QFileDialog*>(w);
      nextDirectory = dialog->directory().absolutePath().toStdString();
      nextName = w->findChild<QLineEdit*>("fileNameEdit")->text().toStdString();
      // The user goes to the folder "sub", then types the name.
      dialog->setDirectory(QString::fromStdString(sub));
      TypeNameAndSave(w, "copy");
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_EQ(nextDirectory, Tree.Root());
  EXPECT_EQ(nextName, "bmp24-45x30");
  EXPECT_TRUE(fs::exists(Tree.Native("sub/copy.bmp")));
  EXPECT_EQ(Main->LastDir, test::SystemPath(Tree.Native("sub")));

  // Cancelling changes nothing.
  {
    TModalWatcher cancel(test::IsA<QFileDialog>(), [&nextDirectory](QWidget* w) {
      nextDirectory = static_cast<QFileDialog*>(w)->directory().absolutePath().toStdString();
      static_cast<QFileDialog*>(w)->reject();
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(cancel.Fired());
  }
  EXPECT_EQ(nextDirectory, Tree.Native("sub"));
  EXPECT_EQ(Main->LastDir, test::SystemPath(Tree.Native("sub")));
}

TEST_F(MainWindow, ASpriteWithAWrongDataSizeShowsOneMessageAndKeepsWhatWasShown) {
  ShowBmpFiles();
  ClickFile("bmp24-45x30.bmp");
  ASSERT_TRUE(Main->BmpGroup->Visible());
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 0);

  int boxes = 0;
  std::string text, title;
  {
    TModalWatcher first(test::IsA<QMessageBox>(), [&](QWidget* w) {
      ++boxes;
      text = static_cast<QMessageBox*>(w)->text().toStdString();
      title = w->windowTitle().toStdString();
      static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
    });
    ClickFile("bad.pcx");
    ASSERT_TRUE(first.Fired());
  }
  // Negative check: no second box. One would come from what the first load
  // queued, or from the refresh timer that the load stopped and started
  // again; so the window is everything queued handled plus two more ticks
  // of that timer, with a watcher that counts any box meanwhile.
  {
    TModalWatcher second(
        test::IsA<QMessageBox>(),
        [&boxes](QWidget* w) {
          ++boxes;
          static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
        },
        TMissed::IsFine);
    test::ProcessPendingEvents();
    Tick();
    Tick();
  }
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(text, "Неверный формат!");
  EXPECT_EQ(title, "Kelvane");
  EXPECT_TRUE(Main->BmpGroup->Visible());
  EXPECT_FALSE(Main->PcxGroup->Visible());
  EXPECT_EQ(Main->Image->Width(), 45);
  EXPECT_EQ(Caption(Main->BmpSizeLabel), "45x30");
}

TEST_F(MainWindow, ATwentyFourBitBmpIsReducedAndSavedAsASprite) {
  ShowBmpFiles();
  ClickFile("bmp24-45x30.bmp");
  Tick();
  EXPECT_EQ(Caption(Main->BmpSizeLabel), "45x30");
  EXPECT_EQ(Caption(Main->BmpFormatLabel), "24 bit");
  EXPECT_TRUE(Main->WarningGroup->Visible());
  EXPECT_EQ(Caption(Main->StatusLabel), kNotReadyText);
  EXPECT_EQ(Main->StatusLabel->Font().Color(), RgbColor(255, 0, 0));
  EXPECT_TRUE(Main->ConvertButton->Enabled());
  EXPECT_FALSE(Main->SavePcxButton->Enabled());
  Screenshot("bmp24-warning");

  QTest::mouseClick(Main->ConvertButton->Widget(), Qt::LeftButton);
  EXPECT_EQ(Caption(Main->BmpFormatLabel), "8 bit");
  // The next tick brings the buttons, the status line and the warning along.
  Tick();
  EXPECT_TRUE(Main->SavePcxButton->Enabled());
  EXPECT_FALSE(Main->ConvertButton->Enabled());
  EXPECT_FALSE(Main->WarningGroup->Visible());
  EXPECT_EQ(Caption(Main->StatusLabel), kReadyText);
  EXPECT_EQ(Main->StatusLabel->Font().Color(), RgbColor(0, 128, 0));
  Screenshot("bmp24-converted");

  {
    TModalWatcher save(test::IsA<QFileDialog>(), [](QWidget* w) { TypeNameAndSave(w, "reduced"); });
    QTest::mouseClick(Main->SavePcxButton->Widget(), Qt::LeftButton);
    ASSERT_TRUE(save.Fired());
  }
  const std::string sprite = Tree.Native("reduced.pcx");
  ASSERT_TRUE(fs::exists(sprite));
  EXPECT_EQ(fs::file_size(sprite), 12u + 45u * 30u + 768u);
  TDibBitmap back;
  ASSERT_TRUE(LoadSprite(back, sprite));
  EXPECT_EQ(back.GetPixelFormat(), px8);
  EXPECT_EQ(PixelsOf(back), PixelsOf(*Main->Image));
  // A sprite saved into the shown directory is not listed until re-read.
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 0);
  const auto sprites = ItemTexts(*Main->FileList->ListBox());
  EXPECT_NE(std::find(sprites.begin(), sprites.end(), "reduced.pcx"), sprites.end());

  // Selecting the file again undoes the conversion.
  ShowBmpFiles();
  ClickFile("bmp24-45x30.bmp");
  Tick();
  EXPECT_EQ(Caption(Main->BmpFormatLabel), "24 bit");
  EXPECT_TRUE(Main->WarningGroup->Visible());
}

TEST_F(MainWindow, EveryDepthShowsItsCaptionAndWarningRule) {
  ShowBmpFiles();
  struct Row {
    const char* File;
    const char* Size;
    const char* Format;
    bool Warning;
    bool Ready;
  } rows[] = {
      {"bmp1-37x19.bmp", "37x19", "1 bit", false, false},
      {"bmp4-29x17.bmp", "29x17", "4 bit", false, false},
      {"bmp8-47x33.bmp", "47x33", "8 bit", false, true},
      {"bmp16-555-45x30.bmp", "45x30", "15 bit", true, false},
      {"bmp16-565-45x30.bmp", "45x30", "16 bit", true, false},
      {"bmp32-41x31.bmp", "41x31", "32 bit", true, false},
      {"broken.bmp", "0x0", "<ошибка>", false, false},
  };
  for (const Row& r : rows) {
    ClickFile(r.File);
    Tick();
    EXPECT_TRUE(Main->BmpGroup->Visible()) << r.File;
    EXPECT_EQ(Caption(Main->BmpSizeLabel), r.Size) << r.File;
    EXPECT_EQ(Caption(Main->BmpFormatLabel), r.Format) << r.File;
    EXPECT_EQ(Main->WarningGroup->Visible(), r.Warning) << r.File;
    EXPECT_EQ(Main->SavePcxButton->Enabled(), r.Ready) << r.File;
    EXPECT_EQ(Main->ConvertButton->Enabled(), !r.Ready) << r.File;
    EXPECT_EQ(Caption(Main->StatusLabel), r.Ready ? kReadyText : kNotReadyText) << r.File;
  }
  Screenshot("unreadable-bmp");
}

TEST_F(MainWindow, FilterDirectoryAndDriveChoicesMoveTheBrowser) {
  ShowBmpFiles();
  for (const std::string& name : ItemTexts(*Main->FileList->ListBox()))
    EXPECT_EQ(name.substr(name.size() - 4), ".bmp") << name;

  // Double-click "sub" in the directory list.
  TListViewObject* dirs = Main->DirList->ListView();
  int subRow = -1;
  for (int i = 0; i < dirs->ItemCount(); ++i)
    if (dirs->ItemText(i) == "sub") subRow = i;
  ASSERT_GE(subRow, 0);
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 0);
  test::DoubleClickListViewRow(*dirs, subRow);
  EXPECT_EQ(Main->DirList->Path(), test::SystemPath(Tree.Native("sub")) + "\\");
  EXPECT_EQ(ItemTexts(*Main->FileList->ListBox()), (std::vector<std::string>{"inner.pcx"}));

  // The USB stick is drive G: in this desktop's table.
  const auto drives = ItemTexts(*Main->DriveCombo->ComboBox());
  int stick = -1;
  for (int i = 0; i < static_cast<int>(drives.size()); ++i)
    if (drives[static_cast<std::size_t>(i)][0] == 'G') stick = i;
  ASSERT_GE(stick, 0) << "no drive G";
  test::ChooseComboLine(*Main->DriveCombo->ComboBox(), stick);
  EXPECT_EQ(Main->DriveCombo->Drive(), 'G');
  EXPECT_EQ(Main->DirList->Path(), "G:\\");
  EXPECT_EQ(ItemTexts(*Main->FileList->ListBox()), (std::vector<std::string>{"usb.pcx"}));
}

TEST_F(MainWindow, TheAboutWindowBlocksTheMainWindowUntilClosed) {
  auto* bar = Main->Form->Widget()->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  QAction* about = nullptr;
  for (QAction* a : bar->actions())
    if (a->text() == "О Программе...") about = a;
  ASSERT_NE(about, nullptr);
  // The About window runs its own modal loop (not a Qt modal dialog), so a
  // watcher waits for it to appear and closes it like a user would.
  bool mainDisabled = false, aboutShown = false, done = false, previewReacted = false;
  test::TWatcher user(
      "the About window", [this] { return Main->About->Form->Widget()->isVisible(); },
      [&] {
        aboutShown = true;
        mainDisabled = !Main->Form->Widget()->isEnabled();
        // Negative check: a click on the blocked main window does nothing.
        // A save dialog it opened would be cancelled and counted; it would
        // open within the click or from what the click queued, so the
        // watcher stays armed until both have been handled.
        {
          TModalWatcher dialog(
              test::IsA<QFileDialog>(), [](QWidget* w) { static_cast<QFileDialog*>(w)->reject(); }, TMissed::IsFine);
          QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(2, 2));
          test::ProcessPendingEvents();
          previewReacted = dialog.Fired();
        }
        QTest::mouseClick(Main->About->CloseButton->Widget(), Qt::LeftButton);
        done = true;
      });
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(about).center());
  ASSERT_TRUE(WaitFor([&] { return done; }));
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(aboutShown);
  EXPECT_FALSE(previewReacted);
  EXPECT_TRUE(WaitFor([this] { return !Main->About->Form->Widget()->isVisible(); }));
  EXPECT_TRUE(Main->Form->Widget()->isEnabled());
}

// A save that cannot happen says so and loses nothing: the old file, LastDir.
TEST_F(MainWindow, AFailedSaveShowsAMessageAndKeepsTheOldFileAndLastDir) {
  const std::vector<std::uint8_t> old = ReadBytes(Tree.Native("bmp24-45x30.bmp"));
  ClickFile("sprite8-33x21.pcx");
  const std::string lastDir = Main->LastDir;

  // Writes past 512 bytes fail, as on a full disk (root ignores permission
  // bits, not this limit).
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 512;

  const std::string message = SaveThroughPreviewExpectingFailure(
      [small](QFileDialog*) { setrlimit(RLIMIT_FSIZE, &small); }, "bmp24-45x30.bmp");
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_NE(message.find(Tree.Native("bmp24-45x30.bmp")), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(Tree.Native("bmp24-45x30.bmp")), old);
  EXPECT_EQ(Main->LastDir, lastDir);
  int leftovers = 0;
  for (const auto& e : fs::directory_iterator(Tree.Root()))
    if (e.path().filename().string().rfind(".bmp24", 0) == 0) ++leftovers;
  EXPECT_EQ(leftovers, 0) << "no temporary file is left";
}

TEST_F(MainWindow, ZSoftAndP32ImagesShowOnThePcxPanelAndOtherKindsAreNamed) {
  const fs::path kinds = fs::path(KELVANE_SOURCE_DIR) / "tests" / "corpus" / "pcx-kinds";
  for (const char* name : {"zsoft8-47x33.pcx", "zsoft4planar-29x17.pcx", "p32-41x31.pcx", "renamed-png.pcx"})
    fs::copy_file(kinds / name, fs::path(Tree.Root()) / name);
  ShowBmpFiles();
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 0);

  struct Row {
    const char* File;
    const char* Size;
    const char* Format;
  } rows[] = {{"zsoft8-47x33.pcx", "47x33", "8 bit"}, {"zsoft4planar-29x17.pcx", "29x17", "4 bit"},
              {"p32-41x31.pcx", "41x31", "32 bit"}};
  for (const Row& r : rows) {
    ClickFile(r.File);
    EXPECT_TRUE(Main->PcxGroup->Visible()) << r.File;
    EXPECT_FALSE(Main->BmpGroup->Visible()) << r.File;
    EXPECT_EQ(Caption(Main->PcxSizeLabel), r.Size) << r.File;
    EXPECT_EQ(Caption(Main->PcxFormatLabel), r.Format) << r.File;
    const TRect preview = Main->Preview->Bounds();
    EXPECT_EQ(SizeText(preview.Right - preview.Left, preview.Bottom - preview.Top), r.Size) << r.File;
  }
  test::ProcessPendingEvents();
  Screenshot("p32");

  std::string text;
  {
    TModalWatcher box(test::IsA<QMessageBox>(), [&text](QWidget* w) {
      text = static_cast<QMessageBox*>(w)->text().toStdString();
      static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
    });
    ClickFile("renamed-png.pcx");
    ASSERT_TRUE(WaitFor([&] { return box.Fired(); }));
  }
  EXPECT_EQ(text, "Неверный формат!\nЭто изображение PNG, а не спрайт игры");
  EXPECT_EQ(Caption(Main->PcxSizeLabel), "41x31") << "the P32 image stays";
  EXPECT_EQ(Main->Image->Width(), 41);
}

// Chooses the dialog's file type `index` with the keyboard, as a user
// would; the dialog follows the choice at once.
void ChooseFileType(QFileDialog* dialog, int index) {
  auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(types, nullptr);
  types->setFocus();
  for (int presses = 0; presses < 8 && types->currentIndex() < index; ++presses) QTest::keyClick(types, Qt::Key_Down);
  ASSERT_EQ(types->currentIndex(), index);
}

TEST_F(MainWindow, ThePreviewOffersATwentyFourBitSpriteForImagesAboveEightBits) {
  // An 8-bit sprite: BMP only, as ever.
  ClickFile("sprite8-33x21.pcx");
  QStringList filters;
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [&filters](QWidget* w) {
      filters = static_cast<QFileDialog*>(w)->nameFilters();
      static_cast<QFileDialog*>(w)->reject();
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_EQ(filters, (QStringList{"Bitmaps (*.bmp)", "PNG images (*.png)"}));

  // A 24-bit BMP: BMP and PNG first, then a 24-bit sprite, which the user picks.
  // It lies in a folder of its own, so that the proposed name matches no
  // file where the dialog opens: Qt's dialog would otherwise select that
  // file once its listing arrives and put its name back over the typed one.
  TListViewObject* dirs = Main->DirList->ListView();
  int photosRow = -1;
  for (int i = 0; i < dirs->ItemCount(); ++i)
    if (dirs->ItemText(i) == "photos") photosRow = i;
  ASSERT_GE(photosRow, 0);
  test::DoubleClickListViewRow(*dirs, photosRow);
  ShowBmpFiles();
  ClickFile("photo.bmp");
  ASSERT_EQ(Caption(Main->BmpFormatLabel), "24 bit");
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [&filters](QWidget* w) {
      auto* dialog = static_cast<QFileDialog*>(w);
      filters = dialog->nameFilters();
      ChooseFileType(dialog, 2);
      TypeNameAndSave(w, "deep.pcx");
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_EQ(filters, (QStringList{"Bitmaps (*.bmp)", "PNG images (*.png)", "PCX 24 bit (*.pcx)"}));
  const std::string sprite = Tree.Native("deep.pcx");
  ASSERT_TRUE(fs::exists(sprite));
  EXPECT_EQ(fs::file_size(sprite), 12u + 45u * 30u * 3u);
  TDibBitmap back;
  ASSERT_TRUE(LoadSprite(back, sprite));
  EXPECT_EQ(back.GetPixelFormat(), px24);
  EXPECT_EQ(PixelsOf(back), PixelsOf(*Main->Image));
  EXPECT_EQ(Main->LastDir, test::SystemPath(Tree.Root()));

  // "Сохранить как PCX..." is as it was: not for a 24-bit image.
  Tick();
  EXPECT_FALSE(Main->SavePcxButton->Enabled());

  // Typed without an extension, the name takes the chosen type's: a 24-bit
  // sprite named plain.pcx.
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [](QWidget* w) {
      ChooseFileType(static_cast<QFileDialog*>(w), 2);
      TypeNameAndSave(w, "plain");
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_FALSE(fs::exists(Tree.Native("plain.bmp")));
  TDibBitmap plain;
  ASSERT_TRUE(LoadSprite(plain, Tree.Native("plain.pcx")));
  EXPECT_EQ(plain.GetPixelFormat(), px24);
}

// Makes a directory immutable (or mutable again); false where the file
// system or the process cannot. Root ignores permission bits, not this flag.
bool SetImmutable(const std::string& dir, bool on) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

TEST_F(MainWindow, ASaveIntoAReadOnlyDirectoryShowsAMessageAndLosesNothing) {
  Tree.Dir("locked");
  fs::copy_file(Tree.Native("bmp24-45x30.bmp"), Tree.Native("locked/old.bmp"));
  const std::vector<std::uint8_t> old = ReadBytes(Tree.Native("locked/old.bmp"));
  if (!SetImmutable(Tree.Native("locked"), true)) GTEST_SKIP() << "cannot make a directory read-only here";
  struct Unlock {
    std::string Dir;
    ~Unlock() { SetImmutable(Dir, false); }
  } unlock{Tree.Native("locked")};

  ClickFile("sprite8-33x21.pcx");
  const std::string lastDir = Main->LastDir;
  const std::string message = SaveThroughPreviewExpectingFailure(
      [locked = Tree.Native("locked")](QFileDialog* dialog) { dialog->setDirectory(QString::fromStdString(locked)); },
      "old.bmp");
  EXPECT_NE(message.find("old.bmp"), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(Tree.Native("locked/old.bmp")), old);
  EXPECT_EQ(Main->LastDir, lastDir);
}

}  // namespace
}  // namespace kelvane
