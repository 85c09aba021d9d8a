// Layout by alignment, the auto-scroll box, centring and fixed-size forms.
#include <gtest/gtest.h>

#include <QScreen>
#include <QScrollBar>
#include <QGuiApplication>
#include <QStyle>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QListWidget>
#include <QTest>

#include "tests/support/QtTestHelpers.h"
#include "ui/Application.h"
#include "ui/FontObject.h"
#include "ui/MenuObject.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

// A form without menu whose client area is exactly `width` x `height`.
std::unique_ptr<TWindowObject> MakeForm(int width, int height) {
  std::unique_ptr<TWindowObject> form(CreateForm(nullptr, "layout"));
  form->ResizeTo(width, height);
  return form;
}

TEST(Layout, NewControlsTakeTheirDefaultBoundsFromTheParent) {
  auto form = MakeForm(300, 300);
  TWindowObject* button = CreateButton(form.get(), "b");
  EXPECT_EQ(button->Bounds(), (TRect{2, 2, 66, 24}));
  TWindowObject* group = CreateGroupBox(form.get(), "g");
  EXPECT_EQ(group->Bounds(), (TRect{2, 2, 102, 144}));
  // Inside a group box the caption margin moves children down; a height of 22
  // stays 22, the list box loses the margin from its default height.
  TWindowObject* inner = CreateButton(group, "i");
  EXPECT_EQ(inner->Bounds(), (TRect{2, 24, 66, 46}));
  TWindowObject* list = CreateListBox(group, {});
  EXPECT_EQ(list->Bounds(), (TRect{2, 24, 166, 202}));
  EXPECT_EQ(CreatePaintArea(form.get())->Bounds(), (TRect{2, 2, 42, 42}));
  EXPECT_EQ(CreateWrapLabel(form.get(), "w")->Bounds().Height(), 44);
}

TEST(Layout, ListBoxRowsAreFourteenPixelsHighUnlessTheTextNeedsMore) {
  auto form = MakeForm(300, 300);
  TWindowObject* list = CreateListBox(form.get(), {LboNoIntegralHeight});
  list->Font().SetHeight(-11);
  for (const char* name : {"town.pcx", "Карта.PCX", "hero.pcx"}) list->AddItem(name);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), test::kPatientMs));
  auto* widget = static_cast<QListWidget*>(list->Widget());
  // Whole rows of 14 fill a height snapped to 14, as the file list's is.
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(widget->visualItemRect(widget->item(row)).height(), 14) << "row " << row;
    EXPECT_EQ(widget->visualItemRect(widget->item(row)).top(), 14 * row) << "row " << row;
  }

  // A large face is not cut to fit.
  list->Font().SetHeight(-24);
  const int textHeight = QFontMetrics(widget->font()).height();
  EXPECT_GT(textHeight, 14);
  // The rows are measured again when the list lays itself out anew.
  EXPECT_TRUE(test::WaitFor([&] { return widget->visualItemRect(widget->item(1)).height() >= textHeight; }));
  EXPECT_GE(widget->visualItemRect(widget->item(1)).height(), textHeight);
}

