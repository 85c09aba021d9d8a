// The main of every Qt test program: one QApplication for all tests, and a
// check after each test that it left no watcher armed (ArmedWatcherCheck.h).
//
// Tests run on the offscreen platform. Unless the environment already names
// a configuration file, the platform gets one that removes the window frame
// margins and gives one 1024 x 768 screen at 96 dpi, so that window geometry
// and centring come out exact.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "tests/support/ArmedWatcherCheck.h"

namespace {

std::string WriteOffscreenConfig() {
  const QString path =
      QDir::temp().filePath(QStringLiteral("kelvane-offscreen-%1.json").arg(QCoreApplication::applicationPid()));
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file.write(R"({"windowFrameMargins": false, "screens": [{"name": "S1", "x": 0, "y": 0, "width": 1024,)"
               R"( "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  }
  return path.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  std::string configPath;
  if (platform == nullptr || std::string(platform) == "offscreen") {
    configPath = WriteOffscreenConfig();
    const std::string value = "offscreen:configfile=" + configPath;
    setenv("QT_QPA_PLATFORM", value.c_str(), 1);
  }
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  // Owned by GoogleTest from here on.
  ::testing::UnitTest::GetInstance()->listeners().Append(new kelvane::test::TArmedWatcherCheck);
  const int result = RUN_ALL_TESTS();
  if (!configPath.empty()) QFile::remove(QString::fromStdString(configPath));
  return result;
}
