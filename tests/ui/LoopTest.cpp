// Start-up, the message loop, modal forms and the About window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "tests/support/ModalWatcher.h"
#include "tests/support/QtTestHelpers.h"
#include "tests/support/Watcher.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/FontObject.h"
#include "ui/TimerObject.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

using test::TWatcher;
using test::WaitFor;

TEST(MessageLoop, ClosingTheMainFormEndsTheLoopWithEverythingReleased) {
  TWindowObject* app = CreateAppWindow("Kelvane");
  TWindowObject* main = CreateForm(app, "main");
  TAboutWindow* about = CreateAboutWindow(app);
  std::vector<std::string> released;
  main->OnDestroy = [&](TBaseObject*) { released.push_back("main"); };
  about->Form->OnDestroy = [&](TBaseObject*) { released.push_back("about"); };
  TTimerObject* timer = main->AddToAutoFree(CreateTimer(10));
  timer->OnDestroy = [&](TBaseObject*) { released.push_back("timer"); };
  int ticks = 0;
  timer->OnTimer = [&](TTimerObject*) { ++ticks; };
  timer->SetEnabled(true);
  int shows = 0;
  bool visibleAtShow = false;
  main->OnShow = [&](TWindowObject* s) {
    ++shows;
    visibleAtShow = s->Widget()->isVisible();
  };
  // While the loop runs, the application window's OnMessage sees the
  // messages of every window first.
  int appMessages = 0;
  app->OnMessage = [&](TWindowObject* sender, TMessage&) {
    if (sender == main) ++appMessages;
    return false;
  };
  // Shared with the queued call, which must not outlive what it writes to.
  auto queuedHandled = std::make_shared<bool>(false);
  // Once the loop has shown the main form, passed it messages and run its
  // timer, close the main form from inside the loop, with a message still
  // queued behind the close request. The loop deletes the forms: the watcher
  // looks at them through guarded pointers, and if the state never comes it
  // ends the loop itself, so that the test fails instead of hanging.
  const QPointer<QWidget> mainWidget = main->Widget(), aboutWidget = about->Form->Widget();
  TWatcher closer(
      "the loop running with the main form shown, its messages seen and its timer run",
      [&] { return mainWidget != nullptr && mainWidget->isVisible() && ticks > 0 && appMessages > 0; },
      [&] {
        EXPECT_TRUE(MessageLoopRunning());
        EXPECT_FALSE(aboutWidget->isVisible());  // hidden explicitly
        main->Close();
        QMetaObject::invokeMethod(qApp, [queuedHandled] { *queuedHandled = true; }, Qt::QueuedConnection);
      });
  closer.SetAfterMiss([] { Terminate(); });

  const int code = RunMessageLoop(app);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(app, nullptr);
  EXPECT_FALSE(MessageLoopRunning());
  EXPECT_TRUE(*queuedHandled);
  EXPECT_EQ(shows, 1);
  EXPECT_TRUE(visibleAtShow);
  EXPECT_GT(ticks, 0);
  EXPECT_GT(appMessages, 0);
  // Forms are released last created first, each with its auto-free list.
  EXPECT_EQ(released, (std::vector<std::string>{"about", "main", "timer"}));
  EXPECT_EQ(CurrentAppWindow(), nullptr);
}

class Modal : public ::testing::Test {
 protected:
  void SetUp() override {
    App = CreateAppWindow("Kelvane");
    Main = CreateForm(App, "main");
    Main->MoveTo(0, 0)->ResizeTo(300, 200);
    About = CreateAboutWindow(App);
    Main->Show();
  }
  void TearDown() override { delete App; }

  // The state in which ShowModal's loop runs.
  std::function<bool()> AboutShown() const {
    return [this] { return About->Form->Widget()->isVisible(); };
  }

  TWindowObject* App = nullptr;
  TWindowObject* Main = nullptr;
  TAboutWindow* About = nullptr;
};

