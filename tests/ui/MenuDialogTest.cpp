// Menus built from caption templates, and the file dialogs driven as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/ModalWatcher.h"
#include "tests/support/QtTestHelpers.h"
#include "ui/Application.h"
#include "ui/FileDialog.h"
#include "ui/MenuObject.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

using test::TMissed;
using test::TModalWatcher;

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    App = CreateAppWindow("Kelvane");
    Form = CreateForm(App, "menus");
    Form->ResizeTo(300, 200);
  }
  void TearDown() override { delete App; }
  TWindowObject* App = nullptr;
  TWindowObject* Form = nullptr;
};

TEST_F(Menus, TheProgramsTemplateNumbersItemsThroughTheSubmenu) {
  std::vector<std::string> calls;
  TMenuObject* menu = CreateMainMenu(Form, 0, {"Файл", "(", "Выход", ")", "О Программе...", ""},
                                     [&](TMenuObject*, int index) { calls.push_back("menu " + std::to_string(index)); });
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Form->Menu(), menu);
  ASSERT_EQ(menu->ItemCount(), 3);
  EXPECT_EQ(menu->EndId(), menu->FirstId() + 3);
  EXPECT_EQ(menu->ItemAction(0)->text().toStdString(), "Файл");
  EXPECT_EQ(menu->ItemAction(1)->text().toStdString(), "Выход");
  EXPECT_EQ(menu->ItemAction(2)->text().toStdString(), "О Программе...");
  EXPECT_EQ(menu->ItemAction(1)->data().toInt(), menu->FirstId() + 1);
  // The bar holds "Файл" (with "Выход" in its popup) and "О Программе...".
  QMenuBar* bar = Form->Widget()->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 2);
  ASSERT_NE(bar->actions()[0]->menu(), nullptr);
  EXPECT_EQ(bar->actions()[0]->menu()->actions().value(0), menu->ItemAction(1));

  SetItemHandlers(menu, 1, {[&](TMenuObject* sender, int index) {
                    EXPECT_EQ(sender, menu);
                    calls.push_back("exit " + std::to_string(index));
                  }});
  menu->ItemAction(1)->trigger();
  menu->ItemAction(2)->trigger();  // no handler of its own: OnMenuCommand
  EXPECT_EQ(calls, (std::vector<std::string>{"exit 1", "menu 2"}));
  EXPECT_EQ(menu->CommandSource(), 0);
}

TEST_F(Menus, AnEmptyTemplateMakesNoMenuAndTwoMenusGetDisjointRanges) {
  TMenuObject* empty = CreateMainMenu(Form, 0, {"", "ignored"});
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->IsEmpty());
  EXPECT_EQ(Form->Widget()->findChild<QMenuBar*>(), nullptr);

  TWindowObject* other = CreateForm(App, "other");
  TMenuObject* first = CreateMainMenu(other, 0, {"A", "(", "B", "C", ")", ""});
  TMenuObject* second = CreateMainMenu(other, 0, {"D", "E", ""});
  EXPECT_EQ(first->ItemCount(), 3);
  EXPECT_EQ(second->ItemCount(), 2);
  EXPECT_GE(second->FirstId(), first->EndId());
  EXPECT_EQ(first->Next(), second);
  // The second menu's commands are found through the chain.
  int seen = -1;
  second->OnMenuCommand = [&](TMenuObject*, int index) { seen = index; };
  second->ItemAction(1)->trigger();
  EXPECT_EQ(seen, 1);
  // An explicit first identifier is used as given.
  TMenuObject* fixed = CreateMainMenu(Form, 500, {"X", "Y", ""});
  EXPECT_EQ(fixed->FirstId(), 500);
  EXPECT_EQ(fixed->ItemAction(1)->data().toInt(), 501);
}

