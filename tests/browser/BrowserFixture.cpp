#include "tests/browser/BrowserFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QLocale>
#include <QTest>
#include <QTreeWidget>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "tests/support/QtTestHelpers.h"

namespace kelvane::test {

namespace {
// The orders these tests expect are those of an English collation, whatever
// the machine's locale: a Russian one, for one, puts Cyrillic names before
// Latin ones. The collator is made on first use, so this runs before any test.
class TEnglishCollation final : public testing::Environment {
 public:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};
[[maybe_unused]] testing::Environment* const kEnglishCollation =
    testing::AddGlobalTestEnvironment(new TEnglishCollation);
}  // namespace

TTempTree::TTempTree() {
  std::string pattern = testing::TempDir() + "kelvane-browser-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed";
    return;
  }
  char resolved[PATH_MAX];
  Root_ = realpath(pattern.c_str(), resolved) != nullptr ? resolved : pattern;
}

TTempTree::~TTempTree() {
  if (!Root_.empty()) std::filesystem::remove_all(Root_);
}

void TTempTree::File(const std::string& relative, const std::string& content) const {
  std::ofstream out(Native(relative), std::ios::binary);
  out << content;
  if (!out) ADD_FAILURE() << "cannot write " << relative;
}

void TTempTree::Dir(const std::string& relative) const {
  if (mkdir(Native(relative).c_str(), 0755) != 0) ADD_FAILURE() << "cannot make " << relative;
}

void TTempTree::Fifo(const std::string& relative) const {
  if (mkfifo(Native(relative).c_str(), 0644) != 0) ADD_FAILURE() << "cannot make FIFO " << relative;
}

TDriveMap DesktopDriveMap(const std::string& root) {
  const std::string table =
      "sysfs /sys sysfs rw 0 0\n"
      "proc /proc proc rw 0 0\n"
      "/dev/sda2 / ext4 rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
      "/dev/sda3 " + root + "/fixed ext4 rw 0 0\n"
      "tmpfs " + root + "/ram tmpfs rw 0 0\n"
      "overlay " + root + "/overlay overlay rw 0 0\n"
      "/dev/sr0 " + root + "/cdrom iso9660 ro 0 0\n"
      "/dev/sr1 " + root + "/empty-cd udf ro 0 0\n"
      "//nas/share " + root + "/share cifs rw 0 0\n"
      "/dev/sdb1 " + root + "/stick vfat rw 0 0\n";
  return TDriveMap(TFixedMountSource(table, {{"/dev/sdb1", true}, {"/dev/sda3", false}}));
}

std::string SystemPath(const std::string& nativePath) {
  std::optional<std::string> system = CurrentDriveMap().ToSystem(nativePath);
  if (!system) ADD_FAILURE() << "no Windows form for " << nativePath;
  return system.value_or("");
}

std::unique_ptr<TWindowObject> ShownForm(int width, int height) {
  std::unique_ptr<TWindowObject> form(CreateForm(nullptr, "browser"));
  form->ResizeTo(width, height);
  form->Show();
  if (!QTest::qWaitForWindowExposed(form->Widget(), test::kPatientMs)) ADD_FAILURE() << "form not exposed";
  return form;
}

void ClickListBoxRow(TWindowObject& listBox, int row) {
  auto* list = static_cast<QListWidget*>(listBox.Widget());
  const QRect rect = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

void DoubleClickListViewAt(TWindowObject& listView, QPoint position, Qt::MouseButton button) {
  // What a real double-click delivers to a widget: press, release, press,
  // double-click, release. QTest::mouseDClick alone sends only the
  // double-click, which no mouse can do.
  QWidget* viewport = static_cast<QTreeWidget*>(listView.Widget())->viewport();
  QTest::mousePress(viewport, button, {}, position);
  QTest::mouseRelease(viewport, button, {}, position);
  QTest::mousePress(viewport, button, {}, position);
  QTest::mouseDClick(viewport, button, {}, position);
  QTest::mouseRelease(viewport, button, {}, position);
}

void DoubleClickListViewRow(TWindowObject& listView, int row, Qt::MouseButton button) {
  auto* tree = static_cast<QTreeWidget*>(listView.Widget());
  DoubleClickListViewAt(listView, tree->visualItemRect(tree->topLevelItem(row)).center(), button);
}

void ChooseComboLine(TWindowObject& comboControl, int index) {
  auto* combo = static_cast<QComboBox*>(comboControl.Widget());
  // Only what shows on the screen can be clicked: a combo box of no width
  // (an aligned control before its parent has laid it out) opens a list of
  // no width too.
  if (combo->rect().isEmpty()) {
    ADD_FAILURE() << "the combo box has no area to click: " << combo->width() << " x " << combo->height();
    return;
  }
  // Qt ignores a click within the double-click interval of the one before
  // (which may have been on this combo box's list) and a click on the list
  // that comes sooner than that after it opened: both are time windows of
  // Qt's own, not guesses at how long something takes.
  LetDoubleClickIntervalPass();
  QTest::mouseClick(combo, Qt::LeftButton);
  QAbstractItemView* view = combo->view();
  if (!WaitFor([view] { return view->isVisible(); })) {
    ADD_FAILURE() << "drop-down did not open";
    return;
  }
  LetDoubleClickIntervalPass();
  // The line's visible part: a line wider than the list is cut at its edge.
  const QRect rect = view->visualRect(view->model()->index(index, 0)) & view->viewport()->rect();
  if (rect.isEmpty()) {
    ADD_FAILURE() << "line " << index << " is not visible in the drop-down";
    return;
  }
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
  if (!WaitFor([view] { return !view->isVisible(); })) ADD_FAILURE() << "drop-down did not close";
}

std::vector<std::string> ItemTexts(const TWindowObject& control) {
  std::vector<std::string> texts;
  for (int i = 0; i < control.ItemCount(); ++i) texts.push_back(control.ItemText(i));
  return texts;
}

}  // namespace kelvane::test
