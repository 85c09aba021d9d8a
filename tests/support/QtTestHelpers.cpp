#include "tests/support/QtTestHelpers.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

namespace kelvane::test {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

void Pump(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

namespace {
void Poll(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action, std::shared_ptr<bool> done,
          int remainingMs) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && match(modal)) {
    *done = true;
    action(modal);
    return;
  }
  if (remainingMs <= 0) return;
  QTimer::singleShot(20, qApp, [match = std::move(match), action = std::move(action), done, remainingMs] {
    Poll(match, action, done, remainingMs - 20);
  });
}
}  // namespace

std::shared_ptr<bool> WhenModal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action,
                                int timeoutMs) {
  auto done = std::make_shared<bool>(false);
  QTimer::singleShot(20, qApp, [match = std::move(match), action = std::move(action), done, timeoutMs] {
    Poll(match, action, done, timeoutMs);
  });
  return done;
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