TEST_F(Menus, RadioRunsAndCheckItems) {
  TMenuObject* menu = CreateMainMenu(
      Form, 0, {"Вид", "(", "-!One", "+!Two", "-!Three", "-", "-!Four", "+Checked", "-Unchecked", ")", ""});
  ASSERT_EQ(menu->ItemCount(), 7);  // the separator has no index
  EXPECT_EQ(menu->ItemAction(1)->text().toStdString(), "One");
  EXPECT_FALSE(menu->ItemChecked(1));
  EXPECT_TRUE(menu->ItemChecked(2));
  EXPECT_TRUE(menu->ItemChecked(5));
  EXPECT_FALSE(menu->ItemChecked(6));
  std::vector<int> chosen;
  menu->OnMenuCommand = [&](TMenuObject*, int index) { chosen.push_back(index); };

  menu->ItemAction(1)->trigger();
  EXPECT_TRUE(menu->ItemChecked(1));
  EXPECT_FALSE(menu->ItemChecked(2));
  EXPECT_FALSE(menu->ItemChecked(3));
  // Four is in its own run, after the separator.
  menu->ItemAction(4)->trigger();
  EXPECT_TRUE(menu->ItemChecked(4));
  EXPECT_TRUE(menu->ItemChecked(1));

  menu->ItemAction(5)->trigger();
  EXPECT_FALSE(menu->ItemChecked(5));
  menu->ItemAction(6)->trigger();
  EXPECT_TRUE(menu->ItemChecked(6));
  // A command that does not come through a click toggles the same way.
  EXPECT_TRUE(menu->RunCommand(menu->FirstId() + 6));
  EXPECT_FALSE(menu->ItemChecked(6));
  EXPECT_FALSE(menu->RunCommand(menu->EndId()));
  EXPECT_EQ(chosen, (std::vector<int>{1, 4, 5, 6, 6}));
}

TEST_F(Menus, OnMessageSeesCommandsFirst) {
  TMenuObject* menu = CreateMainMenu(Form, 0, {"Go", ""});
  int handled = 0;
  menu->OnMenuCommand = [&](TMenuObject*, int) { ++handled; };
  int seenId = 0;
  Form->OnMessage = [&](TWindowObject*, TMessage& m) {
    if (m.Kind != TMessageKind::Command) return false;
    seenId = m.CommandId;
    return true;
  };
  menu->ItemAction(0)->trigger();
  EXPECT_EQ(seenId, menu->FirstId());
  EXPECT_EQ(handled, 0);
}

TEST(FileDialogFilters, CaptionAndMaskPairsBecomeQtNameFilters) {
  EXPECT_TRUE(QtNameFilters("").empty());
  EXPECT_EQ(QtNameFilters("Bitmaps (*.bmp)|*.bmp"), (std::vector<std::string>{"Bitmaps (*.bmp)"}));
  EXPECT_EQ(QtNameFilters("PCX sprites|*.pcx;*.PCX|All|*"),
            (std::vector<std::string>{"PCX sprites (*.pcx *.PCX)", "All (*)"}));
}

TEST(FileDialogOptions, TheEmptySetStandsForTheDefaults) {
  auto dialog = CreateFileDialog("", "", {});
  EXPECT_TRUE(dialog->OpenMode);
  EXPECT_EQ(dialog->Options, DefaultFileDialogOptions);
  EXPECT_EQ(DefaultFileDialogOptions.Bits(), 0x060Cu);
  auto custom = CreateFileDialog("Title", "/tmp", {FdoAllowMultiSelect});
  EXPECT_EQ(custom->Options, (TFileDialogOptions{FdoAllowMultiSelect}));
  EXPECT_EQ(custom->Title, "Title");
  EXPECT_EQ(custom->StartDirectory, "/tmp");
}

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    App = CreateAppWindow("Kelvane");
    Dialog = CreateFileDialog("", "", {});
    Dialog->OpenMode = false;
    Dialog->Filter = "Bitmaps (*.bmp)|*.bmp";
    Dialog->DefaultExtension = "bmp";
  }
  void TearDown() override { delete App; }

  std::string PathOf(const char* name) const { return Dir.filePath(name).toStdString(); }

  // Types `name` into the dialog's name field and presses Enter.
  static void TypeAndConfirm(QWidget* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  QTemporaryDir Dir;
  TWindowObject* App = nullptr;
  std::unique_ptr<TFileDialog> Dialog;
};

