// The list view as the directory list uses it, and image lists.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include "tests/support/QtTestHelpers.h"
#include "ui/Application.h"
#include "ui/FontObject.h"
#include "ui/ListView.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

// A strip of `count` 16 x 16 images: image k is filled with `colours[k]`,
// with a white (mask colour) 4 x 4 square in its top-left corner.
std::vector<std::uint32_t> Strip(const std::vector<std::uint32_t>& colours) {
  const int width = 16 * static_cast<int>(colours.size());
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < width; ++x)
      pixels[static_cast<std::size_t>(y * width + x)] =
          (x % 16 < 4 && y < 4) ? 0xFFFFFFFFu : colours[static_cast<std::size_t>(x / 16)];
  return pixels;
}

class ListViews : public ::testing::Test {
 protected:
  void SetUp() override {
    App = CreateAppWindow("Kelvane");
    Form = CreateForm(App, "list view");
    Form->MoveTo(0, 0)->ResizeTo(300, 300);
  }
  void TearDown() override { delete App; }
  TWindowObject* App = nullptr;
  TWindowObject* Form = nullptr;
};

TEST(ImageLists, StripsAreCutIntoMaskedImages) {
  TImageListObject list(nullptr);
  const auto pixels = Strip({0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu});
  TPixelRows32 rows{48, 16, pixels.data(), 48 * 4};
  EXPECT_EQ(list.AddMaskedBitmap(rows, RgbColor(255, 255, 255)), -1);  // no size yet
  EXPECT_FALSE(list.HasHandle());
  list.ImageWidth = 16;
  list.ImageHeight = 16;
  EXPECT_EQ(list.AddMaskedBitmap(rows, RgbColor(255, 255, 255)), 0);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Image(1).pixel(8, 8), 0xFF00FF00u);
  EXPECT_EQ(qAlpha(list.Image(1).pixel(1, 1)), 0);  // the mask colour is transparent
  EXPECT_EQ(list.Image(2).pixel(15, 15), 0xFF0000FFu);
  // Added again through the drawing interface, as a bitmap draws itself.
  TImageListAdder adder(list, RgbColor(255, 255, 255));
  adder.DrawRows32(0, 0, rows);
  EXPECT_EQ(adder.FirstIndex(), 3);
  EXPECT_EQ(list.Count(), 6);
  list.UseMask = false;
  EXPECT_EQ(list.AddMaskedBitmap(rows, RgbColor(255, 255, 255)), 6);
  EXPECT_EQ(list.Image(6).pixel(1, 1), 0xFFFFFFFFu);
  // Rows smaller than one image add nothing.
  TPixelRows32 small{8, 8, pixels.data(), 48 * 4};
  EXPECT_EQ(list.AddMaskedBitmap(small, RgbColor(255, 255, 255)), -1);
}

