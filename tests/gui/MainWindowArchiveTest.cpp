// The game's archives in the main window, driven like a user would: archives
// in the folder list, a double-click into one, entries selected and saved
// through the preview, going up, and "Извлечь все..." with its progress
// dialog, its summary and its cancel. The archives are the generated
// fixtures of tests/corpus/archives (tools/make_lod.py) and archives the
// tests build from the samples.
#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "app/ArchiveBrowsing.h"
#include "app/ExtractionDialog.h"
#include "browser/DirectoryListBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "formats/LodArchive.h"
#include "platform/DriveMap.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/ModalWatcher.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "tests/support/Watcher.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/ListView.h"
#include "ui/MenuObject.h"
#include "ui/WindowObject.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {
namespace {

using test::ItemTexts;
using test::TMissed;
using test::TModalWatcher;
using test::WaitFor;

namespace fs = std::filesystem;

const fs::path kSource = KELVANE_SOURCE_DIR;

std::set<std::string> FilesIn(const fs::path& dir) {
  std::set<std::string> names;
  if (!fs::exists(dir)) return names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

std::vector<std::uint32_t> PixelsOf(TDibBitmap& image) {
  const TPixelRows32 rows = image.Rows32();
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < rows.Height; ++y) pixels.insert(pixels.end(), rows.Row(y), rows.Row(y) + rows.Width);
  return pixels;
}

// A folder with a sprite, a subfolder and archives:
//   Data.lod    the sound fixture (Hero, Ring, Sky24 and Empty sprites,
//               Flag.bmp, a palette, a text)
//   mod.PAC     the same, under the other extension
//   damaged.lod entries whose data is damaged
//   broken.lod  no archive at all
class MainWindowArchives : public test::TMainWindowTest {
 protected:
  void SetUp() override {
    const fs::path archives = kSource / "tests/corpus/archives";
    const fs::path root = Tree.Root();
    fs::copy_file(kSource / "samples/sprite8-33x21.pcx", root / "loose.pcx");
    fs::copy_file(archives / "sound.lod", root / "Data.lod");
    fs::copy_file(archives / "sound.lod", root / "mod.PAC");
    fs::copy_file(archives / "bad-compressed-data.lod", root / "damaged.lod");
    fs::copy_file(archives / "not-an-archive.lod", root / "broken.lod");
    Tree.Dir("sub");
    Tree.Dir("out");

    ASSERT_NO_FATAL_FAILURE(OpenWindow(root));
  }

  TListViewObject& Folders() { return *Main->DirList->ListView(); }
  std::vector<std::string> Files() { return ItemTexts(*Main->FileList->ListBox()); }

  int FolderRow(const std::string& text) {
    for (int i = 0; i < Folders().ItemCount(); ++i)
      if (Folders().ItemText(i) == text) return i;
    ADD_FAILURE() << text << " is not in the folder list";
    return -1;
  }

  // Scrolls the row into view, as a user would, and double-clicks it.
  void DoubleClickFolderRow(int row) {
    QTreeWidget* tree = Folders().Tree();
    tree->scrollToItem(tree->topLevelItem(row));
    test::ProcessPendingEvents();
    test::LetDoubleClickIntervalPass();
    test::DoubleClickListViewRow(Folders(), row);
  }

  void OpenArchive(const std::string& name) {
    const int row = FolderRow(name);
    if (row >= 0) DoubleClickFolderRow(row);
  }

  void ClickFile(const std::string& name) {
    const auto texts = Files();
    const auto at = std::find(texts.begin(), texts.end(), name);
    ASSERT_NE(at, texts.end()) << name << " is not listed";
    test::ClickListBoxRow(*Main->FileList->ListBox(), static_cast<int>(at - texts.begin()));
  }

  QAction* ExtractAllItem() {
    auto* bar = Main->Form->Widget()->findChild<QMenuBar*>();
    QMenu* file = bar != nullptr && !bar->actions().isEmpty() ? bar->actions().first()->menu() : nullptr;
    if (file == nullptr) return nullptr;
    for (QAction* a : file->actions())
      if (a->text() == "Извлечь все...") return a;
    return nullptr;
  }

  // Opens "Файл" with a click on the menu bar and clicks "Извлечь все...".
  // Whatever that opens must be answered by watchers armed before.
  void ChooseExtractAll() {
    auto* bar = Main->Form->Widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QAction* file = bar->actions().value(0);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->text().toStdString(), "Файл");
    test::LetDoubleClickIntervalPass();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    QMenu* menu = file->menu();
    ASSERT_TRUE(WaitFor([menu] { return menu->isVisible(); })) << "the menu did not open";
    QAction* item = ExtractAllItem();
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    test::LetDoubleClickIntervalPass();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  }

