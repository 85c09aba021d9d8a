// Events raised by the user's clicks and keys, and not by the program's own changes.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "tests/support/QtTestHelpers.h"
#include "ui/Application.h"
#include "ui/CanvasObject.h"
#include "ui/FontObject.h"
#include "ui/TimerObject.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

using test::WaitFor;

class Events : public ::testing::Test {
 protected:
  void SetUp() override {
    App = CreateAppWindow("Kelvane");
    Form = CreateForm(App, "events");
    Form->MoveTo(10, 10)->ResizeTo(400, 300);
  }
  void TearDown() override { delete App; }

  void ShowAndActivate() {
    Form->Show();
    QWidget* w = Form->Widget();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w, test::kPatientMs));
  }

  TWindowObject* App = nullptr;
  TWindowObject* Form = nullptr;
};

TEST_F(Events, AButtonClickRaisesOnClickOnceAndSpaceClicksToo) {
  TWindowObject* button = CreateButton(Form, "OK");
  int clicks = 0;
  TWindowObject* sender = nullptr;
  button->OnClick = [&](TWindowObject* s) {
    ++clicks;
    sender = s;
  };
  ShowAndActivate();
  QTest::mouseClick(button->Widget(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, button);
  button->Widget()->setFocus();
  QTest::keyClick(button->Widget(), Qt::Key_Space);
  EXPECT_EQ(clicks, 2);
  // A press that is released outside the button is no click.
  QTest::mousePress(button->Widget(), Qt::LeftButton);
  QTest::mouseRelease(button->Widget(), Qt::LeftButton, {}, QPoint(-20, -20));
  EXPECT_EQ(clicks, 2);
}

TEST_F(Events, ListBoxSelectionByTheUserRaisesOnChangeAtOnceAndCodeRaisesNothing) {
  TWindowObject* list = CreateListBox(Form, {LboNoIntegralHeight});
  int changes = 0;
  int selectedInHandler = -2;
  list->OnChange = [&](TWindowObject* s) {
    ++changes;
    selectedInHandler = s->SelectedIndex();
  };
  // Changes made in code raise nothing.
  for (const char* text : {"alpha", "beta", "gamma", "delta"}) list->AddItem(text);
  list->SetSelectedIndex(2);
  list->SetItemText(1, "BETA");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(list->SelectedIndex(), 2);
  list->SetSelectedIndex(-1);
  EXPECT_EQ(list->SelectedIndex(), -1);
  EXPECT_EQ(changes, 0);

  ShowAndActivate();
  auto* widget = static_cast<QListWidget*>(list->Widget());
  const QPoint second = widget->visualItemRect(widget->item(1)).center();
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, second);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(selectedInHandler, 1);
  // Clicking the selected line again changes nothing.
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, second);
  EXPECT_EQ(changes, 1);
  QTest::keyClick(widget, Qt::Key_Down);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(selectedInHandler, 2);

  // With OnSelectionChange assigned, it is raised instead of OnChange.
  int selections = 0;
  list->OnSelectionChange = [&](TWindowObject*) { ++selections; };
  QTest::keyClick(widget, Qt::Key_Up);
  EXPECT_EQ(selections, 1);
  EXPECT_EQ(changes, 2);

  list->Clear();
  EXPECT_EQ(list->ItemCount(), 0);
  EXPECT_EQ(selections, 1);
  EXPECT_EQ(changes, 2);
}

