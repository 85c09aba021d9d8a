// What screen readers learn about the toolkit's windows, read back through
// Qt's accessibility interfaces, and that none of it changes the screen.
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>

#include "tests/support/QtTestHelpers.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/ListView.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

QAccessibleInterface* InterfaceOf(TWindowObject* w) { return QAccessible::queryAccessibleInterface(w->Widget()); }

std::string NameOf(TWindowObject* w) {
  QAccessibleInterface* iface = InterfaceOf(w);
  return iface != nullptr ? iface->text(QAccessible::Name).toStdString() : "<no interface>";
}

std::string ShownText(TWindowObject* label) { return static_cast<QLabel*>(label->Widget())->text().toStdString(); }

class Accessibility : public ::testing::Test {
 protected:
  void SetUp() override {
    App = CreateAppWindow("Kelvane");
    Form = CreateForm(App, "a11y");
    Form->MoveTo(10, 10)->ResizeTo(500, 400);
  }
  void TearDown() override { delete App; }

  TWindowObject* App = nullptr;
  TWindowObject* Form = nullptr;
};

TEST_F(Accessibility, GroupBoxesAtAnyDepthAnnounceTheirOwnCaption) {
  // Qt names a widget inside a QGroupBox after that box's title, so a nested
  // box would be announced with its parent's caption.
  TWindowObject* outer = CreateGroupBox(Form, " Изображение BMP ");
  TWindowObject* middle = CreateGroupBox(outer, " Конвертация в PCX ... ");
  TWindowObject* inner = CreateGroupBox(middle, "&Ширина && высота");
  EXPECT_EQ(NameOf(outer), " Изображение BMP ");
  EXPECT_EQ(NameOf(middle), " Конвертация в PCX ... ");
  // A mnemonic marker is not read out; a doubled one is the character.
  EXPECT_EQ(NameOf(inner), "Ширина & высота");
  EXPECT_EQ(InterfaceOf(middle)->role(), QAccessible::Grouping);

  middle->SetCaption(" Предупреждение ");
  EXPECT_EQ(NameOf(middle), " Предупреждение ");
  EXPECT_EQ(static_cast<QGroupBox*>(middle->Widget())->title().toStdString(), " Предупреждение ");
  EXPECT_EQ(NameOf(outer), " Изображение BMP ");
}

TEST_F(Accessibility, AValueLabelIsAnnouncedWithItsCaptionAndFollowsBothTexts) {
  TWindowObject* caption = CreateLabel(Form, "Размер:");
  TWindowObject* value = CreateLabel(Form, "<нет>");
  EXPECT_EQ(NameOf(value), "<нет>");
  EXPECT_EQ(value->SetLabelledBy(caption), value);
  EXPECT_EQ(value->LabelledBy(), caption);
  EXPECT_EQ(NameOf(value), "Размер: <нет>");

  value->SetCaption("289x387");
  EXPECT_EQ(NameOf(value), "Размер: 289x387");
  EXPECT_EQ(ShownText(value), "289x387");
  EXPECT_EQ(InterfaceOf(value)->role(), QAccessible::StaticText);

  caption->SetCaption("Size:");
  EXPECT_EQ(NameOf(value), "Size: 289x387");
  EXPECT_EQ(NameOf(caption), "Size:");
  EXPECT_EQ(ShownText(caption), "Size:");

  // Clear and AddItem change a label's caption too.
  value->Clear();
  EXPECT_EQ(NameOf(value), "Size:");
  value->AddItem("8 bit");
  EXPECT_EQ(NameOf(value), "Size: 8 bit");

  value->SetLabelledBy(nullptr);
  EXPECT_EQ(value->LabelledBy(), nullptr);
  EXPECT_EQ(NameOf(value), "8 bit");
  caption->SetCaption("Формат:");
  EXPECT_EQ(NameOf(value), "8 bit");
}

TEST_F(Accessibility, DestroyingEitherEndOfALinkLeavesTheOtherWhole) {
  TWindowObject* caption = CreateLabel(Form, "Размер:");
  TWindowObject* value = CreateLabel(Form, "33x21");
  value->SetLabelledBy(caption);
  delete caption;
  EXPECT_EQ(value->LabelledBy(), nullptr);
  EXPECT_EQ(NameOf(value), "33x21");

  // The other way round: the caption must not reach the label that is gone
  // (a use after free here is what the sanitizer build would catch).
  TWindowObject* format = CreateLabel(Form, "Формат:");
  TWindowObject* depth = CreateLabel(Form, "8 bit");
  depth->SetLabelledBy(format);
  value->SetLabelledBy(format);
  delete depth;
  format->SetCaption("Глубина:");
  EXPECT_EQ(NameOf(value), "Глубина: 33x21");
  EXPECT_EQ(NameOf(format), "Глубина:");
}