  // A folder dialog answer: goes to `folder` and presses its accept button.
  static std::function<void(QWidget*)> ChooseFolder(fs::path folder, std::string* proposed = nullptr) {
    return [folder = std::move(folder), proposed](QWidget* w) {
      auto* dialog = static_cast<QFileDialog*>(w);
      if (proposed != nullptr) *proposed = dialog->directory().absolutePath().toStdString();
      EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
      dialog->setDirectory(QString::fromStdString(folder.string()));
      auto* buttons = w->findChild<QDialogButtonBox*>();
      ASSERT_NE(buttons, nullptr);
      QPushButton* choose = buttons->button(QDialogButtonBox::Open);
      ASSERT_NE(choose, nullptr);
      QTest::mouseClick(choose, Qt::LeftButton);
    };
  }

  // A watcher that closes the extraction dialog with "Закрыть" once it
  // shows its summary, keeping what it showed.
  struct TSummarySeen {
    std::string Text;
    std::vector<std::string> Problems;
    bool ProblemsShown = false;
    bool MainDisabled = false;
  };
  std::unique_ptr<test::TWatcher> CloseWhenFinished(TSummarySeen& seen, std::string shot = "extraction-summary") {
    TExtractionDialog* dialog = Main->ExtractDialog;
    return std::make_unique<test::TWatcher>(
        "the extraction's summary",
        [dialog] { return dialog->State() == TExtractionState::Finished && dialog->Form->Widget()->isVisible(); },
        [this, dialog, &seen, shot] {
          seen.Text = dialog->ProgressLabel->Caption();
          seen.Problems = ItemTexts(*dialog->ProblemList);
          seen.ProblemsShown = dialog->ProblemList->Visible();
          seen.MainDisabled = !Main->Form->Widget()->isEnabled();
          EXPECT_EQ(dialog->Button->Caption(), "Закрыть");
          Main->Form->Widget()->grab().save(QString::fromStdString(test::ArtifactPath("archive-window-busy.png")));
          dialog->Form->Widget()->grab().save(QString::fromStdString(test::ArtifactPath(shot + ".png")));
          QTest::mouseClick(dialog->Button->Widget(), Qt::LeftButton);
        });
  }

  // Builds an archive of `count` copies of a sample sprite in the tree.
  void ManySprites(const std::string& name, int count) {
    std::ifstream in(kSource / "samples/sprite8-33x21.pcx", std::ios::binary);
    const std::vector<std::uint8_t> sprite((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(sprite.empty());
    TLodBuilder builder;
    for (int i = 0; i < count; ++i) ASSERT_TRUE(builder.Put("s" + std::to_string(i) + ".pcx", sprite));
    ASSERT_TRUE(builder.Save(Tree.Native(name)));
  }

  test::TTempTree Tree;
  TScopedDriveMap Drives{test::DesktopDriveMap(Tree.Root())};
};

TEST_F(MainWindowArchives, ArchivesFollowTheFoldersAndOpenWithADoubleClick) {
  const int level = Main->DirList->LevelCount();
  std::vector<std::string> rows;
  for (int i = level; i < Folders().ItemCount(); ++i) {
    rows.push_back(Folders().ItemText(i));
    EXPECT_EQ(Folders().ItemImage(i), rows.back() == "out" || rows.back() == "sub" ? IconClosedFolder : IconArchive)
        << rows.back();
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"out", "sub", "broken.lod", "damaged.lod", "Data.lod", "mod.PAC"}));
  EXPECT_EQ(Files(), (std::vector<std::string>{"loose.pcx"}));
  ASSERT_NE(ExtractAllItem(), nullptr);
  EXPECT_FALSE(ExtractAllItem()->isEnabled()) << "nothing to extract from a folder";

  OpenArchive("Data.lod");
  EXPECT_EQ(Main->DirList->Path(), test::SystemPath(Tree.Native("Data.lod")) + "\\");
  EXPECT_EQ(Main->DirList->LevelCount(), level + 1);
  EXPECT_EQ(Folders().ItemCount(), level + 1);
  EXPECT_EQ(Folders().ItemImage(level), IconArchive);
  // Its sprites, in lower case as for files; the filter chooses the BMP.
  EXPECT_EQ(Files(), (std::vector<std::string>{"empty.pcx", "hero.pcx", "ring.pcx", "sky24.pcx"}));
  EXPECT_TRUE(ExtractAllItem()->isEnabled());
  test::ProcessPendingEvents();
  Main->Form->Widget()->grab().save(QString::fromStdString(test::ArtifactPath("main-archive.png")));
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 1);
  EXPECT_EQ(Files(), (std::vector<std::string>{"flag.bmp"}));
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 0);
  EXPECT_EQ(Files().size(), 4u);

  // The other extension opens the same way.
  DoubleClickFolderRow(level - 1);
  OpenArchive("mod.PAC");
  EXPECT_EQ(Files().size(), 4u);
}

