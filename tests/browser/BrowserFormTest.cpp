// The four components together in a browser column, built and wired the
// way the main window does it, driven by simulated user input; the column's
// picture is saved for a person to look at.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <unistd.h>

#include "browser/DirectoryListBox.h"
#include "browser/DriveComboBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/QtTestHelpers.h"

namespace kelvane {
namespace {

using test::ItemTexts;

class BrowserFormTest : public testing::Test {
 protected:
  void SetUp() override {
    Tree_.Dir("games");
    for (const char* dir : {"games/Maps", "games/Data", "games/Сохранения", "games/.cache", "stick", "stick/Heroes",
                            "cdrom", "share"})
      Tree_.Dir(dir);
    for (const char* file : {"games/Castle.PCX", "games/town.pcx", "games/Портрет.pcx", "games/CastleBack.bmp",
                             "games/readme.txt", "stick/Hero01.PCX", "stick/Hero02.bmp"})
      Tree_.File(file);
    Drives_ = std::make_unique<TScopedDriveMap>(test::DesktopDriveMap(Tree_.Root()));
    Games_ = test::SystemPath(Tree_.Native("games"));

    Form_ = test::ShownForm(400, 380);
    Panel_ = CreatePanel(Form_.get(), FrameNone);
    Panel_->SetAlignment(AlignLeft);
    Panel_->ResizeTo(137, 0);
    Panel_->SetSpacing(0);

    DriveCombo_ = CreateDriveComboBox(Panel_);
    DriveCombo_->SetAlignment(AlignTop)->Resize(0, 19);
    DriveCombo_->OnChange = [this](TDriveComboBox*) {
      Log_.push_back("drive");
      DirList_->SetPath(std::string(1, DriveCombo_->Drive()) + ":");
    };
    DriveCombo_->SetDrive('E');

    DirList_ = CreateDirectoryListBox(Panel_);
    DirList_->SetAlignment(AlignTop)->Resize(0, 134);
    DirList_->OnChange = [this](TDirectoryListBox*) {
      Log_.push_back("dir");
      FileList_->SetPath(DirList_->Path());
    };
    DirList_->Indented = false;
    DirList_->SetPath(Games_);
    DirList_->IntegralHeight = false;

    FilterCombo_ = CreateFilterComboBox(Panel_);
    FilterCombo_->SetAlignment(AlignBottom)->Resize(0, 19);
    FilterCombo_->OnChange = [this](TFilterComboBox*) {
      Log_.push_back("filter");
      FileList_->SetMask(FilterCombo_->Mask());
    };
    FilterCombo_->SetFilterIndex(0);
    FilterCombo_->Filter = "PCX sprites (*.pcx)|*.pcx\r\nBMP images (*.bmp)|*.bmp\r\n";
    FilterCombo_->ParseFilter();

    FileList_ = CreateFileListBox(Panel_);
    FileList_->SetAlignment(AlignClient);
    FileList_->OnChange = [this](TFileListBox* sender) { Log_.push_back("file " + sender->FileName()); };
    FileList_->NameCase = NameCaseLower;
    FileList_->SetIntegralHeight(true);
    FileList_->SetMask("*.pcx");
    FileList_->SetPath(Games_);
  }

  // What the main window does when it is first shown, with `start` as the
  // process's current directory.
  void FirstShow(const std::string& start) {
    DriveCombo_->SetDrive(start[0]);
    DirList_->SetPath(start);
  }