TEST_F(Events, ListBoxChangesAreMeasuredFromWhatTheProgramLastSelected) {
  TWindowObject* list = CreateListBox(Form, {LboNoIntegralHeight});
  for (const char* text : {"alpha", "beta", "gamma", "delta"}) list->AddItem(text);
  std::vector<std::string> seen;
  list->OnChange = [&](TWindowObject* s) { seen.push_back(s->ItemText(s->SelectedIndex())); };
  ShowAndActivate();
  auto* widget = static_cast<QListWidget*>(list->Widget());
  auto rowCentre = [widget](int row) { return widget->visualItemRect(widget->item(row)).center(); };

  // The focus arriving in a list with no selection selects nothing and says nothing.
  widget->setFocus();
  ASSERT_TRUE(WaitFor([widget] { return widget->hasFocus(); }));
  // Negative check: what the focus change queued has been handled too.
  test::ProcessPendingEvents();
  EXPECT_EQ(list->SelectedIndex(), -1);
  EXPECT_TRUE(seen.empty());

  // A click on the line the program selected is no change; another line is,
  // and the handler already reads it.
  list->SetSelectedIndex(2);
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rowCentre(2));
  EXPECT_TRUE(seen.empty());
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rowCentre(1));
  EXPECT_EQ(seen, (std::vector<std::string>{"beta"}));

  // The program lists anew: the user's click on the line that was selected
  // before is a change again, raised once.
  list->Clear();
  for (const char* text : {"one", "two", "three"}) list->AddItem(text);
  EXPECT_EQ(list->SelectedIndex(), -1);
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rowCentre(1));
  EXPECT_EQ(seen, (std::vector<std::string>{"beta", "two"}));
  QTest::keyClick(widget, Qt::Key_End);
  EXPECT_EQ(seen, (std::vector<std::string>{"beta", "two", "three"}));
}

TEST_F(Events, ListBoxDoubleClickIsItsClick) {
  TWindowObject* list = CreateListBox(Form, {});
  list->AddItem("one");
  list->AddItem("two");
  int clicks = 0;
  list->OnClick = [&](TWindowObject*) { ++clicks; };
  ShowAndActivate();
  auto* widget = static_cast<QListWidget*>(list->Widget());
  const QPoint first = widget->visualItemRect(widget->item(0)).center();
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, first);
  EXPECT_EQ(clicks, 0);
  QTest::mouseDClick(widget->viewport(), Qt::LeftButton, {}, first);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Events, ComboBoxChoiceRaisesOnChangeOnceAfterTheTextChanged) {
  TWindowObject* combo = CreateComboBox(Form, {CboDropDownList});
  for (const char* text : {"PCX sprites (*.pcx)", "BMP images (*.bmp)", "All"}) combo->AddItem(text);
  // The first item added becomes the current one, silently.
  EXPECT_EQ(combo->SelectedIndex(), 0);
  int changes = 0;
  int opens = 0;
  int closes = 0;
  std::string textInHandler;
  combo->OnChange = [&](TWindowObject* s) {
    ++changes;
    textInHandler = static_cast<QComboBox*>(s->Widget())->currentText().toStdString();
  };
  combo->OnListOpen = [&](TWindowObject*) { ++opens; };
  combo->OnListClose = [&](TWindowObject*) { ++closes; };
  combo->SetSelectedIndex(2);
  combo->SetSelectedIndex(0);
  EXPECT_EQ(changes, 0);

  ShowAndActivate();
  auto* widget = static_cast<QComboBox*>(combo->Widget());
  QTest::mouseClick(widget, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return widget->view()->isVisible(); }));
  EXPECT_EQ(opens, 1);
  // A click within the double-click interval of the opening click is ignored.
  test::LetDoubleClickIntervalPass();
  QAbstractItemView* view = widget->view();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
  ASSERT_TRUE(WaitFor([&] { return !view->isVisible(); }));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(textInHandler, "BMP images (*.bmp)");
  EXPECT_EQ(combo->SelectedIndex(), 1);
  EXPECT_EQ(closes, 1);

  QTest::keyClick(widget, Qt::Key_Down);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(textInHandler, "All");
}

TEST_F(Events, TheDropDownListShowsOneToEightItems) {
  TWindowObject* combo = CreateComboBox(Form, {CboDropDownList});
  for (int i = 0; i < 20; ++i) combo->AddItem("item " + std::to_string(i));
  ShowAndActivate();
  auto* widget = static_cast<QComboBox*>(combo->Widget());
  widget->showPopup();
  QAbstractItemView* view = widget->view();
  ASSERT_TRUE(WaitFor([&] { return view->isVisible(); }));
  const int rowHeight = view->visualRect(view->model()->index(0, 0)).height();
  ASSERT_GT(rowHeight, 0);
  const int rows = view->viewport()->height() / rowHeight;
  EXPECT_GE(rows, 7);
  EXPECT_LE(rows, 8);
  widget->hidePopup();
}