TEST_F(MainWindowArchives, EntriesLoadAsFilesAndThePreviewSavesThem) {
  OpenArchive("Data.lod");
  ClickFile("hero.pcx");
  EXPECT_TRUE(Main->PcxGroup->Visible());
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "33x21");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "8 bit");
  TRect preview = Main->Preview->Bounds();
  EXPECT_EQ(preview.Right - preview.Left, 33);

  // The arrow keys move on, as in a folder.
  auto* files = static_cast<QListWidget*>(Main->FileList->ListBox()->Widget());
  QTest::keyClick(files, Qt::Key_Down);
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "7x9");
  QTest::keyClick(files, Qt::Key_Down);
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "5x3");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "24 bit");

  // A click on the preview saves the entry as a BMP under its own name.
  std::string proposed;
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [&proposed](QWidget* w) {
      auto* dialog = static_cast<QFileDialog*>(w);
      proposed = dialog->selectedFiles().value(0).toStdString();
      auto* buttons = w->findChild<QDialogButtonBox*>();
      ASSERT_NE(buttons, nullptr);
      QTest::mouseClick(buttons->button(QDialogButtonBox::Save), Qt::LeftButton);
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_TRUE(save.Fired());
  }
  EXPECT_EQ(proposed, Tree.Native("sky24.bmp"));
  TDibBitmap saved;
  ASSERT_TRUE(saved.ReadBmpFile(Tree.Native("sky24.bmp")));
  EXPECT_EQ(PixelsOf(saved), PixelsOf(*Main->Image));
  // The list still shows the archive.
  EXPECT_EQ(Files(), (std::vector<std::string>{"empty.pcx", "hero.pcx", "ring.pcx", "sky24.pcx"}));

  // A BMP entry fills the BMP panel.
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 1);
  ClickFile("flag.bmp");
  EXPECT_TRUE(Main->BmpGroup->Visible());
  EXPECT_FALSE(Main->PcxGroup->Visible());
  EXPECT_EQ(Main->BmpSizeLabel->Caption(), "6x5");
  EXPECT_EQ(Main->BmpFormatLabel->Caption(), "8 bit");
}

TEST_F(MainWindowArchives, ADamagedEntryIsAnInvalidFormatAndABrokenArchiveSaysSo) {
  OpenArchive("damaged.lod");
  ClickFile("a.pcx");
  ASSERT_EQ(Main->PcxSizeLabel->Caption(), "9x7");
  std::vector<std::string> messages;
  const auto answer = [&messages](QWidget* w) {
    messages.push_back(static_cast<QMessageBox*>(w)->text().toStdString());
    static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
  };
  {
    TModalWatcher box(test::IsA<QMessageBox>(), answer);
    ClickFile("broken.pcx");
    ASSERT_TRUE(box.Fired());
  }
  EXPECT_EQ(messages, (std::vector<std::string>{"Неверный формат!"}));
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "9x7") << "what was shown stays";
  EXPECT_EQ(Main->Image->Width(), 9);

  // Extracted, the damaged entries are listed with their reasons and the
  // sound one is written.
  TSummarySeen seen;
  {
    TModalWatcher folder(test::IsA<QFileDialog>(), ChooseFolder(Tree.Native("out")));
    auto summary = CloseWhenFinished(seen, "extraction-failures");
    ChooseExtractAll();
    ASSERT_TRUE(WaitFor([&] { return summary->Fired(); }));
  }
  EXPECT_EQ(seen.Text, "Готово: извлечено 1 из 6, в BMP преобразовано 1. Не извлечено: 5.");
  ASSERT_EQ(seen.Problems.size(), 5u);
  for (const char* entry : {"beyond.pcx: ", "broken.pcx: ", "cut.pcx: ", "raw.pcx: ", "short.pcx: "})
    EXPECT_EQ(std::count_if(seen.Problems.begin(), seen.Problems.end(),
                            [entry](const std::string& line) { return line.rfind(entry, 0) == 0 && line.size() > 12; }),
              1)
        << entry;
  EXPECT_EQ(FilesIn(Tree.Native("out")), (std::set<std::string>{"a.bmp"}));

  // Up, then into a ".lod" that is no archive: a message, an empty list.
  DoubleClickFolderRow(Main->DirList->LevelCount() - 2);
  {
    TModalWatcher box(test::IsA<QMessageBox>(), answer);
    OpenArchive("broken.lod");
    ASSERT_TRUE(box.Fired());
  }
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].rfind("Не удалось открыть архив\n" + Tree.Native("broken.lod") + "\n", 0), 0u) << messages[1];
  EXPECT_TRUE(Files().empty());
  EXPECT_FALSE(ExtractAllItem()->isEnabled());
}