TEST(Layout, ChildrenTakeOverTheParentsLookWhenTheyAreMade) {
  auto form = MakeForm(300, 300);
  TWindowObject* group = CreateGroupBox(form.get(), "g");
  group->SetColor(RgbColor(10, 20, 30));
  group->SetSpacing(5);
  group->SetCursor(QCursor(Qt::PointingHandCursor));
  group->Font().SetHeight(-11).SetFaceName("Courier New").SetColor(RgbColor(200, 0, 0));
  EXPECT_EQ(group->TextColor(), RgbColor(200, 0, 0));  // the font's colour is the text colour
  TWindowObject* label = CreateLabel(group, "l");
  EXPECT_EQ(label->Color(), RgbColor(10, 20, 30));
  EXPECT_EQ(label->TextColor(), RgbColor(200, 0, 0));
  EXPECT_EQ(label->Spacing(), 5);
  EXPECT_EQ(label->Cursor().shape(), Qt::PointingHandCursor);
  ASSERT_TRUE(label->HasFont());
  EXPECT_EQ(label->Font().Height(), -11);
  EXPECT_EQ(label->Widget()->font().pixelSize(), 11);
  EXPECT_EQ(label->Widget()->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  // The child's font is a copy: changing it leaves the parent's alone.
  label->Font().SetHeight(-14);
  EXPECT_EQ(group->Font().Height(), -11);
  EXPECT_EQ(label->Widget()->font().pixelSize(), 14);
  // Later changes of the parent do not reach existing children.
  group->SetColor(RgbColor(1, 2, 3));
  EXPECT_EQ(label->Color(), RgbColor(10, 20, 30));
  // List kinds have the window colour of their own.
  EXPECT_EQ(CreateListBox(group, {})->Color(), ClWindow);
  // Controls get identifiers from one counter and tab orders from their form.
  TWindowObject* a = CreateButton(form.get(), "a");
  TWindowObject* b = CreateButton(form.get(), "b");
  EXPECT_EQ(b->ControlId(), (a->ControlId() + 1) & 0xFFFF);
  EXPECT_EQ(b->TabOrder(), a->TabOrder() + 1);
}

TEST(Layout, ResizeToLeavesAZeroDimensionUnchanged) {
  auto form = MakeForm(300, 300);
  TWindowObject* button = CreateButton(form.get(), "b");
  button->ResizeTo(120, 0);
  EXPECT_EQ(button->Bounds(), (TRect{2, 2, 122, 24}));
  button->ResizeTo(-5, 30);
  EXPECT_EQ(button->Bounds(), (TRect{2, 2, 122, 32}));
}

TEST(Layout, TopAndClientChildrenKeepSpacingBetweenThem) {
  auto form = MakeForm(200, 150);
  TWindowObject* first = CreatePanel(form.get(), FrameNone);
  first->ResizeTo(0, 20)->SetAlignment(AlignTop);
  TWindowObject* second = CreatePanel(form.get(), FrameNone);
  second->ResizeTo(0, 30)->SetAlignment(AlignTop);
  TWindowObject* rest = CreatePanel(form.get(), FrameNone);
  rest->SetAlignment(AlignClient);
  EXPECT_EQ(first->Bounds(), (TRect{2, 2, 198, 22}));
  EXPECT_EQ(second->Bounds(), (TRect{2, 24, 198, 54}));
  EXPECT_EQ(rest->Bounds(), (TRect{2, 56, 198, 148}));
  // The child widgets are where their bounds say.
  EXPECT_EQ(second->Widget()->geometry(), QRect(2, 24, 196, 30));

  form->SetSpacing(0);
  EXPECT_EQ(first->Bounds(), (TRect{0, 0, 200, 20}));
  EXPECT_EQ(second->Bounds(), (TRect{0, 20, 200, 50}));
  EXPECT_EQ(rest->Bounds(), (TRect{0, 50, 200, 150}));
}

TEST(Layout, EveryAlignmentTakesItsSideInPassOrder) {
  auto form = MakeForm(300, 200);
  // Made left first, but top and bottom are placed before left and right.
  TWindowObject* left = CreatePanel(form.get(), FrameNone);
  left->ResizeTo(50, 0)->SetAlignment(AlignLeft);
  TWindowObject* right = CreatePanel(form.get(), FrameNone);
  right->ResizeTo(40, 0)->SetAlignment(AlignRight);
  TWindowObject* bottom = CreatePanel(form.get(), FrameNone);
  bottom->ResizeTo(0, 30)->SetAlignment(AlignBottom);
  TWindowObject* top = CreatePanel(form.get(), FrameNone);
  top->ResizeTo(0, 20)->SetAlignment(AlignTop);
  TWindowObject* client = CreatePanel(form.get(), FrameNone);
  client->SetAlignment(AlignClient);
  TWindowObject* fixed = CreateButton(form.get(), "fixed");
  fixed->MoveTo(100, 100);

  EXPECT_EQ(top->Bounds(), (TRect{2, 2, 298, 22}));
  EXPECT_EQ(bottom->Bounds(), (TRect{2, 168, 298, 198}));
  EXPECT_EQ(left->Bounds(), (TRect{2, 24, 52, 166}));
  // A right-aligned child keeps its width, B pixels from the right edge.
  EXPECT_EQ(right->Bounds(), (TRect{258, 24, 298, 166}));
  EXPECT_EQ(client->Bounds(), (TRect{54, 24, 256, 166}));
  EXPECT_EQ(fixed->Bounds(), (TRect{100, 100, 164, 122}));
}

TEST(Layout, GroupBoxMarginsAreTakenOffItsArea) {
  auto form = MakeForm(300, 300);
  TWindowObject* group = CreateGroupBox(form.get(), "g");
  group->ResizeTo(160, 200);
  TWindowObject* inner = CreatePanel(group, FrameNone);
  inner->SetAlignment(AlignClient);
  EXPECT_EQ(inner->Bounds(), (TRect{4, 24, 156, 196}));
}

TEST(Layout, HiddenChildrenTakeNoRoomAndShowingOneLaysOutAgain) {
  auto form = MakeForm(300, 200);
  TWindowObject* a = CreatePanel(form.get(), FrameNone);
  a->ResizeTo(60, 0)->SetAlignment(AlignLeft);
  TWindowObject* b = CreatePanel(form.get(), FrameNone);
  b->ResizeTo(70, 0)->SetAlignment(AlignLeft);
  TWindowObject* client = CreatePanel(form.get(), FrameNone);
  client->SetAlignment(AlignClient);
  EXPECT_EQ(client->Bounds().Left, 2 + 60 + 2 + 70 + 2);

  a->SetVisible(false);
  EXPECT_EQ(b->Bounds().Left, 2);
  EXPECT_EQ(client->Bounds().Left, 2 + 70 + 2);

  a->SetVisible(true);
  b->SetVisible(false);
  EXPECT_EQ(a->Bounds().Left, 2);
  EXPECT_EQ(client->Bounds().Left, 2 + 60 + 2);
}

TEST(Layout, ChildrenOfAHiddenParentAreLaidOutWhenItIsShown) {
  auto form = MakeForm(300, 200);
  TWindowObject* panel = CreatePanel(form.get(), FrameNone);
  panel->SetVisible(false);
  panel->ResizeTo(100, 100);
  TWindowObject* inner = CreatePanel(panel, FrameNone);
  inner->SetAlignment(AlignClient);
  EXPECT_NE(inner->Bounds(), (TRect{2, 2, 98, 98}));
  panel->SetVisible(true);
  EXPECT_EQ(inner->Bounds(), (TRect{2, 2, 98, 98}));
}

TEST(Layout, AParentTooSmallGivesZeroSizesNotNegativeOnes) {
  auto form = MakeForm(30, 20);
  TWindowObject* top = CreatePanel(form.get(), FrameNone);
  top->ResizeTo(0, 40)->SetAlignment(AlignTop);
  TWindowObject* left = CreatePanel(form.get(), FrameNone);
  left->ResizeTo(50, 0)->SetAlignment(AlignLeft);
  TWindowObject* client = CreatePanel(form.get(), FrameNone);
  client->SetAlignment(AlignClient);
  for (TWindowObject* w : {top, left, client}) {
    EXPECT_GE(w->Bounds().Width(), 0);
    EXPECT_GE(w->Bounds().Height(), 0);
  }
  EXPECT_EQ(left->Bounds().Height(), 0);
  EXPECT_EQ(client->Bounds().Width(), 0);
}

TEST(Layout, ResizingTheParentLaysOutItsChildrenAgain) {
  auto form = MakeForm(200, 100);
  TWindowObject* panel = CreatePanel(form.get(), FrameNone);
  panel->SetAlignment(AlignClient);
  TWindowObject* bottom = CreateButton(panel, "b");
  bottom->SetAlignment(AlignBottom);
  form->ResizeTo(400, 300);
  EXPECT_EQ(panel->Bounds(), (TRect{2, 2, 398, 298}));
  EXPECT_EQ(bottom->Bounds(), (TRect{2, 296 - 2 - 22, 394, 294}));
}

TEST(Layout, TheMenuBarTakesItsHeightOffTheClientArea) {
  auto form = MakeForm(300, 200);
  TWindowObject* client = CreatePanel(form.get(), FrameNone);
  client->SetAlignment(AlignClient);
  EXPECT_EQ(client->Bounds(), (TRect{2, 2, 298, 198}));
  ASSERT_NE(CreateMainMenu(form.get(), 0, {"File", "(", "Exit", ")", ""}), nullptr);
  const int bar = 200 - (client->Bounds().Height() + 4);
  EXPECT_GT(bar, 10);
  EXPECT_EQ(client->Bounds().Top, 2);
}

TEST(Layout, CentringUsesTheScreenSizeAndMayGoNegative) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  ASSERT_EQ(screen.size(), QSize(1024, 768)) << "the test main's offscreen configuration is not in use";
  auto form = MakeForm(547, 479);
  form->MoveTo(186, 25);
  form->CenterOnScreen();
  EXPECT_EQ(form->Bounds(), (TRect{238, 144, 238 + 547, 144 + 479}));
  form->ResizeTo(1100, 801);
  form->CenterOnScreen();
  EXPECT_EQ(form->Bounds().Left, -38);
  EXPECT_EQ(form->Bounds().Top, -17);  // (768 - 801) / 2 rounded down
}

