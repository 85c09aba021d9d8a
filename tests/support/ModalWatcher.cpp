#include "tests/support/ModalWatcher.h"

#include <QApplication>

namespace kelvane::test {

TModalWatcher::TModalWatcher(TModalMatch match, std::function<void(QWidget*)> action, TMissed missed,
                             int deadlineMs, std::source_location armedAt)
    : Match_(std::move(match)),
      Action_(std::move(action)),
      Watcher_(
          Match_.What,
          [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !Match_.Matches(modal)) return false;
            Seen_ = modal;
            return true;
          },
          [this] {
            if (Seen_) Action_(Seen_);
          },
          missed, deadlineMs, armedAt) {}

}  // namespace kelvane::test
