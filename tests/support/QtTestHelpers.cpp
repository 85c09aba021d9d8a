#include "tests/support/QtTestHelpers.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>
#include <QTimer>

namespace kelvane::test {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return condition();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

void ProcessPendingEvents() {
  // A bound, in case something keeps queueing work for itself (a repeating
  // zero-time timer): then the queue never runs dry.
  constexpr int kMaxRounds = 100;
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  for (int round = 0; round < kMaxRounds; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (dispatcher == nullptr || !dispatcher->processEvents(QEventLoop::AllEvents)) return;
  }
}

void LetDoubleClickIntervalPass() {
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  // qWait sleeps between rounds of events, and on a loaded machine a sleep
  // can outlast the end of the wait: a timer of Qt's that came due in it (a
  // combo box's list ignores clicks until its timer has fired) must still be
  // delivered.
  ProcessPendingEvents();
}

bool LetTimerTicksPass(int intervalMs, int ticks) {
  QTimer timer;
  int fired = 0;
  QObject::connect(&timer, &QTimer::timeout, [&fired] { ++fired; });
  timer.start(intervalMs);
  return WaitFor([&fired, ticks] { return fired >= ticks; });
}

std::string ArtifactPath(const std::string& fileName) {
#ifdef KELVANE_TEST_OUTPUT_DIR
  const QString directory = QStringLiteral(KELVANE_TEST_OUTPUT_DIR);
#else
  const QString directory = QDir::tempPath();
#endif
  QDir().mkpath(directory);
  return QDir(directory).filePath(QString::fromStdString(fileName)).toStdString();
}

}  // namespace kelvane::test