TEST_F(Events, TheDropDownListIsTheComboBoxsWidthAndFont) {
  TWindowObject* combo = CreateComboBox(Form, {CboDropDownList});
  combo->MoveTo(10, 10)->ResizeTo(137, 19);
  combo->Font().SetHeight(-11).SetFaceName("Courier New");
  combo->AddItem("G - [Сменный накопитель]");
  combo->AddItem("C - [Жесткий диск]");
  ShowAndActivate();
  auto* widget = static_cast<QComboBox*>(combo->Widget());
  widget->showPopup();
  QAbstractItemView* view = widget->view();
  ASSERT_TRUE(WaitFor([&] { return view->isVisible(); }));
  // The lines are written in the combo box's own face and size.
  EXPECT_EQ(QFontInfo(view->font()).family().toStdString(), QFontInfo(widget->font()).family().toStdString());
  EXPECT_EQ(QFontInfo(view->font()).pixelSize(), 11);
  // The list opens under the combo box, as wide as it is.
  EXPECT_EQ(view->window()->width(), widget->width());
  EXPECT_GE(view->window()->y(), widget->mapToGlobal(QPoint(0, widget->height())).y() - 1);
  widget->hidePopup();
}

TEST_F(Events, ComboBoxEditPartRaisesOnChangeForTypedText) {
  TWindowObject* combo = CreateComboBox(Form, {});
  combo->AddItem("one");
  int changes = 0;
  combo->OnChange = [&](TWindowObject*) { ++changes; };
  ShowAndActivate();
  auto* widget = static_cast<QComboBox*>(combo->Widget());
  ASSERT_NE(widget->lineEdit(), nullptr);
  widget->setFocus();
  QTest::keyClicks(widget->lineEdit(), "ab");
  EXPECT_EQ(changes, 2);
  combo->SetCaption("set in code");
  EXPECT_EQ(changes, 2);
}

TEST_F(Events, ItemTextAndPrefixSearch) {
  TWindowObject* combo = CreateComboBox(Form, {CboDropDownList});
  for (const char* text : {"A - [Сменный накопитель]", "C - [Жесткий диск]", "D - [CD]"}) combo->AddItem(text);
  EXPECT_EQ(combo->ItemCount(), 3);
  EXPECT_EQ(combo->ItemText(1), "C - [Жесткий диск]");
  EXPECT_EQ(combo->ItemText(7), "");
  EXPECT_EQ(combo->FindItem("c", 0), 1);
  EXPECT_EQ(combo->FindItem("A", 0), 0);  // wraps round to the start
  EXPECT_EQ(combo->FindItem("A", -1), 0);
  EXPECT_EQ(combo->FindItem("Z", 0), -1);

  // Rewriting an item keeps the others' selection and loses its own.
  combo->SetSelectedIndex(2);
  combo->SetItemText(0, "A:");
  EXPECT_EQ(combo->SelectedIndex(), 2);
  EXPECT_EQ(combo->ItemText(0), "A:");
  combo->SetItemText(2, "D:");
  EXPECT_EQ(combo->SelectedIndex(), -1);
  EXPECT_EQ(combo->ItemText(2), "D:");

  TWindowObject* list = CreateListBox(Form, {});
  for (const char* text : {"a", "b", "c"}) list->AddItem(text);
  list->SetSelectedIndex(1);
  list->SetItemText(1, "B");
  EXPECT_EQ(list->SelectedIndex(), -1);
  EXPECT_EQ(list->ItemText(1), "B");
  list->Clear();
  const std::string longText(250, 'x');
  list->AddItem(longText + "y");
  EXPECT_EQ(list->ItemText(0), longText + "y");

  TWindowObject* label = CreateLabel(Form, "Size: ");
  label->AddItem("10x20");
  EXPECT_EQ(label->Caption(), "Size: 10x20");
  label->Clear();
  EXPECT_EQ(label->Caption(), "");
}