TEST_F(FileDialogs, ASaveDialogTakesATypedNewNameAndAddsTheExtension) {
  Dialog->FilePath = PathOf("proposed.bmp");
  std::string shownName;
  std::string title;
  TModalWatcher user(test::IsA<QFileDialog>(), [&](QWidget* w) {
    title = w->windowTitle().toStdString();
    shownName = w->findChild<QLineEdit*>("fileNameEdit")->text().toStdString();
    TypeAndConfirm(w, "sprite01");
  });
  ASSERT_TRUE(RunDialog(*Dialog));
  EXPECT_TRUE(user.Fired());
  EXPECT_EQ(shownName, "proposed.bmp");
  EXPECT_EQ(title, "Сохранить как");
  EXPECT_EQ(Dialog->FilePath, PathOf("sprite01.bmp"));
  EXPECT_EQ(Dialog->FilterIndex, 1);
}

TEST_F(FileDialogs, ANameTypedWithoutExtensionTakesTheChosenTypesOwn) {
  Dialog->Filter = "Bitmaps (*.bmp)|*.bmp|PNG images (*.png)|*.png|Anything|*.*";
  Dialog->StartDirectory = Dir.path().toStdString();
  struct Row {
    int Type;  // 0-based, as chosen in the dialog
    const char* Typed;
    const char* Saved;
  } rows[] = {{0, "a", "a.bmp"}, {1, "b", "b.png"}, {2, "c", "c.bmp"}, {1, "d.bmp", "d.bmp"}};
  for (const Row& r : rows) {
    Dialog->FilterIndex = 1;
    TModalWatcher user(test::IsA<QFileDialog>(), [r](QWidget* w) {
      auto* types = w->findChild<QComboBox*>("fileTypeCombo");
      ASSERT_NE(types, nullptr);
      types->setFocus();
      for (int presses = 0; presses < 4 && types->currentIndex() < r.Type; ++presses)
        QTest::keyClick(types, Qt::Key_Down);
      ASSERT_EQ(types->currentIndex(), r.Type);
      TypeAndConfirm(w, r.Typed);
    });
    ASSERT_TRUE(RunDialog(*Dialog)) << r.Typed;
    EXPECT_TRUE(user.Fired());
    EXPECT_EQ(Dialog->FilePath, PathOf(r.Saved)) << r.Typed;
    EXPECT_EQ(Dialog->FilterIndex, r.Type + 1) << r.Typed;
  }
}