TEST_F(MainWindowArchives, GoingUpLeavesTheArchive) {
  const std::string folder = Main->DirList->Path();
  const int level = Main->DirList->LevelCount();
  OpenArchive("Data.lod");
  ClickFile("hero.pcx");
  DoubleClickFolderRow(level - 1);
  EXPECT_EQ(Main->DirList->Path(), folder);
  EXPECT_FALSE(Main->DirList->InContainer());
  EXPECT_FALSE(Main->Archives->IsOpen());
  EXPECT_FALSE(Main->FileList->ShowsListing());
  EXPECT_EQ(Files(), (std::vector<std::string>{"loose.pcx"}));
  EXPECT_FALSE(ExtractAllItem()->isEnabled());
  // Files load from the folder again.
  ClickFile("loose.pcx");
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "33x21");
  // The filter lists the folder, not the archive left.
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 1);
  EXPECT_TRUE(Files().empty());
}

TEST_F(MainWindowArchives, ExtractAllWritesWhatTheFilterShowsWithProgressAndASummary) {
  OpenArchive("Data.lod");
  std::vector<TExtractProgress> reports;
  bool modal = true;
  Main->ExtractDialog->OnProgress = [&](TExtractionDialog* dialog, const TExtractProgress& p) {
    reports.push_back(p);
    modal = modal && !Main->Form->Widget()->isEnabled() && dialog->Form->Widget()->isVisible();
    EXPECT_EQ(dialog->Button->Caption(), "Отмена");
  };
  TSummarySeen seen;
  std::string proposed;
  {
    TModalWatcher folder(test::IsA<QFileDialog>(), ChooseFolder(Tree.Native("out"), &proposed));
    auto summary = CloseWhenFinished(seen);
    ChooseExtractAll();
    ASSERT_TRUE(folder.Fired());
    ASSERT_TRUE(WaitFor([&] { return summary->Fired(); }));
  }
  // The folder of the last save is proposed: at first, where Kelvane started.
  EXPECT_EQ(proposed, Tree.Root());
  EXPECT_EQ(FilesIn(Tree.Native("out")), (std::set<std::string>{"Hero.bmp", "Ring.bmp", "Sky24.bmp"}));
  TDibBitmap hero, written;
  TLodArchive archive;
  ASSERT_TRUE(archive.Open(Tree.Native("Data.lod")));
  ASSERT_EQ(LoadArchiveEntry(hero, archive, "Hero.pcx").Status, TLoadStatus::Loaded);
  ASSERT_TRUE(written.ReadBmpFile(Tree.Native("out/Hero.bmp")));
  EXPECT_EQ(PixelsOf(written), PixelsOf(hero));

  EXPECT_EQ(seen.Text, "Готово: извлечено 3 из 4, в BMP преобразовано 3. Не извлечено: 1.");
  ASSERT_EQ(seen.Problems.size(), 1u);
  EXPECT_EQ(seen.Problems[0].rfind("Empty.pcx: ", 0), 0u) << seen.Problems[0];
  EXPECT_TRUE(seen.ProblemsShown);
  EXPECT_TRUE(seen.MainDisabled);
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.front().Done, 0u);
  EXPECT_EQ(reports.back().Done, 4u);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].Total, 4u);
    if (i > 0) {
      EXPECT_GE(reports[i].Done, reports[i - 1].Done);
    }
  }
  EXPECT_TRUE(modal) << "the main window takes no input while the extraction runs";
  EXPECT_FALSE(Main->ExtractDialog->Form->Widget()->isVisible());
  EXPECT_TRUE(Main->Form->Widget()->isEnabled());
  EXPECT_EQ(Main->LastDir, test::SystemPath(Tree.Native("out")));

  // BMP images come out as they are stored.
  Main->ExtractDialog->OnProgress = nullptr;
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 1);
  {
    TModalWatcher folder(test::IsA<QFileDialog>(), ChooseFolder(Tree.Native("sub"), &proposed));
    auto summary = CloseWhenFinished(seen);
    ChooseExtractAll();
    ASSERT_TRUE(WaitFor([&] { return summary->Fired(); }));
  }
  EXPECT_EQ(proposed, Tree.Native("out"));
  EXPECT_EQ(seen.Text, "Готово: извлечено 1 из 1.");
  EXPECT_FALSE(seen.ProblemsShown);
  std::vector<std::uint8_t> flag;
  ASSERT_TRUE(archive.Read(*archive.Find("Flag.bmp"), flag));
  std::ifstream in(Tree.Native("sub/Flag.bmp"), std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), flag);
}