TEST_F(Modal, TheCloseButtonEndsWithOneAndTheCloseBoxWithMinusOne) {
  bool mainDisabledMeanwhile = false;
  {
    TWatcher user("the About window shown", AboutShown(), [&] {
      mainDisabledMeanwhile = !Main->Widget()->isEnabled();
      QTest::mouseClick(About->CloseButton->Widget(), Qt::LeftButton);
    });
    EXPECT_EQ(ShowModal(About->Form), 1);
  }
  EXPECT_TRUE(mainDisabledMeanwhile);
  EXPECT_TRUE(Main->Widget()->isEnabled());
  // The form stays visible until the caller hides it.
  EXPECT_TRUE(About->Form->Widget()->isVisible());
  About->Form->Hide();
  EXPECT_FALSE(About->Form->Widget()->isVisible());

  {
    TWatcher user("the About window shown", AboutShown(), [this] { About->Form->Widget()->close(); });
    EXPECT_EQ(ShowModal(About->Form), -1);
  }
  About->Form->Hide();

  // The About object is still whole and can be shown again.
  {
    TWatcher user("the About window shown", AboutShown(),
                  [this] { QTest::mouseClick(About->CloseButton->Widget(), Qt::LeftButton); });
    EXPECT_EQ(ShowModal(About->Form), 1);
  }
  About->Form->Hide();
  EXPECT_EQ(App->Children().size(), 2u);
}

TEST_F(Modal, TheAboutWindowRefusesToCloseOutsideTheModalLoopToo) {
  About->Form->Show();
  About->Form->Widget()->close();
  EXPECT_TRUE(About->Form->Widget()->isVisible());
  EXPECT_EQ(About->Form->ModalCode(), -1);
}

TEST_F(Modal, TimersKeepFiringDuringAModalLoop) {
  std::unique_ptr<TTimerObject> timer = CreateTimer(10);
  int ticks = 0;
  timer->OnTimer = [&](TTimerObject*) {
    if (++ticks == 5) About->Form->SetModalCode(7);
  };
  timer->SetEnabled(true);
  EXPECT_EQ(ShowModal(About->Form), 7);
  EXPECT_EQ(ticks, 5);
}

TEST_F(Modal, MinimisingTheMainFormMinimisesTheApplication) {
  About->Form->Show();
  ASSERT_TRUE(About->Form->Widget()->isVisible());
  Main->Widget()->setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(WaitFor([this] { return !About->Form->Widget()->isVisible(); })) << "the About form is still shown";
  Main->Widget()->setWindowState(Qt::WindowNoState);
  EXPECT_TRUE(WaitFor([this] { return About->Form->Widget()->isVisible(); })) << "the About form is not shown again";
  EXPECT_TRUE(About->Form->Visible());
}

TEST_F(Modal, MessageBoxesCarryTheApplicationCaptionAndRussianButtons) {
  std::string title;
  std::string text;
  std::string button;
  test::TModalWatcher reader(test::IsA<QMessageBox>(), [&](QWidget* w) {
    auto* box = static_cast<QMessageBox*>(w);
    title = box->windowTitle().toStdString();
    text = box->text().toStdString();
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    button = ok != nullptr ? ok->text().toStdString() : "";
    if (ok != nullptr) ok->click();
  });
  Main->ShowMessageBox("Неверный формат!");
  EXPECT_TRUE(reader.Fired());
  EXPECT_EQ(title, "Kelvane");
  EXPECT_EQ(text, "Неверный формат!");
  EXPECT_FALSE(button.empty());
  // Qt's Russian translation is loaded ("OK" stays "OK" in it; Cancel does not).
  QDialogButtonBox buttons(QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), "Отмена");
}

