#include "ui/MenuObject.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "ui/Layout.h"
#include "ui/MessageDispatch.h"
#include "ui/WindowInternals.h"

namespace kelvane {

TMenuObject::~TMenuObject() {
  // Deleting the bar or popup deletes its submenus and actions with it.
  delete Bar_;
  delete Popup_;
}

QAction* TMenuObject::ItemAction(int itemIndex) const {
  if (itemIndex < 0 || itemIndex >= ItemCount()) return nullptr;
  return Items_[static_cast<std::size_t>(itemIndex)].Action;
}

bool TMenuObject::ItemChecked(int itemIndex) const {
  QAction* action = ItemAction(itemIndex);
  return action != nullptr && action->isChecked();
}

void TMenuObject::SetItemChecked(int itemIndex, bool checked) {
  if (QAction* action = ItemAction(itemIndex); action != nullptr && action->isCheckable()) action->setChecked(checked);
}

bool TMenuObject::RunCommand(int commandId, int source) {
  if (commandId < FirstId() || commandId >= EndId()) return false;
  const int index = commandId - FirstId_;
  CommandSource_ = source;
  const TItem& item = Items_[static_cast<std::size_t>(index)];
  // A chosen radio item is checked (its group unchecks the others of its
  // run); a check item toggles. Qt has already done so for a click on the
  // item itself.
  if (item.Action->property("kelvaneToggled").toBool()) {
    item.Action->setProperty("kelvaneToggled", false);
  } else if (item.Radio) {
    item.Action->setChecked(true);
  } else if (item.Check) {
    item.Action->setChecked(!item.Action->isChecked());
  }
  TMenuEvent handler;
  if (static_cast<std::size_t>(index) < Handlers_.size()) handler = Handlers_[static_cast<std::size_t>(index)];
  if (!handler) handler = OnMenuCommand;
  if (handler) handler(this, index);
  return true;
}

namespace {

struct TTemplateReader {
  TMenuObject& Menu;
  std::vector<TMenuObject::TItem>& Items;
  const std::vector<std::string>& Captions;
  TWindowObject& Owner;
  int FirstId;
  std::size_t Pos = 0;

  bool AtEnd() const { return Pos >= Captions.size() || Captions[Pos].empty(); }

  // Reads items into `container` (a QMenuBar or QMenu) until ")" or the end.
  void Read(QWidget* container, int level) {
    QActionGroup* radioRun = nullptr;
    while (!AtEnd()) {
      std::string caption = Captions[Pos++];
      if (caption == ")") return;
      if (caption == "-") {
        QAction* separator = new QAction(container);
        separator->setSeparator(true);
        container->addAction(separator);
        radioRun = nullptr;
        continue;
      }
      bool check = false;
      bool checked = false;
      bool radio = false;
      if (caption[0] == '-' || caption[0] == '+') {
        check = true;
        checked = caption[0] == '+';
        caption.erase(0, 1);
        if (!caption.empty() && caption[0] == '!') {
          radio = true;
          caption.erase(0, 1);
        }
      }
      const int index = static_cast<int>(Items.size());
      const int id = FirstId + index;
      TToolkitState& t = Toolkit();
      if (id == t.NextMenuId) ++t.NextMenuId;
      const QString text = QString::fromStdString(caption);
      QAction* action = nullptr;
      const bool hasPopup = !AtEnd() && Captions[Pos] == "(";
      QMenu* popup = nullptr;
      if (hasPopup) {
        popup = new QMenu(text, container);
        action = popup->menuAction();
      } else {
        action = new QAction(text, container);
      }
      container->addAction(action);
      action->setData(id);
      if (check) {
        action->setCheckable(true);
        action->setChecked(checked);
      }
      if (radio) {
        if (radioRun == nullptr) {
          radioRun = new QActionGroup(container);
          radioRun->setExclusive(true);
        }
        radioRun->addAction(action);
      } else {
        radioRun = nullptr;
      }
      Items.push_back(TMenuObject::TItem{action, level, check && !radio, radio});
      if (!hasPopup) {
        TWindowObject* owner = &Owner;
        std::weak_ptr<bool> alive = Owner.Internals().Alive;
        QObject::connect(action, &QAction::triggered, action, [owner, alive, action, id, check] {
          if (alive.expired() || !*alive.lock()) return;
          if (check) action->setProperty("kelvaneToggled", true);
          DispatchCommand(*owner, id, 0);
          action->setProperty("kelvaneToggled", false);
        });
      } else {
        ++Pos;  // the "("
        Read(popup, level + 1);
      }
    }
  }
};

}  // namespace

TMenuObject* CreateMainMenu(TWindowObject* owner, int firstId, const std::vector<std::string>& captions,
                            TMenuEvent onMenuCommand) {
  if (owner == nullptr) return nullptr;
  auto menu = std::unique_ptr<TMenuObject>(new TMenuObject);
  TMenuObject* raw = menu.get();
  raw->Owner_ = owner;
  raw->FirstId_ = firstId > 0 ? firstId : Toolkit().NextMenuId;
  raw->OnMenuCommand = std::move(onMenuCommand);
  auto& in = owner->Internals();
  const bool empty = captions.empty() || captions[0].empty();
  if (!empty) {
    QWidget* container = nullptr;
    if (owner->Kind() == TWindowKind::Form && owner->Menu() == nullptr) {
      raw->Bar_ = new QMenuBar(owner->Widget());
      raw->Bar_->setNativeMenuBar(false);
      in.MenuBar = raw->Bar_;
      container = raw->Bar_;
    } else {
      raw->Popup_ = new QMenu(owner->Widget());
      container = raw->Popup_;
    }
    TTemplateReader reader{*raw, raw->Items_, captions, *owner, raw->FirstId_};
    reader.Read(container, 0);
  }
  in.Menus.push_back(Own(std::move(menu)));
  if (owner->Menu() != nullptr) {
    TMenuObject* last = owner->Menu();
    while (last->Next_ != nullptr) last = last->Next_;
    last->Next_ = raw;
  } else {
    TToolkitAccess::SetMenu(*owner, raw);
    owner->AttachHandler(MakeMessageHandler([](TWindowObject& window, TMessage& message) {
      if (message.Kind != TMessageKind::Command) return false;
      for (TMenuObject* m = window.Menu(); m != nullptr; m = m->Next()) {
        if (m->RunCommand(message.CommandId, message.CommandSource)) {
          message.Result = 0;
          return true;
        }
      }
      return false;
    }));
    if (raw->Bar_ != nullptr) {
      // The menu bar takes its height off the client area.
      ApplyGeometry(*owner);
      owner->Realign();
    }
  }
  return raw;
}

void SetItemHandlers(TMenuObject* menu, int firstItemIndex, const std::vector<TMenuEvent>& handlers) {
  if (menu == nullptr || firstItemIndex < 0) return;
  const std::size_t first = static_cast<std::size_t>(firstItemIndex);
  if (menu->Handlers_.size() < first + handlers.size()) menu->Handlers_.resize(first + handlers.size());
  for (std::size_t i = 0; i < handlers.size(); ++i) menu->Handlers_[first + i] = handlers[i];
}

}  // namespace kelvane
