// TMenuObject: a menu bar (or popup menu) built from a caption template.
//
// A template is a list of captions read in order until an empty caption or
// the end:
//   "Файл", "(", "Выход", ")", "О Программе...", ""
// "(" after an item opens its submenu and ")" closes it; "-" alone is a
// separator; a leading "-" makes a check item (unchecked), "+" a checked one,
// and "!" right after that prefix a radio item instead. Every item that is not
// a separator gets the next item index (0, 1, 2, ... through the submenus, in
// template order) and the identifier FirstId() + index. Choosing an item calls
// its own handler (SetItemHandlers) or else OnMenuCommand, with the item index.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/WindowObject.h"

class QAction;
class QMenu;
class QMenuBar;

namespace kelvane {

class TMenuObject;
using TMenuEvent = std::function<void(TMenuObject* sender, int itemIndex)>;

class TMenuObject final {
 public:
  ~TMenuObject();

  TWindowObject* Owner() const { return Owner_; }
  int FirstId() const { return FirstId_; }
  int EndId() const { return FirstId_ + static_cast<int>(Items_.size()); }  // exclusive
  int ItemCount() const { return static_cast<int>(Items_.size()); }
  bool IsEmpty() const { return Items_.empty(); }
  // The Qt action of an item (for tests and for enabling items), or nullptr.
  QAction* ItemAction(int itemIndex) const;
  bool ItemChecked(int itemIndex) const;
  void SetItemChecked(int itemIndex, bool checked);
  // 0 when the last command came from the menu, 1 from an accelerator.
  int CommandSource() const { return CommandSource_; }
  // The next menu of the same owner, or nullptr.
  TMenuObject* Next() const { return Next_; }

  TMenuEvent OnMenuCommand;

  // Runs a command as if its item were chosen: check marks and radio runs
  // follow, then the handler. Returns false when the identifier is not ours.
  bool RunCommand(int commandId, int source = 0);

  struct TItem {
    QAction* Action = nullptr;
    int Level = 0;
    bool Check = false;
    bool Radio = false;
  };

 private:
  friend TMenuObject* CreateMainMenu(TWindowObject*, int, const std::vector<std::string>&, TMenuEvent);
  friend void SetItemHandlers(TMenuObject*, int, const std::vector<TMenuEvent>&);
  TMenuObject() = default;

  TWindowObject* Owner_ = nullptr;
  int FirstId_ = 0;
  std::vector<TItem> Items_;
  std::vector<TMenuEvent> Handlers_;
  QMenuBar* Bar_ = nullptr;    // when this is the form's menu bar
  QMenu* Popup_ = nullptr;     // otherwise
  TMenuObject* Next_ = nullptr;
  int CommandSource_ = 0;
};

// Builds a menu for `owner` from `captions`. A firstId of 0 or less takes
// identifiers from a process-wide counter that starts at 4096, so menus made
// this way have disjoint ranges. The first menu of a form becomes its menu
// bar; further menus (and menus of other owners) are popup menus chained
// behind it. An empty template gives a menu without items. The menu belongs
// to its owner.
TMenuObject* CreateMainMenu(TWindowObject* owner, int firstId, const std::vector<std::string>& captions,
                            TMenuEvent onMenuCommand = {});
// Stores handlers for the items from `firstItemIndex` on.
void SetItemHandlers(TMenuObject* menu, int firstItemIndex, const std::vector<TMenuEvent>& handlers);

}  // namespace kelvane