TEST_F(Modal, AYesNoQuestionIsTrueOnlyForYes) {
  std::string title, yes, no;
  bool noIsDefault = false;
  {
    test::TModalWatcher answer(test::IsA<QMessageBox>(), [&](QWidget* w) {
      auto* box = static_cast<QMessageBox*>(w);
      title = box->windowTitle().toStdString();
      // Without the mnemonic marks ("&Да").
      yes = box->button(QMessageBox::Yes)->text().remove('&').toStdString();
      no = box->button(QMessageBox::No)->text().remove('&').toStdString();
      noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
      box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(Main->AskYesNo("Заменить?"));
  }
  EXPECT_EQ(title, "Kelvane");
  EXPECT_EQ(yes, "Да");
  EXPECT_EQ(no, "Нет");
  EXPECT_TRUE(noIsDefault);
  {
    test::TModalWatcher answer(test::IsA<QMessageBox>(),
                               [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(Main->AskYesNo("Заменить?"));
  }
  {
    test::TModalWatcher answer(test::IsA<QMessageBox>(), [](QWidget* w) { w->close(); });
    EXPECT_FALSE(Main->AskYesNo("Заменить?")) << "closing the box is no";
  }
}

TEST(AboutWindow, HasItsLayoutTextsAndFixedCentredFrame) {
  TWindowObject* app = CreateAppWindow("Kelvane");
  TAboutWindow* about = CreateAboutWindow(app);
  TWindowObject* form = about->Form;
  EXPECT_EQ(form->Caption(), "О Программе...");
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(form->Resizable());
  // 265 x 183, centred on the 1024 x 768 test screen.
  EXPECT_EQ(form->Bounds(), (TRect{379, 292, 379 + 265, 292 + 183}));
  EXPECT_EQ(form->Widget()->minimumSize(), form->Widget()->maximumSize());

  EXPECT_EQ(about->NameLabel->Caption(), "Kelvane v2.0");
  // Aligned children of a hidden form are laid out when it is shown.
  form->Show();
  EXPECT_EQ(about->NameLabel->Bounds(), (TRect{0, 0, 265, 33}));
  EXPECT_TRUE(about->NameLabel->Font().Flags().Contains(Bold));
  EXPECT_EQ(about->NameLabel->Font().Height(), -14);
  EXPECT_EQ(about->NameLabel->TextColor(), RgbColor(0, 128, 0));
  EXPECT_EQ(static_cast<QLabel*>(about->NameLabel->Widget())->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);

  struct TRow {
    TWindowObject* Caption;
    const char* Text;
    TWindowObject* Value;
    int Top;
  };
  for (const TRow& row : {TRow{about->AuthorCaption, "Автор:", about->AuthorLabel, 32},
                          TRow{about->DateCaption, "Дата:", about->DateLabel, 56},
                          TRow{about->EmailCaption, "E-mail:", about->EmailLabel, 80},
                          TRow{about->WebCaption, "Web:", about->WebLabel, 104}}) {
    EXPECT_EQ(row.Caption->Caption(), row.Text);
    EXPECT_EQ(row.Caption->Bounds(), (TRect{0, row.Top, 49, row.Top + 17}));
    EXPECT_EQ(row.Value->Bounds(), (TRect{48, row.Top, 257, row.Top + 17}));
    EXPECT_EQ(row.Value->TextColor(), RgbColor(0, 0, 128));
    EXPECT_FALSE(row.Value->Caption().empty());
    EXPECT_EQ(row.Caption->Font().Height(), -11);
    EXPECT_EQ(row.Caption->Widget()->font().pixelSize(), 11);
  }
  EXPECT_EQ(about->CloseButton->Caption(), "Закрыть");
  EXPECT_EQ(about->CloseButton->Bounds(), (TRect{96, 128, 160, 150}));
  EXPECT_EQ(form->FocusedChild(), about->CloseButton);

  const QImage shot = form->Widget()->grab().toImage();
  EXPECT_EQ(shot.size(), QSize(265, 183));
  EXPECT_TRUE(shot.save(QString::fromStdString(test::ArtifactPath("about-window.png"))));
  delete app;
}

TEST(AppWindow, TheMainIconIsCompiledInAndUsedByForms) {
  TWindowObject* app = CreateAppWindow("Kelvane");
  const QIcon icon = MainIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_FALSE(QApplication::windowIcon().isNull());
  TWindowObject* form = CreateForm(app, "f");
  EXPECT_FALSE(form->Widget()->windowIcon().isNull());
  EXPECT_EQ(MainForm(), form);
  delete app;
}

}  // namespace
}  // namespace kelvane