TEST(Layout, AFormThatIsNotResizableKeepsItsSize) {
  auto form = MakeForm(265, 183);
  form->SetResizable(false);
  form->Show();
  QWidget* widget = form->Widget();
  widget->resize(400, 400);
  EXPECT_EQ(widget->size(), QSize(265, 183));
  EXPECT_EQ(widget->minimumSize(), QSize(265, 183));
  EXPECT_EQ(widget->maximumSize(), QSize(265, 183));
  EXPECT_EQ(form->Bounds().Width(), 265);
}

TEST(AutoScrollBox, RangesFollowAChildLargerThanTheClientArea) {
  auto form = MakeForm(300, 300);
  TWindowObject* box = CreateAutoScrollBox(form.get(), FrameNone);
  box->ResizeTo(100, 80);
  TWindowObject* child = CreatePaintArea(box);
  child->MoveTo(1, 1)->ResizeTo(250, 60);
  const int extent = box->Widget()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  // Horizontal: the child is wider; its bar then narrows the client height.
  TScrollInfo h = box->ScrollInfo(TScrollBar::Horizontal);
  EXPECT_EQ(h.Min, 0);
  EXPECT_EQ(h.Max, 250 + 2 * 2);
  EXPECT_EQ(h.Page, 100);
  TScrollInfo v = box->ScrollInfo(TScrollBar::Vertical);
  EXPECT_EQ(v.Max, 60 + 2 * 2);
  EXPECT_EQ(v.Page, 80 - extent);
  // With the vertical content fitting, the vertical bar stays hidden.
  EXPECT_EQ(v.Max > v.Page, 64 > 80 - extent);
  // Where the contents fit, the child moves to sit Spacing pixels from the
  // edge; where they do not, the position reflects where the child is (one
  // pixel scrolled: it sits at 1 rather than 2).
  EXPECT_EQ(child->Bounds().Top, 2);
  EXPECT_EQ(v.Pos, 0);
  EXPECT_EQ(child->Bounds().Left, 1);
  EXPECT_EQ(h.Pos, 1);
}

TEST(AutoScrollBox, ScrollingMovesTheChildrenAndShrinkingTheChildHidesTheBar) {
  auto form = MakeForm(300, 300);
  form->Show();
  TWindowObject* box = CreateAutoScrollBox(form.get(), FrameSunken);
  box->ResizeTo(120, 120);
  TWindowObject* child = CreatePaintArea(box);
  child->ResizeTo(400, 400);
  QScrollBar* vbar = nullptr;
  for (QScrollBar* bar : box->Widget()->findChildren<QScrollBar*>())
    if (bar->orientation() == Qt::Vertical) vbar = bar;
  ASSERT_NE(vbar, nullptr);
  EXPECT_TRUE(vbar->isVisible());
  vbar->setValue(50);  // as a drag of the thumb does
  EXPECT_EQ(box->ScrollInfo(TScrollBar::Vertical).Pos, 50);
  EXPECT_EQ(child->Bounds().Top, 2 - 50);

  child->ResizeTo(40, 40);
  EXPECT_FALSE(vbar->isVisible());
  EXPECT_EQ(box->ScrollInfo(TScrollBar::Vertical).Pos, 0);
  EXPECT_EQ(child->Bounds().Top, 2);
}

}  // namespace
}  // namespace kelvane
