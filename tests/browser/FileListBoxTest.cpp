// The file list: what it lists, how names are shown and opened, and which
// user actions raise OnChange.
#include "browser/FileListBox.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <fstream>
#include <sstream>

#include "tests/browser/BrowserFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "ui/FontObject.h"

namespace kelvane {
namespace {

using test::ItemTexts;

// A game folder with what the list must and must not show.
class FileListBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Map.PCX", "town.pcx", ".hidden.pcx", "notes.txt", "Карта.PCX", "castle.bmp"})
      Tree_.File(name, name);  // each file holds its own name
    Tree_.Dir("sub.pcx");      // a directory named like the mask
    Tree_.Fifo("pipe.pcx");    // opening it would block
    Form_ = test::ShownForm(300, 300);
    List_ = CreateFileListBox(Form_.get());
    Games_ = test::SystemPath(Tree_.Root());
  }

  TWindowObject& Control() { return *List_->ListBox(); }

  test::TTempTree Tree_;
  TScopedDriveMap Drives_{TDriveMap()};
  std::unique_ptr<TWindowObject> Form_;
  TFileListBox* List_ = nullptr;
  std::string Games_;
};

TEST_F(FileListBoxTest, ListsMatchingRegularFilesOnlySortedByName) {
  List_->SetMask("*.pcx");
  List_->SetPath(Games_);
  // Mask matched without regard to case; hidden files in; the directory and
  // the FIFO out although their names match.
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{".hidden.pcx", "Map.PCX", "town.pcx", "Карта.PCX"}));
  EXPECT_EQ(List_->Path(), Games_);
  EXPECT_EQ(List_->FileName(), "");

  List_->SetMask("*.*");
  EXPECT_EQ(Control().ItemCount(), 6);
  List_->SetMask("");
  EXPECT_EQ(Control().ItemCount(), 0);
}

TEST_F(FileListBoxTest, LowerCaseShowsAsciiSmallButOpensTheRealFile) {
  List_->NameCase = NameCaseLower;
  List_->SetMask("*.pcx");
  List_->SetPath(Games_);
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{".hidden.pcx", "map.pcx", "town.pcx", "Карта.pcx"}));

  Control().SetSelectedIndex(1);
  EXPECT_EQ(List_->FileName(), "map.pcx");
  EXPECT_EQ(List_->NativeFileName(), "Map.PCX");
  std::optional<std::string> path = List_->SelectedNativePath();
  ASSERT_TRUE(path);
  EXPECT_EQ(*path, Tree_.Native("Map.PCX"));
  std::ifstream in(*path);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "Map.PCX");

  // The Cyrillic capital stays; only the ASCII extension changes.
  Control().SetSelectedIndex(3);
  EXPECT_EQ(List_->FileName(), "Карта.pcx");
  EXPECT_EQ(List_->SelectedNativePath(), Tree_.Native("Карта.PCX"));
}

TEST_F(FileListBoxTest, SelectsAFileByItsRealNameExactMatchFirstAndRaisesNothing) {
  Tree_.File("map.pcx", "map.pcx");  // beside "Map.PCX": only case tells them apart
  int changes = 0;
  List_->OnChange = [&](TFileListBox*) { ++changes; };
  List_->NameCase = NameCaseLower;
  List_->SetMask("*.pcx");
  List_->SetPath(Games_);

  ASSERT_TRUE(List_->SelectNativeName("Map.PCX"));
  EXPECT_EQ(List_->NativeFileName(), "Map.PCX");
  ASSERT_TRUE(List_->SelectNativeName("map.pcx"));
  EXPECT_EQ(List_->NativeFileName(), "map.pcx");
  // No exact match: a name that differs in ASCII case only.
  ASSERT_TRUE(List_->SelectNativeName("TOWN.pcx"));
  EXPECT_EQ(List_->NativeFileName(), "town.pcx");
  // Nothing of that name: nothing selected.
  EXPECT_FALSE(List_->SelectNativeName("castle.bmp"));
  EXPECT_EQ(List_->FileName(), "");
  EXPECT_EQ(changes, 0);
}

