// The directory list: chain and subdirectory rows, icons, indents, the
// double-click moves and when OnChange and OnDblClick are raised.
#include "browser/DirectoryListBox.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QTest>
#include <QTreeWidget>

#include "tests/browser/BrowserFixture.h"

namespace kelvane {
namespace {

using test::ItemTexts;

struct Row {
  std::string Text;
  int Image;
  int Indent;
  friend bool operator==(const Row&, const Row&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << "{" << testing::PrintToString(r.Text) << ", " << r.Image << ", " << r.Indent << "}";
  }
};

// Under the temporary root "games": subdirectories in an order that byte
// order would get wrong, a hidden one, a Cyrillic one, and files (which are
// never rows). The root also holds the mount points of the desktop map.
class DirectoryListBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    Tree_.Dir("games");
    for (const char* dir : {"games/gamma", "games/Beta", "games/alpha", "games/.config", "games/Ёлка",
                            "games/alpha/deep", "cdrom", "cdrom/DATA", "share", "stick", "fixed", "ram", "overlay"})
      Tree_.Dir(dir);
    Tree_.File("games/readme.txt");
    Tree_.File("games/zeta.pcx");
    Tree_.Fifo("games/pipe");
    Drives_ = std::make_unique<TScopedDriveMap>(test::DesktopDriveMap(Tree_.Root()));
    Games_ = test::SystemPath(Tree_.Native("games"));
    Form_ = test::ShownForm(300, 400);
    List_ = CreateDirectoryListBox(Form_.get());
    List_->ListView()->SetBounds(TRect{0, 0, 200, 300});
  }

  TListViewObject& View() { return *List_->ListView(); }
  std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (int i = 0; i < View().ItemCount(); ++i) rows.push_back({View().ItemText(i), View().ItemImage(i), View().ItemIndent(i)});
    return rows;
  }
  // The chain rows of Games_ ("C:", "tmp", ..., "games"), open folders below the disk.
  std::vector<Row> GamesChain(bool indented) {
    std::vector<Row> rows;
    std::string rest = Games_.substr(3);
    rows.push_back({"C:", IconHardDisk, 0});
    std::size_t at = 0;
    while (at <= rest.size()) {
      const std::size_t slash = std::min(rest.find('\\', at), rest.size());
      rows.push_back({rest.substr(at, slash - at), IconOpenFolder, indented ? static_cast<int>(rows.size()) : 0});
      at = slash + 1;
    }
    return rows;
  }

  test::TTempTree Tree_;
  std::unique_ptr<TScopedDriveMap> Drives_;
  std::string Games_;
  std::unique_ptr<TWindowObject> Form_;
  TDirectoryListBox* List_ = nullptr;
};

TEST_F(DirectoryListBoxTest, ShowsTheChainThenSubdirectoriesInNameOrder) {
  List_->SetPath(Games_);
  EXPECT_EQ(List_->Path(), Games_ + "\\");
  std::vector<Row> expected = GamesChain(false);
  const int level = static_cast<int>(expected.size());
  EXPECT_EQ(List_->LevelCount(), level);
  std::vector<Row> rows = Rows();
  ASSERT_EQ(rows.size(), expected.size() + 5);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[i], expected[i]) << i;
  // Hidden included, files and the FIFO not; case does not decide the order.
  std::vector<std::string> subdirectories;
  for (std::size_t i = expected.size(); i < rows.size(); ++i) {
    subdirectories.push_back(rows[i].Text);
    EXPECT_EQ(rows[i].Image, IconClosedFolder);
    EXPECT_EQ(rows[i].Indent, 1);
  }
  EXPECT_EQ(subdirectories, (std::vector<std::string>{".config", "alpha", "Beta", "gamma", "Ёлка"}));
  EXPECT_EQ(View().SelectedIndex(), -1);
}

TEST_F(DirectoryListBoxTest, IndentedRowsStepInByDepth) {
  List_->Indented = true;
  List_->SetPath(Games_ + "\\alpha");
  std::vector<Row> expected = GamesChain(true);
  expected.push_back({"alpha", IconOpenFolder, static_cast<int>(expected.size())});
  const int level = static_cast<int>(expected.size());
  expected.push_back({"deep", IconClosedFolder, level});
  EXPECT_EQ(Rows(), expected);
}

