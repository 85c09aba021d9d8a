// How long the window takes to open an archive: the real main window, over
// the folder that holds ARCHIVE, gets a double-click on the archive's row in
// the folder list; the clock stops when the file list has painted its first
// screen of entries. Then a double-click on the folder's own row goes back
// up, and the next run opens the archive again.
//
//   kelvane-bench-window ARCHIVE [RUNS]
//
// Make the archive with tools/make_lod.py (bench: 10,000 sprites, the
// game's reserved table). Without QT_QPA_PLATFORM the offscreen platform is
// used; under X (xvfb-run) pass QT_QPA_PLATFORM=xcb to paint on a real
// server. Prints each run and the median: the double-click itself (the
// folder list moving, the archive read and judged, the entries listed) and
// until the first paint.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "browser/DirectoryListBox.h"
#include "browser/FileListBox.h"
#include "ui/Application.h"
#include "ui/ListView.h"
#include "ui/WindowObject.h"

namespace {

using namespace kelvane;

// Counts the paints of one widget.
class TPaintCounter final : public QObject {
 public:
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

void DoubleClickRow(TListViewObject& view, int row) {
  QTreeWidget* tree = view.Tree();
  const QPoint at = tree->visualItemRect(tree->topLevelItem(row)).center();
  QWidget* viewport = tree->viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  QTest::mousePress(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

int RowOf(TListViewObject& view, const std::string& text) {
  for (int i = 0; i < view.ItemCount(); ++i)
    if (view.ItemText(i) == text) return i;
  return -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s ARCHIVE [RUNS]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path archive = std::filesystem::absolute(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  if (!std::filesystem::is_regular_file(archive)) {
    std::fprintf(stderr, "%s: no such file\n", archive.c_str());
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::filesystem::current_path(archive.parent_path());

  TWindowObject* app = CreateAppWindow("Kelvane");
  TMainForm* main = CreateMainForm(app);
  main->Form->Show();
  if (!QTest::qWaitForWindowExposed(main->Form->Widget(), 30000)) {
    std::fprintf(stderr, "the window did not come up\n");
    return 1;
  }
  QCoreApplication::processEvents();
  TListViewObject& folders = *main->DirList->ListView();
  auto* files = static_cast<QListWidget*>(main->FileList->ListBox()->Widget());
  TPaintCounter painted;
  files->viewport()->installEventFilter(&painted);

  std::vector<double> clicks, screens;
  std::size_t listed = 0;
  for (int run = 0; run < runs; ++run) {
    const int row = RowOf(folders, archive.filename().string());
    if (row < 0) {
      std::fprintf(stderr, "%s is not in the folder list\n", archive.filename().c_str());
      return 1;
    }
    const int paintsBefore = painted.Paints;
    QElapsedTimer clock;
    clock.start();
    DoubleClickRow(folders, row);
    const double click = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    while (painted.Paints == paintsBefore && clock.elapsed() < 10000) QCoreApplication::processEvents();
    const double screen = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    listed = static_cast<std::size_t>(files->count());
    if (!main->DirList->InContainer() || listed == 0) {
      std::fprintf(stderr, "the archive did not open\n");
      return 1;
    }
    clicks.push_back(click);
    screens.push_back(screen);
    std::printf("run %2d: double-click %7.2f ms, first screen painted %7.2f ms\n", run + 1, click, screen);
    // Back up to the folder, and let everything that queued settle.
    DoubleClickRow(folders, main->DirList->LevelCount() - 2);
    QTest::qWait(50);
  }
  std::printf("%zu entries listed; median of %d runs: double-click %.2f ms, first screen painted %.2f ms\n", listed,
              runs, Median(clicks), Median(screens));
  delete app;
  return 0;
}