TEST_F(FileDialogs, ReplacingAFileIsAskedFirst) {
  {
    QFile existing(QString::fromStdString(PathOf("old.bmp")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  }
  Dialog->StartDirectory = Dir.path().toStdString();
  int questions = 0;
  // The first answer is No: the dialog stays open; the second is Yes. Each
  // question comes and is answered while Return is being pressed.
  auto answer = [&questions](QMessageBox::StandardButton button) {
    return [&questions, button](QWidget* w) {
      ++questions;
      static_cast<QMessageBox*>(w)->button(button)->click();
    };
  };
  TModalWatcher user(test::IsA<QFileDialog>(), [&](QWidget* w) {
    {
      TModalWatcher no(test::IsA<QMessageBox>(), answer(QMessageBox::No));
      TypeAndConfirm(w, "old.bmp");
    }
    EXPECT_TRUE(w->isVisible());
    TModalWatcher yes(test::IsA<QMessageBox>(), answer(QMessageBox::Yes));
    TypeAndConfirm(w, "old.bmp");
  });
  ASSERT_TRUE(RunDialog(*Dialog));
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(Dialog->FilePath, PathOf("old.bmp"));
}

TEST_F(FileDialogs, CancellingClearsThePathAndKeepsTheFilterIndex) {
  Dialog->FilePath = PathOf("x.bmp");
  Dialog->FilterIndex = 1;
  TModalWatcher user(test::IsA<QFileDialog>(), [](QWidget* w) {
    auto* buttons = w->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text().toStdString(), "Отмена");
    QTest::mouseClick(cancel, Qt::LeftButton);
  });
  EXPECT_FALSE(RunDialog(*Dialog));
  EXPECT_TRUE(user.Fired());
  EXPECT_EQ(Dialog->FilePath, "");
  EXPECT_EQ(Dialog->FilterIndex, 1);
}

TEST_F(FileDialogs, AnOpenDialogReportsTheChosenFilterAndCutsLongProposals) {
  {
    QFile existing(QString::fromStdString(PathOf("a.pcx")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  }
  auto open = CreateFileDialog("Открыть спрайт", Dir.path().toStdString(), {});
  open->Filter = "Bitmaps (*.bmp)|*.bmp|PCX sprites (*.pcx)|*.pcx";
  open->FilterIndex = 2;
  open->FilePath = Dir.path().toStdString() + "/" + std::string(300, 'n');
  std::size_t proposedLength = 0;
  std::string filter;
  TModalWatcher user(test::IsA<QFileDialog>(), [&](QWidget* w) {
    auto* dialog = static_cast<QFileDialog*>(w);
    filter = dialog->selectedNameFilter().toStdString();
    proposedLength = static_cast<std::size_t>(dialog->findChild<QLineEdit*>("fileNameEdit")->text().size());
    TypeAndConfirm(w, "a.pcx");
  });
  ASSERT_TRUE(RunDialog(*open));
  EXPECT_EQ(filter, "PCX sprites (*.pcx)");
  EXPECT_EQ(proposedLength, MaxProposedPathLength - Dir.path().size() - 1);
  EXPECT_EQ(open->FilePath, PathOf("a.pcx"));
  EXPECT_EQ(open->FilterIndex, 2);
}

TEST_F(FileDialogs, AFolderDialogOpensInTheProposedFolderAndGivesTheChosenOne) {
  ASSERT_TRUE(QDir(Dir.path()).mkpath("out/inner"));
  {
    QFile file(QString::fromStdString(PathOf("out/a.pcx")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  auto folder = CreateFileDialog("Извлечь в папку", "", {});
  folder->FolderMode = true;
  folder->Filter = "PCX sprites (*.pcx)|*.pcx";  // not for folders
  folder->FilePath = PathOf("out");
  std::string openedIn, title;
  bool fileShown = true;
  TModalWatcher user(test::IsA<QFileDialog>(), [&](QWidget* w) {
    auto* dialog = static_cast<QFileDialog*>(w);
    openedIn = dialog->directory().absolutePath().toStdString();
    title = w->windowTitle().toStdString();
    fileShown = !dialog->nameFilters().filter("pcx").isEmpty();
    TypeAndConfirm(w, "inner");
  });
  ASSERT_TRUE(RunDialog(*folder));
  EXPECT_EQ(openedIn, PathOf("out"));
  EXPECT_EQ(title, "Извлечь в папку");
  EXPECT_FALSE(fileShown);
  EXPECT_EQ(folder->FilePath, PathOf("out/inner"));

  // A folder that does not exist is not taken; cancelling then clears the path.
  TModalWatcher missing(test::IsA<QFileDialog>(), [](QWidget* w) {
    TModalWatcher warning(test::IsA<QMessageBox>(), [](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); },
                          TMissed::IsFine);
    TypeAndConfirm(w, "nowhere");
    test::ProcessPendingEvents();
    EXPECT_TRUE(w->isVisible());
    static_cast<QFileDialog*>(w)->reject();
  });
  EXPECT_FALSE(RunDialog(*folder));
  EXPECT_EQ(folder->FilePath, "");
}

}  // namespace
}  // namespace kelvane