TEST_F(FileListBoxTest, NameCaseTakesEffectAtTheNextListingOnly) {
  List_->SetMask("*.PCX");
  List_->SetPath(Games_);
  List_->NameCase = NameCaseUpper;
  EXPECT_EQ(Control().ItemText(2), "town.pcx");
  List_->SetPath(Games_);
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{".HIDDEN.PCX", "MAP.PCX", "TOWN.PCX", "Карта.PCX"}));
}

TEST(ApplyNameCase, ChangesAsciiLettersOnly) {
  EXPECT_EQ(ApplyNameCase("Ab-Zz_09.PcX", NameCaseLower), "ab-zz_09.pcx");
  EXPECT_EQ(ApplyNameCase("Ab-Zz_09.PcX", NameCaseUpper), "AB-ZZ_09.PCX");
  EXPECT_EQ(ApplyNameCase("Ab", NameCaseAsIs), "Ab");
  // UTF-8 bytes of Cyrillic letters are never touched, in either direction.
  EXPECT_EQ(ApplyNameCase("ЁЖя.X", NameCaseLower), "ЁЖя.x");
  EXPECT_EQ(ApplyNameCase("ЁЖя.x", NameCaseUpper), "ЁЖя.X");
}

TEST_F(FileListBoxTest, PathKeepsItsFinalBackslashAndListsTheSame) {
  List_->SetMask("*.bmp");
  List_->SetPath(Games_ + "\\");
  EXPECT_EQ(List_->Path(), Games_ + "\\");
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{"castle.bmp"}));
  List_->SetPath(Games_);
  EXPECT_EQ(List_->Path(), Games_);
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{"castle.bmp"}));
}

TEST_F(FileListBoxTest, NothingIsListedWithoutAnExistingDirectory) {
  // A mask before any path lists nothing.
  List_->SetMask("*.pcx");
  EXPECT_EQ(List_->Path(), "");
  EXPECT_EQ(Control().ItemCount(), 0);

  List_->SetPath(Games_);
  ASSERT_EQ(Control().ItemCount(), 4);
  Control().SetSelectedIndex(0);
  // A file is not a directory, nor is a name that does not exist; the old
  // lines go, so no stale name can be opened.
  for (const std::string& bad : {Games_ + "\\town.pcx", Games_ + "\\missing", std::string("Q:\\"), std::string()}) {
    List_->SetPath(bad);
    EXPECT_EQ(List_->Path(), "") << bad;
    EXPECT_EQ(Control().ItemCount(), 0) << bad;
    EXPECT_EQ(List_->FileName(), "") << bad;
    EXPECT_FALSE(List_->SelectedNativePath()) << bad;
  }
}

TEST_F(FileListBoxTest, OnlyTheUsersSelectionRaisesOnChange) {
  List_->SetMask("*.pcx");
  int changes = 0;
  std::vector<std::string> seen;
  List_->OnChange = [&](TFileListBox* sender) {
    ++changes;
    EXPECT_EQ(sender, List_);
    seen.push_back(sender->FileName());
  };
  List_->SetPath(Games_);
  Control().SetSelectedIndex(0);
  List_->SetMask("*.pcx");
  EXPECT_EQ(changes, 0);

  // The focus arriving in the list selects no line and says nothing.
  QWidget* widget = Control().Widget();
  widget->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(widget->window(), test::kPatientMs));
  widget->setFocus();
  ASSERT_TRUE(test::WaitFor([widget] { return widget->hasFocus(); }));
  EXPECT_EQ(List_->FileName(), "");
  EXPECT_EQ(changes, 0);

  test::ClickListBoxRow(Control(), 2);
  EXPECT_EQ(changes, 1);
  QTest::keyClick(Control().Widget(), Qt::Key_Down);
  EXPECT_EQ(changes, 2);
  QTest::keyClick(Control().Widget(), Qt::Key_Home);
  EXPECT_EQ(changes, 3);
  // The handler already sees the new line.
  EXPECT_EQ(seen, (std::vector<std::string>{"town.pcx", "Карта.PCX", ".hidden.pcx"}));

  // Re-listing after a save leaves nothing selected and says nothing.
  List_->SetPath(List_->Path());
  EXPECT_EQ(List_->FileName(), "");
  EXPECT_EQ(changes, 3);
}