TEST_F(ListViews, TheDirectoryListsViewHasOneHeaderlessSingleSelectionColumn) {
  TListViewObject* view = CreateListView(Form, LvReportNoHeader, {});
  EXPECT_EQ(view->Bounds(), (TRect{2, 2, 202, 152}));
  view->SetOptions({LvoAutoArrange, LvoFullRowSelect, LvoInfoTip});
  QTreeWidget* tree = view->Tree();
  EXPECT_TRUE(tree->isHeaderHidden());
  EXPECT_EQ(tree->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_TRUE(view->TabStop());

  TImageListObject* icons = CreateImageList(Form);
  icons->ImageWidth = icons->ImageHeight = 16;
  const auto pixels = Strip({0xFFFFCC00u, 0xFFCC9900u, 0xFF808080u});
  ASSERT_EQ(icons->AddMaskedBitmap(TPixelRows32{48, 16, pixels.data(), 48 * 4}, RgbColor(255, 255, 255)), 0);
  view->SetImageList(16, icons);
  EXPECT_EQ(view->ImageList(16), icons);

  EXPECT_EQ(view->AddColumn("", HorzLeft, view->Bounds().Width() - 20), 0);
  EXPECT_EQ(view->ColumnCount(), 1);
  EXPECT_EQ(view->ColumnWidth(0), 180);
  EXPECT_EQ(view->SelectedIndex(), -1);
  EXPECT_EQ(view->AddRow("C:", 0, 2, 0), 0);
  EXPECT_EQ(view->AddRow("Games", 0, 1, 0), 1);
  const std::string longName(250, 'd');
  EXPECT_EQ(view->AddRow(longName, 0, 0, 42), 2);
  view->SetItemIndent(2, 1);
  EXPECT_EQ(view->ItemCount(), 3);
  EXPECT_EQ(view->ItemText(2, 0), longName);
  EXPECT_EQ(view->ItemText(2), longName);
  EXPECT_EQ(view->ItemIndent(2), 1);
  EXPECT_EQ(view->ItemIndent(1), 0);
  EXPECT_EQ(view->ItemImage(0), 2);
  EXPECT_EQ(view->ItemData(2), 42);
  EXPECT_FALSE(tree->topLevelItem(0)->icon(0).isNull());
  EXPECT_EQ(tree->topLevelItem(2)->toolTip(0).toStdString(), longName);
  EXPECT_EQ(view->SelectedIndex(), -1);
  view->SetSelectedIndex(1);
  EXPECT_EQ(view->SelectedIndex(), 1);
  view->SetColumnWidth(0, 77);
  EXPECT_EQ(view->ColumnWidth(0), 77);
  view->Clear();
  EXPECT_EQ(view->ItemCount(), 0);
  EXPECT_EQ(view->SelectedIndex(), -1);
}

TEST_F(ListViews, RowsAreSixteenPixelsHighUnlessTheTextNeedsMore) {
  TListViewObject* view = CreateListView(Form, LvReportNoHeader, {LvoFullRowSelect});
  view->SetAlignment(AlignClient);
  TImageListObject* icons = CreateImageList(Form);
  icons->ImageWidth = icons->ImageHeight = 16;
  const auto pixels = Strip({0xFFFFCC00u});
  ASSERT_EQ(icons->AddMaskedBitmap(TPixelRows32{16, 16, pixels.data(), 16 * 4}, RgbColor(255, 255, 255)), 0);
  view->SetImageList(16, icons);
  view->AddColumn("", HorzLeft, 200);
  for (const char* name : {"C:", "Games", "Maps"}) view->AddRow(name, 0, 0, 0);
  Form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form->Widget(), test::kPatientMs));
  QTreeWidget* tree = view->Tree();
  // Whole rows of 16 fill a height snapped to 16, as the directory list's is.
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(tree->visualItemRect(tree->topLevelItem(row)).height(), 16) << "row " << row;
    EXPECT_EQ(tree->visualItemRect(tree->topLevelItem(row)).top(), 16 * row) << "row " << row;
  }

  // A large face is not cut to fit.
  view->Font().SetHeight(-24);
  const int textHeight = QFontMetrics(tree->font()).height();
  EXPECT_GT(textHeight, 16);
  // The rows are measured again when the view lays itself out anew.
  EXPECT_TRUE(test::WaitFor([&] { return tree->visualItemRect(tree->topLevelItem(1)).height() >= textHeight; }));
  EXPECT_GE(tree->visualItemRect(tree->topLevelItem(1)).height(), textHeight);
}

TEST_F(ListViews, ADoubleClickSelectsTheRowThenRaisesOnMouseDoubleClick) {
  TListViewObject* view = CreateListView(Form, LvReportNoHeader, {LvoFullRowSelect});
  view->SetAlignment(AlignClient);
  view->AddColumn("", HorzLeft, 200);
  for (const char* name : {"C:", "Games", "Maps", "Saves"}) view->AddRow(name, 0, 0, 0);
  int clicks = 0;
  int doubles = 0;
  int selectedAtDouble = -2;
  TMouseRecord last;
  view->OnClick = [&](TWindowObject*) { ++clicks; };
  view->OnMouseDoubleClick = [&](TWindowObject* s, TMouseRecord& m) {
    ++doubles;
    last = m;
    selectedAtDouble = s->SelectedIndex();
  };
  Form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form->Widget(), test::kPatientMs));
  QTreeWidget* tree = view->Tree();
  const QRect row = tree->visualItemRect(tree->topLevelItem(2));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(view->SelectedIndex(), 2);
  const QRect other = tree->visualItemRect(tree->topLevelItem(3));
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, other.center());
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, other.center());
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(selectedAtDouble, 3);
  EXPECT_EQ(last.MouseButton, 1);
  // Positions are in the list view's own coordinates.
  const QPoint inView = tree->viewport()->mapTo(tree, other.center());
  EXPECT_EQ(last.PosX, inView.x());
  EXPECT_EQ(last.PosY, inView.y());
}

}  // namespace
}  // namespace kelvane