TEST_F(DirectoryListBoxTest, DriveLetterAloneShowsTheRootAndEitherFormGivesOnePath) {
  List_->SetPath("D:");
  EXPECT_EQ(List_->Path(), "D:\\");
  EXPECT_EQ(Rows(), (std::vector<Row>{{"D:", IconCompactDisc, 0}, {"DATA", IconClosedFolder, 1}}));

  List_->SetPath(Games_ + "\\");
  const std::vector<Row> withSlash = Rows();
  List_->SetPath(Games_);
  EXPECT_EQ(Rows(), withSlash);
  EXPECT_EQ(List_->Path(), Games_ + "\\");
}

TEST_F(DirectoryListBoxTest, DriveRowShowsTheDriveType) {
  List_->SetPath("F:\\");
  EXPECT_EQ(View().ItemImage(0), IconNetworkDrive);
  List_->SetPath("g:");
  EXPECT_EQ(View().ItemText(0), "g:");
  EXPECT_EQ(View().ItemImage(0), IconFloppy);
  List_->SetPath("C:\\");
  EXPECT_EQ(View().ItemImage(0), IconHardDisk);
  EXPECT_EQ(DriveIcon(DriveUnknown), IconHardDisk);
  EXPECT_EQ(DriveIcon(DriveNoRootDir), IconHardDisk);
  EXPECT_EQ(DriveIcon(static_cast<TDriveType>(6)), IconHardDisk);
}

TEST_F(DirectoryListBoxTest, OnChangeFromTheSecondCallAlsoForMissingPaths) {
  int changes = 0;
  List_->OnChange = [&](TDirectoryListBox* sender) {
    EXPECT_EQ(sender, List_);
    ++changes;
  };
  List_->SetPath(Games_);
  EXPECT_EQ(changes, 0);  // the first call never raises
  // A CD drive without a disc, a missing folder, a file, no drive, nothing.
  for (const std::string& bad : {std::string("E:"), Games_ + "\\missing", Games_ + "\\readme.txt",
                                 std::string("Q:\\"), std::string()}) {
    List_->SetPath(bad);
    EXPECT_EQ(List_->Path(), "") << bad;
    EXPECT_EQ(View().ItemCount(), 0) << bad;
    EXPECT_EQ(List_->LevelCount(), 0) << bad;
  }
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(List_->ChangeCount(), 2);
}

TEST_F(DirectoryListBoxTest, DoubleClickMovesDownUpAndToTheRoot) {
  std::vector<std::string> events;
  List_->OnChange = [&](TDirectoryListBox* sender) { events.push_back("change " + sender->Path()); };
  List_->OnDblClick = [&](TDirectoryListBox* sender, TMouseRecord& mouse) {
    events.push_back("dblclick " + sender->Path() + " button " + std::to_string(mouse.MouseButton));
  };
  List_->SetPath(Games_);
  const int level = List_->LevelCount();

  // Down into "alpha" (the second subdirectory row).
  test::DoubleClickListViewRow(View(), level + 1);
  const std::string alpha = Games_ + "\\alpha\\";
  EXPECT_EQ(events, (std::vector<std::string>{"change " + alpha, "dblclick " + alpha + " button 1"}));
  EXPECT_EQ(View().ItemText(level), "alpha");
  EXPECT_EQ(View().ItemImage(level), IconOpenFolder);

  // The last chain row shows the same directory again, and says so.
  events.clear();
  test::DoubleClickListViewRow(View(), level, Qt::RightButton);
  EXPECT_EQ(events, (std::vector<std::string>{"change " + alpha, "dblclick " + alpha + " button 2"}));

  // Up one level, then to the root through the drive row.
  events.clear();
  test::DoubleClickListViewRow(View(), level - 1, Qt::MiddleButton);
  EXPECT_EQ(List_->Path(), Games_ + "\\");
  test::DoubleClickListViewRow(View(), 0);
  EXPECT_EQ(List_->Path(), "C:\\");
  EXPECT_EQ(View().ItemText(0), "C:");
  EXPECT_EQ(List_->LevelCount(), 1);
  EXPECT_EQ(events.size(), 4u);
}