TEST_F(Accessibility, AChosenNameIsAnnouncedByEveryKindAndWinsOverTheDefault) {
  TWindowObject* group = CreateGroupBox(Form, " Рамка ");
  struct TRow {
    TWindowObject* Control;
    const char* Name;
    QAccessible::Role Role;
  };
  const TRow rows[] = {
      {CreateListBox(Form, {}), "Файлы", QAccessible::List},
      {CreateComboBox(Form, {CboDropDownList}), "Диск", QAccessible::ComboBox},
      {CreateComboBox(Form, {}), "Маска", QAccessible::ComboBox},
      {CreateListView(Form, LvReportNoHeader, {}), "Папки", QAccessible::Tree},
      {group, "Изображение", QAccessible::Grouping},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    row.Control->SetAccessibleName(row.Name);
    EXPECT_EQ(row.Control->AccessibleName(), row.Name);
    EXPECT_EQ(NameOf(row.Control), row.Name);
    EXPECT_EQ(InterfaceOf(row.Control)->role(), row.Role);
  }
  // A drop-down's current item is its value; its name stays (Qt's own
  // interface would announce the item as the name on Linux).
  rows[1].Control->AddItem("C: [Жёсткий диск]");
  rows[1].Control->AddItem("D: [Съёмный диск]");
  rows[1].Control->SetSelectedIndex(1);
  EXPECT_EQ(NameOf(rows[1].Control), "Диск");
  EXPECT_EQ(InterfaceOf(rows[1].Control)->text(QAccessible::Value).toStdString(), "D: [Съёмный диск]");
  rows[2].Control->SetCaption("*.pcx");
  EXPECT_EQ(NameOf(rows[2].Control), "Маска");
  EXPECT_EQ(InterfaceOf(rows[2].Control)->text(QAccessible::Value).toStdString(), "*.pcx");
  // Without a chosen name the group box is its caption again.
  group->SetAccessibleName("");
  EXPECT_EQ(NameOf(group), " Рамка ");
}

TEST_F(Accessibility, ADropDownKeepsItsListAndItsOpenActionForScreenReaders) {
  TWindowObject* combo = CreateComboBox(Form, {CboDropDownList});
  combo->SetAccessibleName("Типы файлов");
  combo->AddItem("Sprites (*.pcx)");
  combo->AddItem("Bitmaps (*.bmp)");
  int opened = 0;
  int closed = 0;
  combo->OnListOpen = [&](TWindowObject*) { ++opened; };
  combo->OnListClose = [&](TWindowObject*) { ++closed; };
  Form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form->Widget(), test::kPatientMs));

  QAccessibleInterface* iface = InterfaceOf(combo);
  ASSERT_EQ(iface->childCount(), 1);
  QAccessibleInterface* list = iface->child(0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->role(), QAccessible::List);
  EXPECT_EQ(iface->indexOfChild(list), 0);

  QAccessibleActionInterface* actions = iface->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
  actions->doAction(QAccessibleActionInterface::showMenuAction());
  EXPECT_EQ(opened, 1);
  actions->doAction(QAccessibleActionInterface::showMenuAction());
  EXPECT_EQ(closed, 1);

  // An edit part is the second child.
  TWindowObject* editable = CreateComboBox(Form, {});
  EXPECT_EQ(InterfaceOf(editable)->childCount(), 2);
  EXPECT_EQ(InterfaceOf(editable)->child(1)->role(), QAccessible::EditableText);
}

TEST_F(Accessibility, LinkedLabelsTakeNoFocusAndTabStillMovesNothing) {
  TWindowObject* list = CreateListBox(Form, {});
  list->AddItem("a.pcx");
  TWindowObject* caption = CreateLabel(Form, "Размер:");
  TWindowObject* value = CreateLabel(Form, "1x1");
  value->SetLabelledBy(caption);
  value->MoveTo(0, 250);
  Form->Show();
  Form->Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form->Widget(), test::kPatientMs));
  ASSERT_TRUE(test::WaitFor([&] { return list->Widget()->hasFocus(); }));
  EXPECT_EQ(value->Widget()->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(caption->Widget()->focusPolicy(), Qt::NoFocus);
  QTest::keyClick(list->Widget(), Qt::Key_Tab);
  EXPECT_TRUE(list->Widget()->hasFocus());
}

TEST_F(Accessibility, TheAboutWindowIsAModalDialogOnlyWhileShownModally) {
  TAboutWindow* about = CreateAboutWindow(App);
  QWidget* widget = about->Form->Widget();
  Form->Show();
  EXPECT_NE(InterfaceOf(about->Form)->role(), QAccessible::Dialog);

  QAccessible::Role roleMeanwhile = QAccessible::NoRole;
  bool modalMeanwhile = false;
  bool shownMeanwhile = false;
  // Runs inside the modal loop, whose first pass handles it.
  QTimer::singleShot(0, widget, [&] {
    shownMeanwhile = widget->isVisible();
    roleMeanwhile = InterfaceOf(about->Form)->role();
    modalMeanwhile = InterfaceOf(about->Form)->state().modal;
    QTest::mouseClick(about->CloseButton->Widget(), Qt::LeftButton);
  });
  EXPECT_EQ(ShowModal(about->Form), 1);
  EXPECT_TRUE(shownMeanwhile);
  EXPECT_EQ(roleMeanwhile, QAccessible::Dialog);
  EXPECT_TRUE(modalMeanwhile);
  EXPECT_EQ(NameOf(about->Form), "О Программе...");

  // Still shown after the loop (the caller hides it), but no longer modal.
  EXPECT_TRUE(widget->isVisible());
  EXPECT_NE(InterfaceOf(about->Form)->role(), QAccessible::Dialog);
  EXPECT_FALSE(InterfaceOf(about->Form)->state().modal);
  about->Form->Hide();

  // A form merely shown is not a modal dialog either.
  about->Form->Show();
  EXPECT_FALSE(InterfaceOf(about->Form)->state().modal);
  EXPECT_NE(InterfaceOf(about->Form)->role(), QAccessible::Dialog);
}

}  // namespace
}  // namespace kelvane
