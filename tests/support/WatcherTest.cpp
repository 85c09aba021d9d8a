// The watchers every GUI test leans on: once only, wall-clock deadlines,
// nothing left armed after their scope, and no hang when a dialog goes
// unanswered.
#include "tests/support/Watcher.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QApplication>
#include <chrono>
#include <memory>
#include <thread>

#include "tests/support/ArmedWatcherCheck.h"
#include "tests/support/ModalWatcher.h"
#include "tests/support/QtTestHelpers.h"

namespace kelvane::test {
namespace {

TEST(Watcher, RunsItsActionOnceWhenItsConditionHolds) {
  bool ready = false;
  int actions = 0;
  TWatcher watcher("the flag", [&ready] { return ready; }, [&actions] { ++actions; });
  ASSERT_TRUE(LetTimerTicksPass(10, 3));
  EXPECT_EQ(actions, 0);
  EXPECT_TRUE(watcher.Armed());
  ready = true;
  ASSERT_TRUE(WaitFor([&watcher] { return watcher.Fired(); }));
  ASSERT_TRUE(LetTimerTicksPass(10, 3));  // the condition still holds
  EXPECT_EQ(actions, 1);
  EXPECT_FALSE(watcher.Armed());
  EXPECT_TRUE(TWatcher::ArmedDescriptions().empty());
}

TEST(Watcher, ItsDeadlineIsWallClockTimeNotACountOfPolls) {
  int polls = 0;
  TWatcher watcher("a state that never comes", [&polls] {
        ++polls;
        return false;
      }, [] {}, TMissed::Fails, 100);
  // A machine so loaded that the event loop does not run for 300 ms: the
  // first poll afterwards finds the deadline gone.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_NONFATAL_FAILURE(WaitFor([&watcher] { return watcher.Missed(); }, 5000),
                          "waited 100 ms in vain for a state that never comes");
  EXPECT_EQ(polls, 1);
}

TEST(Watcher, DestroyingItDisarmsItSoItsActionNeverRuns) {
  auto ready = std::make_shared<bool>(false);
  auto actions = std::make_shared<int>(0);
  {
    TWatcher watcher("the flag", [ready] { return *ready; }, [actions] { ++*actions; });
    EXPECT_EQ(TWatcher::ArmedDescriptions().size(), 1u);
  }
  EXPECT_TRUE(TWatcher::ArmedDescriptions().empty());
  *ready = true;
  ASSERT_TRUE(LetTimerTicksPass(10, 5));
  EXPECT_EQ(*actions, 0);
}

TEST(Watcher, MayWaitForSomethingThatNeverComes) {
  TWatcher watcher("nothing", [] { return false; }, [] {}, TMissed::IsFine, 50);
  ASSERT_TRUE(LetTimerTicksPass(10, 10));  // well past the 50 ms, which do not apply
  EXPECT_FALSE(watcher.Missed());
  EXPECT_TRUE(watcher.Armed());
}

TEST(ArmedWatcherCheck, FailsATestThatLeavesAWatcherArmedAndDisarmsIt) {
  // Made on the heap and kept past the check, as a watcher leaked by a
  // helper would be.
  auto leaked = std::make_unique<TWatcher>("a dialog of the next test", [] { return false; }, [] {});
  TArmedWatcherCheck check;
  EXPECT_NONFATAL_FAILURE(check.OnTestEnd(*testing::UnitTest::GetInstance()->current_test_info()),
                          "still armed when the test ended: watcher for a dialog of the next test (armed at");
  EXPECT_FALSE(leaked->Armed());
  EXPECT_TRUE(TWatcher::ArmedDescriptions().empty());
}

TEST(ModalWatcher, AnswersTheDialogItMatchesAndOnlyThatOne) {
  QMessageBox box(QMessageBox::NoIcon, "title", "text", QMessageBox::Ok | QMessageBox::Cancel);
  TModalWatcher fileDialogs(IsA<QFileDialog>(), [](QWidget* w) { static_cast<QDialog*>(w)->reject(); },
                            TMissed::IsFine);
  TModalWatcher boxes(IsA<QMessageBox>(), [](QWidget* w) {
    static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(box.exec(), QMessageBox::Ok);
  EXPECT_TRUE(boxes.Fired());
  EXPECT_FALSE(fileDialogs.Fired());
}

// A dialog that comes but is not the awaited one would block exec() for
// ever: the watcher that missed closes it, and the test fails instead.
TEST(ModalWatcher, AMissedDialogIsClosedSoTheTestEndsInsteadOfHanging) {
  QMessageBox unexpected(QMessageBox::NoIcon, "title", "not the file dialog", QMessageBox::Ok);
  TModalWatcher watcher(IsA<QFileDialog>(), [](QWidget*) {}, TMissed::Fails, 200);
  int result = 1;
  EXPECT_NONFATAL_FAILURE(result = unexpected.exec(), "waited 200 ms in vain for a modal QFileDialog");
  EXPECT_EQ(result, 0);  // closed, not answered
  EXPECT_FALSE(watcher.Fired());
}

// The missed watcher leaves alone the dialog that a running action
// answers, and closes only the one nobody handles.
TEST(ModalWatcher, AMissedWatcherLeavesTheDialogARunningActionHandles) {
  QDialog outer;
  bool innerClosed = false;
  TModalWatcher answer(IsA<QDialog>(), [&innerClosed](QWidget* w) {
    QMessageBox inner(QMessageBox::NoIcon, "title", "a question nobody answers", QMessageBox::Ok, w);
    TModalWatcher missed(IsA<QFileDialog>(), [](QWidget*) {}, TMissed::Fails, 200);
    EXPECT_NONFATAL_FAILURE(inner.exec(), "waited 200 ms in vain for a modal QFileDialog");
    innerClosed = true;
    static_cast<QDialog*>(w)->accept();
  });
  EXPECT_EQ(outer.exec(), QDialog::Accepted);
  EXPECT_TRUE(innerClosed);
}

}  // namespace
}  // namespace kelvane::test