TEST_F(FileListBoxTest, IntegralHeightSnapsOnceToRowsOfFourteenPlusSix) {
  Control().SetBounds(TRect{0, 0, 120, 100});
  List_->SetIntegralHeight(false);
  EXPECT_EQ(Control().Bounds().Height(), 100);
  List_->SetIntegralHeight(true);
  EXPECT_TRUE(List_->IntegralHeight());
  EXPECT_EQ(Control().Bounds(), (TRect{0, 0, 120, 7 * 14 + 6}));
  // Once is enough: a later height stays as it is given.
  Control().SetBounds(TRect{0, 0, 120, 50});
  List_->SetPath(Games_);
  EXPECT_EQ(Control().Bounds().Height(), 50);
}

TEST_F(FileListBoxTest, IsAnElevenPixelListReleasedWithItsOwner) {
  EXPECT_EQ(Control().Kind(), TWindowKind::ListBox);
  EXPECT_EQ(Control().Parent(), Form_.get());
  EXPECT_EQ(Control().Font().Height(), -11);
  EXPECT_EQ(List_->SetAlignment(AlignClient), List_);
  EXPECT_EQ(Control().Align(), AlignClient);
  bool destroyed = false;
  List_->OnDestroy = [&](TBaseObject*) { destroyed = true; };
  Form_.reset();
  EXPECT_TRUE(destroyed);
}

TEST_F(FileListBoxTest, OutlivesItsDeletedControl) {
  List_->SetMask("*.pcx");
  List_->SetPath(Games_);
  delete List_->ListBox();
  EXPECT_EQ(List_->ListBox(), nullptr);
  // Every operation still works on what is left, and nothing is touched.
  List_->SetPath(Games_);
  List_->SetIntegralHeight(true);
  EXPECT_EQ(List_->SetAlignment(AlignTop), List_);
  EXPECT_EQ(List_->FileName(), "");
  EXPECT_FALSE(List_->SelectedNativePath());
}

// A container the owner opened: its lister gives the lines for each mask, in
// its order; nothing of the folder beneath shows, and SetPath goes back.
TEST_F(FileListBoxTest, AnOwnersListingShowsItsLinesForEachMaskUntilSetPath) {
  List_->NameCase = NameCaseLower;
  List_->SetMask("*.pcx");
  List_->SetPath(Games_);
  std::vector<std::string> asked;
  const TFileLister lister = [&asked](const std::string& mask) {
    asked.push_back(mask);
    std::vector<TListedFile> lines;
    if (mask == "*.pcx") lines = {{"Zeta.PCX", "Zeta.PCX"}, {"alpha.pcx", "ALPHA.pcx"}};
    if (mask == "*.bmp") lines = {{"Flag.bmp", "Flag.bmp"}};
    return lines;
  };
  const std::string inside = Games_ + "\\data.lod\\";
  List_->ShowListing(inside, lister);
  EXPECT_TRUE(List_->ShowsListing());
  EXPECT_EQ(List_->Path(), inside);
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{"zeta.pcx", "alpha.pcx"}));
  Control().SetSelectedIndex(1);
  EXPECT_EQ(List_->FileName(), "alpha.pcx");
  EXPECT_EQ(List_->NativeFileName(), "ALPHA.pcx");
  EXPECT_EQ(List_->SelectedNativePath(), std::nullopt) << "no file of that path exists";

  List_->SetMask("*.bmp");
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{"flag.bmp"}));
  EXPECT_EQ(List_->FileName(), "");
  List_->Refresh();
  EXPECT_EQ(asked, (std::vector<std::string>{"*.pcx", "*.bmp", "*.bmp"}));

  List_->SetPath(Games_);
  EXPECT_FALSE(List_->ShowsListing());
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{"castle.bmp"}));
  List_->SetMask("*.pcx");
  EXPECT_EQ(asked.size(), 3u) << "the lister is not asked once the list went back to folders";
}

TEST_F(FileListBoxTest, RefreshListsTheFolderAgain) {
  List_->SetMask("*.bmp");
  List_->SetPath(Games_);
  Tree_.File("new.bmp");
  List_->Refresh();
  EXPECT_EQ(ItemTexts(Control()), (std::vector<std::string>{"castle.bmp", "new.bmp"}));
  EXPECT_EQ(List_->Path(), Games_);
}

}  // namespace
}  // namespace kelvane