TEST_F(DirectoryListBoxTest, DoubleClickBelowTheRowsDoesNothing) {
  List_->SetPath(Games_ + "\\alpha\\deep");
  int changes = 0;
  List_->OnChange = [&](TDirectoryListBox*) { ++changes; };
  List_->OnDblClick = [&](TDirectoryListBox*, TMouseRecord&) { ++changes; };
  View().SetSelectedIndex(View().ItemCount() - 1);
  auto* tree = static_cast<QTreeWidget*>(View().Widget());
  test::DoubleClickListViewAt(View(), QPoint(10, tree->viewport()->height() - 3));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(List_->Path(), Games_ + "\\alpha\\deep\\");
}

TEST_F(DirectoryListBoxTest, EntersADirectoryWhoseNameIsNotUtf8) {
  Tree_.Dir("games/caf\xE9");
  List_->SetPath(Games_);
  const int level = List_->LevelCount();
  int row = -1;
  for (int i = level; i < View().ItemCount(); ++i)
    if (View().ItemText(i) == "caf\xEF\xBF\xBD") row = i;  // shown with U+FFFD
  ASSERT_GE(row, 0);
  View().SetSelectedIndex(row);
  test::DoubleClickListViewRow(View(), row);
  EXPECT_EQ(List_->Path(), Games_ + "\\caf\xE9\\");
  EXPECT_EQ(View().ItemText(level), "caf\xEF\xBF\xBD");
}

TEST_F(DirectoryListBoxTest, FirstCallMakesTheColumnAndSnapsTheHeight) {
  List_->Resize(0, 134);
  EXPECT_EQ(View().Bounds(), (TRect{0, 0, 0, 134}));
  View().SetBounds(TRect{0, 0, 137, 134});
  EXPECT_EQ(View().ColumnCount(), 0);
  List_->SetPath(Games_);
  EXPECT_EQ(View().ColumnCount(), 1);
  EXPECT_EQ(View().Bounds().Height(), 128);  // whole rows of 16
  EXPECT_EQ(View().ColumnWidth(0), 117);
  // Later calls keep the height, and the column follows the width.
  List_->IntegralHeight = false;
  View().SetBounds(TRect{0, 0, 160, 134});
  List_->SetPath(Games_);
  EXPECT_EQ(View().Bounds().Height(), 134);
  EXPECT_EQ(View().ColumnCount(), 1);
  EXPECT_EQ(View().ColumnWidth(0), 140);
}

TEST_F(DirectoryListBoxTest, NoSnapWhenIntegralHeightIsOffAtTheFirstCall) {
  List_->IntegralHeight = false;
  View().SetBounds(TRect{0, 0, 137, 134});
  List_->SetPath(Games_);
  EXPECT_EQ(View().Bounds().Height(), 134);
}

TEST_F(DirectoryListBoxTest, LoadsTheSixIconsAndTheArchiveIconWithWhiteTransparent) {
  TImageListObject* images = List_->Images();
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(View().ImageList(16), images);
  ASSERT_EQ(images->Count(), 7);
  EXPECT_NE(images->Image(IconArchive), images->Image(IconClosedFolder));
  for (int i = 0; i < 7; ++i) {
    const QImage image = images->Image(i);
    ASSERT_EQ(image.size(), QSize(16, 16)) << i;
    int transparent = 0;
    int white = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (qAlpha(pixel) == 0) ++transparent;
        else if ((pixel & 0xFFFFFF) == 0xFFFFFF) ++white;
      }
    // Each picture has a transparent background and a drawn part, and no
    // opaque pure white is left.
    EXPECT_GT(transparent, 0) << i;
    EXPECT_LT(transparent, 256) << i;
    EXPECT_EQ(white, 0) << i;
  }
}

