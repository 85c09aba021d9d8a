// What the browser tests stand on: a temporary directory tree, a fixed drive
// map over it, and a form to put the components on.
#pragma once

#include <gtest/gtest.h>

#include <QPoint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DriveMap.h"
#include "ui/WindowObject.h"

class QWidget;

namespace kelvane::test {

// A temporary folder removed with the object; paths are relative to it.
class TTempTree {
 public:
  TTempTree();
  ~TTempTree();
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  const std::string& Root() const { return Root_; }  // native, links resolved
  std::string Native(const std::string& relative) const { return Root_ + "/" + relative; }
  void File(const std::string& relative, const std::string& content = "data") const;
  void Dir(const std::string& relative) const;
  void Fifo(const std::string& relative) const;

 private:
  std::string Root_;
};

// A desktop's mount table over `root`: the system disk on "/", a CD at
// root/cdrom, a second optical drive without a disc at root/empty-cd (its
// folder does not exist), a network share at root/share and a USB stick at
// root/stick, among pseudo file systems and a fixed partition that must not
// become drives. Letters follow the mount points: D: CD, E: empty CD,
// F: share, G: stick.
TDriveMap DesktopDriveMap(const std::string& root);

// The Windows form of a native path under the current drive map.
std::string SystemPath(const std::string& nativePath);

// A shown form of `width` x `height` (client area), owned by the caller.
std::unique_ptr<TWindowObject> ShownForm(int width, int height);

// Simulated user input on the real widgets.
void ClickListBoxRow(TWindowObject& listBox, int row);
void DoubleClickListViewAt(TWindowObject& listView, QPoint position, Qt::MouseButton button = Qt::LeftButton);
void DoubleClickListViewRow(TWindowObject& listView, int row, Qt::MouseButton button = Qt::LeftButton);
// Opens the drop-down with a click and clicks line `index` of its popup.
void ChooseComboLine(TWindowObject& combo, int index);

// The texts of all items of a list box, combo box or list view.
std::vector<std::string> ItemTexts(const TWindowObject& control);

}  // namespace kelvane::test
