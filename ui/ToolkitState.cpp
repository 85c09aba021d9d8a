#include "ui/ToolkitState.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "resources/Resources.h"

namespace kelvane {

namespace {

// Tab never moves the focus between the controls of a form: the toolkit has
// no dialog-style navigation, and keyboard users are not surprised by a
// focus that wanders off the list they are working in.
class TApplicationFilter final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) return false;
    if ((key->modifiers() & Qt::ControlModifier) != 0) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && widget->window() != nullptr && widget->window()->property("kelvaneForm").toBool();
  }
};

std::unique_ptr<QApplication>& OwnedApplication() {
  static std::unique_ptr<QApplication> application;
  return application;
}

}  // namespace

TToolkitState& Toolkit() {
  static TToolkitState state;
  return state;
}

void EnsureToolkit() {
  if (QApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "kelvane";
    static char* argv[] = {name, nullptr};
    OwnedApplication() = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvane"));
  }
  static QPointer<QObject> filter;
  if (filter == nullptr) {
    filter = new TApplicationFilter;
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
    // The end of the program is the main form's close, not the last window's.
    QGuiApplication::setQuitOnLastWindowClosed(false);
  }
}

void ReleaseOwnedApplication() { OwnedApplication().reset(); }

QColor ResolveColor(TColor color) {
  if (color >= 0) return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  const QPalette palette = QApplication::palette();
  switch (color & 0xFF) {
    case 5: return palette.color(QPalette::Base);               // window background
    case 6: return palette.color(QPalette::Shadow);             // window frame
    case 7: return palette.color(QPalette::Text);               // menu text
    case 8: return palette.color(QPalette::WindowText);         // window text
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 16: return palette.color(QPalette::Mid);               // button shadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: return palette.color(QPalette::ButtonText);
    case 20: return palette.color(QPalette::Light);              // button highlight
    case 21: return palette.color(QPalette::Dark);
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::Window);            // button face and the rest
  }
}

QIcon MainIcon() {
  const TResource* resource = KelvaneResources().Find("MAINICON");
  if (resource == nullptr) return QIcon();
  QPixmap pixmap;
  if (!pixmap.loadFromData(resource->Bytes.data(), static_cast<uint>(resource->Bytes.size()))) return QIcon();
  return QIcon(pixmap);
}

TWindowObject* CurrentAppWindow() { return Toolkit().App; }

bool MessageLoopRunning() { return Toolkit().Running; }
bool Terminated() { return Toolkit().Terminated; }

void Terminate() {
  // Queued, so that what is already waiting in the queue is handled first.
  QMetaObject::invokeMethod(
      qApp,
      [] {
        TToolkitState& t = Toolkit();
        t.Terminated = true;
        for (QEventLoop* loop : t.Loops) loop->exit(0);
      },
      Qt::QueuedConnection);
}

}  // namespace kelvane