// Containers (here: names ending in ".lod" or ".pac", as the window's
// archive test says) are rows after the folders; opened, a container is the
// end of the chain.
class ContainerRows : public DirectoryListBoxTest {
 protected:
  void SetUp() override {
    DirectoryListBoxTest::SetUp();
    Tree_.File("games/mod.pac");
    Tree_.File("games/H3sprite.LOD");
    Tree_.File("games/Bitmaps.lod");
    Tree_.Dir("games/folder.lod");  // a folder, whatever its name
    Tree_.Fifo("games/pipe.lod");   // never opened
    List_->IsContainer = [](std::string_view name) {
      return name.size() > 4 && (name.ends_with(".lod") || name.ends_with(".LOD") || name.ends_with(".pac"));
    };
  }
  std::vector<std::string> RowTexts(std::size_t from) {
    std::vector<std::string> texts;
    for (std::size_t i = from; i < Rows().size(); ++i) texts.push_back(Rows()[i].Text);
    return texts;
  }
};

TEST_F(ContainerRows, FollowTheFoldersInNameOrderWithTheArchiveIcon) {
  List_->SetPath(Games_);
  const std::size_t level = GamesChain(false).size();
  EXPECT_EQ(RowTexts(level), (std::vector<std::string>{".config", "alpha", "Beta", "folder.lod", "gamma", "Ёлка",
                                                       "Bitmaps.lod", "H3sprite.LOD", "mod.pac"}));
  const std::vector<Row> rows = Rows();
  for (std::size_t i = level; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].Image, i < level + 6 ? IconClosedFolder : IconArchive) << rows[i].Text;
    EXPECT_EQ(rows[i].Indent, 1) << rows[i].Text;
  }
  EXPECT_FALSE(List_->InContainer());

  // Without the test no file is a row: the folders alone, as always.
  List_->IsContainer = nullptr;
  List_->SetPath(Games_);
  EXPECT_EQ(RowTexts(level), (std::vector<std::string>{".config", "alpha", "Beta", "folder.lod", "gamma", "Ёлка"}));
  List_->SetPath(Games_ + "\\mod.pac");
  EXPECT_EQ(List_->Path(), "");
  EXPECT_EQ(View().ItemCount(), 0);
}

TEST_F(ContainerRows, ADoubleClickOpensOneLikeAFolderAndGoingUpLeavesIt) {
  std::vector<std::string> changes;
  List_->OnChange = [&](TDirectoryListBox* sender) {
    changes.push_back(sender->Path() + (sender->InContainer() ? " container" : " folder"));
  };
  List_->SetPath(Games_);
  const int level = List_->LevelCount();
  const int row = level + 7;  // H3sprite.LOD
  ASSERT_EQ(View().ItemText(row), "H3sprite.LOD");
  test::DoubleClickListViewRow(View(), row);
  const std::string inside = Games_ + "\\H3sprite.LOD\\";
  EXPECT_EQ(List_->Path(), inside);
  EXPECT_TRUE(List_->InContainer());
  std::vector<Row> expected = GamesChain(false);
  expected.push_back({"H3sprite.LOD", IconArchive, 0});
  EXPECT_EQ(Rows(), expected) << "the end of the chain, nothing under it";
  EXPECT_EQ(List_->LevelCount(), level + 1);

  // Its own chain row opens it again; the row above goes up to the folder.
  test::DoubleClickListViewRow(View(), level);
  EXPECT_EQ(List_->Path(), inside);
  test::DoubleClickListViewRow(View(), level - 1);
  EXPECT_EQ(List_->Path(), Games_ + "\\");
  EXPECT_FALSE(List_->InContainer());
  EXPECT_EQ(changes, (std::vector<std::string>{inside + " container", inside + " container",
                                               Games_ + "\\ folder"}));

  // Set in code, with or without the final backslash; a FIFO, a folder and
  // a file the test refuses are no containers.
  List_->SetPath(Games_ + "\\mod.pac");
  EXPECT_TRUE(List_->InContainer());
  EXPECT_EQ(List_->Path(), Games_ + "\\mod.pac\\");
  List_->SetPath(Games_ + "\\pipe.lod");
  EXPECT_EQ(List_->Path(), "");
  EXPECT_FALSE(List_->InContainer());
  List_->SetPath(Games_ + "\\readme.txt");
  EXPECT_EQ(List_->Path(), "");
  List_->SetPath(Games_ + "\\folder.lod");
  EXPECT_FALSE(List_->InContainer());
  EXPECT_EQ(List_->Path(), Games_ + "\\folder.lod\\");
}

}  // namespace
}  // namespace kelvane