TEST_F(Events, PaintAreaClicksOnPressAndADoubleClickIsNoSecondClick) {
  TWindowObject* area = CreatePaintArea(Form);
  area->MoveTo(20, 20)->ResizeTo(100, 80);
  int clicks = 0;
  std::vector<std::string> mouse;
  area->OnClick = [&](TWindowObject*) {
    ++clicks;
    mouse.push_back("click");
  };
  area->OnMouseDown = [&](TWindowObject*, TMouseRecord& m) {
    mouse.push_back("down " + std::to_string(m.MouseButton) + " " + std::to_string(m.PosX) + "," +
                    std::to_string(m.PosY));
  };
  area->OnMouseUp = [&](TWindowObject*, TMouseRecord& m) { mouse.push_back("up " + std::to_string(m.MouseButton)); };
  area->OnMouseDoubleClick = [&](TWindowObject*, TMouseRecord& m) {
    mouse.push_back("double " + std::to_string(m.MouseButton));
  };
  ShowAndActivate();
  QTest::mouseClick(area->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(area->Widget(), Qt::RightButton, {}, QPoint(5, 7));
  EXPECT_EQ(clicks, 1);
  mouse.clear();
  QTest::mouseClick(area->Widget(), Qt::LeftButton, {}, QPoint(30, 40));
  QTest::mouseDClick(area->Widget(), Qt::LeftButton, {}, QPoint(30, 40));
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(mouse, (std::vector<std::string>{"down 1 30,40", "click", "up 1", "double 1"}));

  // A handler that marks the press handled keeps the click from happening.
  area->OnMouseDown = [](TWindowObject*, TMouseRecord& m) { m.Handled = 1; };
  QTest::mouseClick(area->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
  EXPECT_EQ(clicks, 2);
}

// Colours set on controls leave the disabled look to the style: a disabled
// button's text must not read like an enabled one's.
TEST_F(Events, DisabledControlsKeepTheGreyedTextOfTheStyle) {
  TWindowObject* button = CreateButton(Form, "OK");
  TWindowObject* label = CreateLabel(Form, "text");
  label->SetTextColor(RgbColor(0, 0, 128));
  ShowAndActivate();
  button->SetEnabled(false);
  label->SetEnabled(false);
  const QPalette buttonColours = button->Widget()->palette();
  EXPECT_NE(buttonColours.color(QPalette::Disabled, QPalette::ButtonText),
            buttonColours.color(QPalette::Active, QPalette::ButtonText));
  const QPalette labelColours = label->Widget()->palette();
  EXPECT_EQ(labelColours.color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 128));
  EXPECT_NE(labelColours.color(QPalette::Disabled, QPalette::WindowText), QColor(0, 0, 128));
}

// A form disabled by a modal window, or a disabled control, takes no mouse
// input at all: a click must not reach OnClick.
TEST_F(Events, DisabledControlsAndFormsRaiseNoMouseEvents) {
  TWindowObject* area = CreatePaintArea(Form);
  area->MoveTo(20, 20)->ResizeTo(100, 80);
  int clicks = 0, downs = 0;
  area->OnClick = [&](TWindowObject*) { ++clicks; };
  area->OnMouseDown = [&](TWindowObject*, TMouseRecord&) { ++downs; };
  ShowAndActivate();
  Form->SetEnabled(false);
  QTest::mouseClick(area->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
  Form->SetEnabled(true);
  area->SetEnabled(false);
  QTest::mouseClick(area->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(downs, 0);
  area->SetEnabled(true);
  QTest::mouseClick(area->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(downs, 1);
}

TEST_F(Events, OnPaintDrawsPixelRowsOneToOne) {
  TWindowObject* area = CreatePaintArea(Form);
  area->MoveTo(0, 0)->ResizeTo(20, 10);
  area->SetColor(RgbColor(255, 255, 255));
  // 3 x 2 pixels: red, green, blue over black, grey, white; stride with padding.
  const std::uint32_t pixels[2][4] = {{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0},
                                      {0xFF000000u, 0xFF808080u, 0xFFFFFFFFu, 0}};
  int paints = 0;
  area->OnPaint = [&](TWindowObject*, TCanvasObject& canvas) {
    ++paints;
    EXPECT_TRUE(canvas.Painting());
    TPixelRows32 rows{3, 2, &pixels[0][0], sizeof pixels[0]};
    canvas.DrawRows32(4, 5, rows);
  };
  const QImage shot = area->Widget()->grab().toImage();
  EXPECT_GE(paints, 1);
  EXPECT_EQ(shot.pixel(4, 5), 0xFFFF0000u);
  EXPECT_EQ(shot.pixel(5, 5), 0xFF00FF00u);
  EXPECT_EQ(shot.pixel(6, 5), 0xFF0000FFu);
  EXPECT_EQ(shot.pixel(5, 6), 0xFF808080u);
  EXPECT_EQ(shot.pixel(3, 5), 0xFFFFFFFFu);  // background outside the rows
  EXPECT_EQ(shot.pixel(7, 5), 0xFFFFFFFFu);
  EXPECT_EQ(shot.pixel(4, 7), 0xFFFFFFFFu);
}

TEST_F(Events, DrawingOutsidePaintEventsStaysVisible) {
  TWindowObject* area = CreatePaintArea(Form);
  area->MoveTo(0, 0)->ResizeTo(20, 20);
  area->SetColor(RgbColor(255, 255, 255));
  TCanvasObject& canvas = area->Canvas();
  EXPECT_FALSE(canvas.Painting());
  canvas.FillRect(TRect{2, 2, 6, 6}, RgbColor(0, 0, 255));
  QImage shot = area->Widget()->grab().toImage();
  EXPECT_EQ(shot.pixel(3, 3), 0xFF0000FFu);
  EXPECT_EQ(shot.pixel(8, 8), 0xFFFFFFFFu);
  canvas.ClearBacking();
  shot = area->Widget()->grab().toImage();
  EXPECT_EQ(shot.pixel(3, 3), 0xFFFFFFFFu);
}

TEST_F(Events, OnCloseCanRefuseAndAnAcceptedCloseReleasesAnOtherForm) {
  TWindowObject* other = CreateForm(App, "other");  // Form is the main form
  int asked = 0;
  bool allow = false;
  other->OnClose = [&](TWindowObject*, bool& accept) {
    ++asked;
    accept = allow;
  };
  bool destroyed = false;
  other->OnDestroy = [&](TBaseObject*) { destroyed = true; };
  other->Show();
  other->Close();  // queued
  EXPECT_TRUE(WaitFor([&] { return asked > 0; })) << "OnClose was not asked";
  // Negative check: nothing that the refused close queued destroys the form.
  test::ProcessPendingEvents();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(other->Widget()->isVisible());
  EXPECT_FALSE(destroyed);

  allow = true;
  other->Close();
  ASSERT_TRUE(WaitFor([&] { return destroyed; }));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(App->Children().size(), 1u);
}

TEST_F(Events, ClosingTheMainFormEndsTheApplicationWithoutDestroyingIt) {
  Form->Show();
  Form->Close();
  ASSERT_TRUE(WaitFor([] { return Terminated(); }));
  EXPECT_TRUE(Form->Widget()->isVisible());
}

TEST_F(Events, TabDoesNotMoveTheFocus) {
  TWindowObject* first = CreateButton(Form, "first");
  TWindowObject* second = CreateButton(Form, "second");
  second->MoveTo(100, 2);
  TWindowObject* list = CreateListBox(Form, {});
  list->MoveTo(2, 40);
  EXPECT_EQ(Form->FocusedChild(), first);
  EXPECT_TRUE(first->TabStop());
  EXPECT_LT(first->TabOrder(), second->TabOrder());
  ShowAndActivate();
  EXPECT_EQ(QApplication::focusWidget(), first->Widget());
  QTest::keyClick(first->Widget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), first->Widget());
  QTest::keyClick(first->Widget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), first->Widget());
  list->Widget()->setFocus();
  QTest::keyClick(list->Widget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), list->Widget());
  // The control that had the focus last gets it back with the form.
  EXPECT_EQ(Form->FocusedChild(), list);
}

TEST_F(Events, AClickWhileTheToolkitMovesTheFocusIsNoClick) {
  TWindowObject* button = CreateButton(Form, "b");
  int clicks = 0;
  int focusIns = 0;
  button->OnClick = [&](TWindowObject*) { ++clicks; };
  // Something that clicks the button as it gets the focus, the way some
  // controls click themselves when focused.
  button->OnFocusIn = [&](TWindowObject* s) {
    ++focusIns;
    static_cast<QPushButton*>(s->Widget())->click();
  };
  Form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form->Widget(), test::kPatientMs));
  button->Show();  // the toolkit gives the focus to the button
  EXPECT_GE(focusIns, 1);
  EXPECT_EQ(clicks, 0);
  button->OnFocusIn = nullptr;
  QTest::mouseClick(button->Widget(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Events, OnShowAndOnHideFollowRealVisibilityChanges) {
  int shows = 0;
  int hides = 0;
  Form->OnShow = [&](TWindowObject*) { ++shows; };
  Form->OnHide = [&](TWindowObject*) { ++hides; };
  TWindowObject* panel = CreatePanel(Form, FrameNone);
  int panelHides = 0;
  panel->OnHide = [&](TWindowObject*) { ++panelHides; };
  EXPECT_EQ(shows, 0);
  Form->Show();
  Form->Show();
  EXPECT_EQ(shows, 1);
  panel->SetVisible(false);
  EXPECT_EQ(panelHides, 1);
  Form->Hide();
  EXPECT_EQ(hides, 1);
  Form->SetVisible(true);
  EXPECT_EQ(shows, 2);
}

TEST_F(Events, OnMessageAndAttachedHandlersComeFirstNewestFirst) {
  TWindowObject* area = CreatePaintArea(Form);
  std::vector<std::string> order;
  int clicks = 0;
  area->OnClick = [&](TWindowObject*) { ++clicks; };
  auto older = MakeMessageHandler([&](TWindowObject&, TMessage& m) {
    if (m.Kind == TMessageKind::MouseDown) order.push_back("older");
    return false;
  });
  auto newer = MakeMessageHandler([&](TWindowObject&, TMessage& m) {
    if (m.Kind == TMessageKind::MouseDown) order.push_back("newer");
    return false;
  });
  area->AttachHandler(older);
  area->AttachHandler(newer);
  area->AttachHandler(older);  // already there: not added twice
  area->OnMessage = [&](TWindowObject*, TMessage& m) {
    if (m.Kind == TMessageKind::MouseDown) order.push_back("OnMessage");
    return false;
  };
  ShowAndActivate();
  QTest::mouseClick(area->Widget(), Qt::LeftButton);
  EXPECT_EQ(order, (std::vector<std::string>{"OnMessage", "newer", "older"}));
  EXPECT_EQ(clicks, 1);

  // A handler that consumes the press takes it away from the toolkit.
  area->DetachHandler(older);
  area->OnMessage = [](TWindowObject*, TMessage& m) { return m.Kind == TMessageKind::MouseDown; };
  QTest::mouseClick(area->Widget(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Events, TimersFireUntilDisabled) {
  std::unique_ptr<TTimerObject> timer = CreateTimer(10);
  EXPECT_EQ(CreateTimer(0)->Interval(), 1000);
  int ticks = 0;
  TTimerObject* sender = nullptr;
  timer->OnTimer = [&](TTimerObject* s) {
    ++ticks;
    sender = s;
  };
  // Negative checks: four ticks of a timer of the same interval are the
  // window in which this one would have ticked.
  ASSERT_TRUE(test::LetTimerTicksPass(10, 4));
  EXPECT_EQ(ticks, 0);  // created disabled
  timer->SetEnabled(true);
  ASSERT_TRUE(WaitFor([&] { return ticks >= 3; }));
  EXPECT_EQ(sender, timer.get());
  timer->SetEnabled(false);
  const int stopped = ticks;
  ASSERT_TRUE(test::LetTimerTicksPass(10, 6));
  EXPECT_EQ(ticks, stopped);
}

TEST_F(Events, AutoFreeReleasesLastAddedFirstAfterOnDestroy) {
  std::vector<std::string> order;
  struct TProbe {
    TProbe(std::vector<std::string>* log, std::string name) : Log(log), Name(std::move(name)) {}
    TProbe(const TProbe&) = delete;
    TProbe& operator=(const TProbe&) = delete;
    ~TProbe() { Log->push_back(Name); }
    std::vector<std::string>* Log;
    std::string Name;
  };
  TWindowObject* other = CreateForm(App, "other");
  other->OnDestroy = [&](TBaseObject*) { order.push_back("OnDestroy"); };
  other->AddToAutoFree(std::make_unique<TProbe>(&order, "first"));
  other->AddToAutoFree(std::make_unique<TProbe>(&order, "second"));
  TWindowObject* child = CreateButton(other, "child");
  child->OnDestroy = [&](TBaseObject*) { order.push_back("child"); };
  delete other;
  EXPECT_EQ(order, (std::vector<std::string>{"OnDestroy", "second", "first", "child"}));
  EXPECT_EQ(App->Children().size(), 1u);
}

}  // namespace
}  // namespace kelvane
