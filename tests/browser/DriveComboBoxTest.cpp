// The drive drop-down: captions from the drive map, the current drive at
// creation, SetDrive's counting and the user's choice.
#include "browser/DriveComboBox.h"

#include <gtest/gtest.h>

#include <QTest>
#include <unistd.h>

#include "tests/browser/BrowserFixture.h"
#include "ui/FontObject.h"

namespace kelvane {
namespace {

using test::ItemTexts;

// Changes the process's current directory for the lifetime of the object.
class TScopedCurrentDirectory {
 public:
  explicit TScopedCurrentDirectory(const std::string& directory) {
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer) != nullptr) Previous_ = buffer;
    if (chdir(directory.c_str()) != 0) ADD_FAILURE() << "cannot enter " << directory;
  }
  ~TScopedCurrentDirectory() {
    if (!Previous_.empty() && chdir(Previous_.c_str()) != 0) ADD_FAILURE() << "cannot return";
  }

 private:
  std::string Previous_;
};

class DriveComboBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* dir : {"cdrom", "share", "stick", "fixed", "ram", "overlay"}) Tree_.Dir(dir);
    Drives_ = std::make_unique<TScopedDriveMap>(test::DesktopDriveMap(Tree_.Root()));
    Form_ = test::ShownForm(300, 200);
  }
  TDriveComboBox* Create() {
    TDriveComboBox* drives = CreateDriveComboBox(Form_.get());
    Combo_ = drives->ComboBox();
    return drives;
  }

  test::TTempTree Tree_;
  std::unique_ptr<TScopedDriveMap> Drives_;
  std::unique_ptr<TWindowObject> Form_;
  TWindowObject* Combo_ = nullptr;
};

TEST_F(DriveComboBoxTest, CaptionsEveryDriveWithItsTypeText) {
  TScopedCurrentDirectory inside(Tree_.Root());
  TDriveComboBox* drives = Create();
  // Pseudo file systems, the RAM disk, the overlay and the fixed partition
  // are no drives; the share reads as removable, as every remote drive does.
  EXPECT_EQ(ItemTexts(*Combo_), (std::vector<std::string>{"C - [Жесткий диск]", "D - [CD]", "E - [CD]",
                                                          "F - [Сменный накопитель]", "G - [Сменный накопитель]"}));
  EXPECT_EQ(Combo_->Font().FaceName(), "Courier New");
  EXPECT_EQ(Combo_->Font().Height(), -11);
  // The current directory's drive is shown, while Drive is not set yet.
  EXPECT_EQ(Combo_->SelectedIndex(), 0);
  EXPECT_EQ(drives->Drive(), '\0');
  EXPECT_EQ(drives->ChangeCount(), 0);
}

TEST(DriveTypeText, HasATextForEveryType) {
  EXPECT_STREQ(DriveTypeText(DriveUnknown), "Тип неизвестен");
  EXPECT_STREQ(DriveTypeText(DriveNoRootDir), "Тип неизвестен");
  EXPECT_STREQ(DriveTypeText(DriveRemovable), "Сменный накопитель");
  EXPECT_STREQ(DriveTypeText(DriveFixed), "Жесткий диск");
  EXPECT_STREQ(DriveTypeText(DriveRemote), "Сменный накопитель");
  EXPECT_STREQ(DriveTypeText(DriveCdrom), "CD");
  EXPECT_STREQ(DriveTypeText(static_cast<TDriveType>(6)), "Тип неизвестен");  // a RAM disk, say
}

TEST_F(DriveComboBoxTest, ShowsTheDriveOfTheCurrentDirectory) {
  TScopedCurrentDirectory inside(Tree_.Native("stick"));
  Create();
  EXPECT_EQ(Combo_->ItemText(Combo_->SelectedIndex()), "G - [Сменный накопитель]");
}

TEST_F(DriveComboBoxTest, SetDriveCountsEveryCallAndRaisesFromTheSecond) {
  TDriveComboBox* drives = Create();
  std::vector<char> seen;
  drives->OnChange = [&](TDriveComboBox* sender) {
    EXPECT_EQ(sender, drives);
    seen.push_back(sender->Drive());
  };
  drives->SetDrive('D');
  EXPECT_TRUE(seen.empty());  // the first call never raises
  EXPECT_EQ(drives->Drive(), 'D');
  EXPECT_EQ(Combo_->SelectedIndex(), 1);

  // A letter without a drive changes nothing but is counted and raises.
  drives->SetDrive('Z');
  EXPECT_EQ(drives->Drive(), 'D');
  EXPECT_EQ(Combo_->SelectedIndex(), 1);
  EXPECT_EQ(seen, (std::vector<char>{'D'}));

  // A small letter finds the capital's entry and is kept as given.
  drives->SetDrive('f');
  EXPECT_EQ(drives->Drive(), 'f');
  EXPECT_EQ(Combo_->SelectedIndex(), 3);
  drives->SetDrive('\0');
  EXPECT_EQ(drives->Drive(), 'f');
  EXPECT_EQ(seen, (std::vector<char>{'D', 'f', 'f'}));
  EXPECT_EQ(drives->ChangeCount(), 2);
}

TEST_F(DriveComboBoxTest, UsersChoiceRaisesTwiceOnceArmed) {
  TDriveComboBox* drives = Create();
  drives->SetAlignment(AlignTop)->Resize(0, 19);
  std::vector<char> seen;
  drives->OnChange = [&](TDriveComboBox* sender) { seen.push_back(sender->Drive()); };

  // Before two SetDrive calls only the choice's own notification comes.
  test::ChooseComboLine(*Combo_, 4);
  EXPECT_EQ(drives->Drive(), 'G');
  EXPECT_EQ(seen, (std::vector<char>{'G'}));

  drives->SetDrive('C');
  seen.clear();
  test::ChooseComboLine(*Combo_, 1);
  EXPECT_EQ(seen, (std::vector<char>{'D', 'D'}));
  QTest::keyClick(Combo_->Widget(), Qt::Key_Down);
  EXPECT_EQ(drives->Drive(), 'E');
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(DriveComboBoxTest, ResizeAppliesAZeroWidthUntilTheParentLaysOut) {
  TDriveComboBox* drives = Create();
  drives->SetAlignment(AlignTop);
  EXPECT_EQ(drives->Resize(0, 19), drives);
  EXPECT_EQ(Combo_->Bounds().Width(), 0);
  EXPECT_EQ(Combo_->Bounds().Height(), 19);
  Form_->Realign();
  EXPECT_EQ(Combo_->Bounds(), (TRect{2, 2, 298, 21}));
}

}  // namespace
}  // namespace kelvane