  test::TTempTree Tree_;
  std::unique_ptr<TScopedDriveMap> Drives_;
  std::string Games_;
  std::unique_ptr<TWindowObject> Form_;
  TWindowObject* Panel_ = nullptr;
  TDriveComboBox* DriveCombo_ = nullptr;
  TDirectoryListBox* DirList_ = nullptr;
  TFilterComboBox* FilterCombo_ = nullptr;
  TFileListBox* FileList_ = nullptr;
  std::vector<std::string> Log_;
};

TEST_F(BrowserFormTest, ColumnStacksDriveDirectoryFilesAndFilter) {
  FirstShow(Games_);
  EXPECT_EQ(DriveCombo_->ComboBox()->Bounds(), (TRect{0, 0, 137, 19}));
  EXPECT_EQ(DirList_->ListView()->Bounds(), (TRect{0, 19, 137, 19 + 128}));
  const int height = Panel_->Bounds().Height();
  EXPECT_EQ(FilterCombo_->ComboBox()->Bounds(), (TRect{0, height - 19, 137, height}));
  // The file list's snap to rows of 14 plus 6 may reach past the space the
  // alignment gave it; the next layout of the column takes it back.
  const TRect files = FileList_->ListBox()->Bounds();
  const int given = height - 19 - (19 + 128);
  EXPECT_EQ(files.Top, 19 + 128);
  EXPECT_EQ(files.Height(), given / 14 * 14 + 6);
  Panel_->Realign();
  EXPECT_EQ(FileList_->ListBox()->Bounds(), (TRect{0, 19 + 128, 137, height - 19}));
  EXPECT_EQ(ItemTexts(*FileList_->ListBox()), (std::vector<std::string>{"castle.pcx", "town.pcx", "Портрет.pcx"}));
}

TEST_F(BrowserFormTest, FirstShowingMovesTheBrowserToTheStartDirectory) {
  Log_.clear();
  FirstShow(Games_);
  // The drive's root first, then the start directory, each passed on to the files.
  EXPECT_EQ(Log_, (std::vector<std::string>{"drive", "dir", "dir"}));
  EXPECT_EQ(DirList_->Path(), Games_ + "\\");
  EXPECT_EQ(FileList_->Path(), Games_ + "\\");
  EXPECT_EQ(DriveCombo_->Drive(), 'C');
}

TEST_F(BrowserFormTest, UserWalksFromDriveToFileAndChangesTheFilter) {
  FirstShow(Games_);
  Log_.clear();

  // The stick is G:. Its root shows in the directory list and its sprites
  // in the file list; each of the drive's two notifications moves the list.
  test::ChooseComboLine(*DriveCombo_->ComboBox(), 4);
  EXPECT_EQ(Log_, (std::vector<std::string>{"drive", "dir", "drive", "dir"}));
  EXPECT_EQ(DirList_->Path(), "G:\\");
  EXPECT_EQ(ItemTexts(*DirList_->ListView()), (std::vector<std::string>{"G:", "Heroes"}));
  EXPECT_EQ(ItemTexts(*FileList_->ListBox()), (std::vector<std::string>{"hero01.pcx"}));

  Log_.clear();
  test::ChooseComboLine(*FilterCombo_->ComboBox(), 1);
  EXPECT_EQ(Log_, (std::vector<std::string>{"filter", "filter"}));
  EXPECT_EQ(FileList_->Mask(), "*.bmp");
  EXPECT_EQ(ItemTexts(*FileList_->ListBox()), (std::vector<std::string>{"hero02.bmp"}));

  Log_.clear();
  test::DoubleClickListViewRow(*DirList_->ListView(), 1);
  EXPECT_EQ(FileList_->Path(), "G:\\Heroes\\");
  EXPECT_EQ(FileList_->ListBox()->ItemCount(), 0);
  test::DoubleClickListViewRow(*DirList_->ListView(), 0);
  ASSERT_EQ(FileList_->ListBox()->ItemCount(), 1);
  test::ClickListBoxRow(*FileList_->ListBox(), 0);
  EXPECT_EQ(Log_, (std::vector<std::string>{"dir", "dir", "file hero02.bmp"}));
  EXPECT_EQ(FileList_->SelectedNativePath(), Tree_.Native("stick/Hero02.bmp"));
}

TEST_F(BrowserFormTest, ScreenshotOfTheColumn) {
  FirstShow(Games_);
  FileList_->ListBox()->SetSelectedIndex(1);
  DirList_->ListView()->SetSelectedIndex(DirList_->LevelCount());
  test::ProcessPendingEvents();  // the layout and repaint the selections asked for
  const QPixmap picture = Form_->Widget()->grab();
  ASSERT_FALSE(picture.isNull());
  const std::string path = test::ArtifactPath("browser-column.png");
  ASSERT_TRUE(picture.save(QString::fromStdString(path)));
  const QImage saved(QString::fromStdString(path));
  EXPECT_EQ(saved.size(), QSize(400, 380));
  // The directory list's first row carries the hard-disk icon: some pixel in
  // its icon cell is neither the list's white nor transparent.
  const QImage image = saved.convertToFormat(QImage::Format_RGB32);
  const QRect firstRow = static_cast<QAbstractItemView*>(DirList_->ListView()->Widget())
                             ->visualRect(static_cast<QAbstractItemView*>(DirList_->ListView()->Widget())
                                              ->model()
                                              ->index(0, 0));
  int coloured = 0;
  const QPoint origin = DirList_->ListView()->Widget()->mapTo(Form_->Widget(), QPoint(0, 0));
  for (int y = firstRow.top(); y < firstRow.top() + 16; ++y)
    for (int x = firstRow.left(); x < firstRow.left() + 20; ++x) {
      const QRgb p = image.pixel(origin.x() + 1 + x, origin.y() + 1 + y);
      if (qRed(p) < 200 || qGreen(p) < 200 || qBlue(p) < 200) ++coloured;
    }
  EXPECT_GT(coloured, 20);
}

}  // namespace
}  // namespace kelvane