// Files already in the folder are replaced only when the user says so.
TEST_F(MainWindowArchives, ExtractingOverFilesAsksFirst) {
  OpenArchive("Data.lod");
  for (const char* name : {"Hero.bmp", "Ring.bmp", "Sky24.bmp", "Empty.bmp"}) Tree.File("out/" + std::string(name), "old");
  const auto old = [this](const char* name) {
    std::ifstream in(Tree.Native("out/" + std::string(name)));
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()) == "old";
  };
  std::string question;
  {
    // No: nothing runs, nothing changes.
    TModalWatcher folder(test::IsA<QFileDialog>(), ChooseFolder(Tree.Native("out")));
    TModalWatcher no(test::IsA<QMessageBox>(), [&question](QWidget* w) {
      question = static_cast<QMessageBox*>(w)->text().toStdString();
      static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click();
    });
    ChooseExtractAll();
    ASSERT_TRUE(no.Fired());
  }
  EXPECT_EQ(question,
            "В папке уже есть файлы с теми же именами: Empty.bmp, Hero.bmp, Ring.bmp и ещё 1.\nЗаменить их?");
  EXPECT_EQ(Main->ExtractDialog->State(), TExtractionState::Idle) << "the extraction never started";
  for (const char* name : {"Hero.bmp", "Ring.bmp", "Sky24.bmp"}) EXPECT_TRUE(old(name)) << name;

  // Yes: they are replaced; the empty sprite fails and leaves its file.
  TSummarySeen seen;
  {
    TModalWatcher folder(test::IsA<QFileDialog>(), ChooseFolder(Tree.Native("out")));
    TModalWatcher yes(test::IsA<QMessageBox>(),
                      [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    auto summary = CloseWhenFinished(seen);
    ChooseExtractAll();
    ASSERT_TRUE(yes.Fired());
    ASSERT_TRUE(WaitFor([&] { return summary->Fired(); }));
  }
  for (const char* name : {"Hero.bmp", "Ring.bmp", "Sky24.bmp"}) EXPECT_FALSE(old(name)) << name;
  EXPECT_TRUE(old("Empty.bmp"));
  EXPECT_EQ(seen.Text, "Готово: извлечено 3 из 4, в BMP преобразовано 3. Не извлечено: 1.");
}

// Cancelling while the first report is shown, before any entry is begun:
// nothing is written, and the summary says so. The close box cancels too.
TEST_F(MainWindowArchives, CancelStopsTheExtractionAndLeavesOnlyWholeFiles) {
  ManySprites("many.lod", 300);
  Main->DirList->SetPath(Main->DirList->Path());
  OpenArchive("many.lod");
  ASSERT_EQ(Files().size(), 300u);

  for (const bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Отмена");
    const std::string shot = closeBox ? "extraction-cancelled-by-close" : "extraction-cancelled";
    const fs::path out = Tree.Native(closeBox ? "cancelled-by-close" : "cancelled");
    fs::create_directory(out);
    int reports = 0;
    bool cancelShown = false;
    Main->ExtractDialog->OnProgress = [&](TExtractionDialog* dialog, const TExtractProgress&) {
      if (++reports > 1) return;
      if (closeBox)
        dialog->Form->Widget()->close();
      else
        QTest::mouseClick(dialog->Button->Widget(), Qt::LeftButton);
      cancelShown = dialog->CancelRequested() && !dialog->Button->Enabled() &&
                    dialog->Form->Widget()->isVisible() && dialog->State() == TExtractionState::Running;
    };
    TSummarySeen seen;
    {
      TModalWatcher folder(test::IsA<QFileDialog>(), ChooseFolder(out));
      auto summary = CloseWhenFinished(seen, shot);
      ChooseExtractAll();
      ASSERT_TRUE(WaitFor([&] { return summary->Fired(); }));
    }
    EXPECT_TRUE(cancelShown);
    EXPECT_EQ(reports, 1) << "no report after the cancel";
    EXPECT_EQ(seen.Text, "Прервано: извлечено 0 из 300.");
    EXPECT_TRUE(Main->ExtractDialog->Summary().Cancelled);
    EXPECT_TRUE(FilesIn(out).empty());
  }
  Main->ExtractDialog->OnProgress = nullptr;
}

}  // namespace
}  // namespace kelvane
