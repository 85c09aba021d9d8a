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

TEST_F(DirectoryListBoxTest, LoadsTheSixIconsWithWhiteTransparent) {
  TImageListObject* images = List_->Images();
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(View().ImageList(16), images);
  ASSERT_EQ(images->Count(), 6);
  for (int i = 0; i < 6; ++i) {
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

}  // namespace
}  // namespace kelvane
