#include "ui/Application.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QTranslator>
#include <memory>

#include "resources/Resources.h"
#include "ui/WindowInternals.h"

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

void LoadTranslations() {
  // Once per application object: the translator belongs to it.
  static QPointer<QCoreApplication> loadedFor;
  if (loadedFor == QCoreApplication::instance()) return;
  loadedFor = QCoreApplication::instance();
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  auto* translator = new QTranslator(qApp);
  const QString directories[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                 QStringLiteral("/usr/share/qt6/translations")};
  for (const QString& directory : directories) {
    if (translator->load(QStringLiteral("qtbase_ru"), directory)) {
      QCoreApplication::installTranslator(translator);
      return;
    }
  }
  delete translator;  // no Russian texts for Qt's own dialogs: they stay English
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

TWindowObject* CreateAppWindow(const std::string& title) {
  EnsureToolkit();
  LoadTranslations();
  QIcon icon = MainIcon();
  if (!icon.isNull()) QApplication::setWindowIcon(icon);
  auto* app = new TWindowObject(TWindowKind::App, nullptr);
  app->SetCaption(title);
  TToolkitState& t = Toolkit();
  t.App = app;
  t.Terminated = false;
  return app;
}

TWindowObject* CurrentAppWindow() { return Toolkit().App; }

TWindowObject* MainForm() {
  TWindowObject* app = Toolkit().App;
  if (app == nullptr) return nullptr;
  for (TWindowObject* child : app->Children())
    if (child->Kind() == TWindowKind::Form) return child;
  return nullptr;
}

void ShowPendingForms(TWindowObject& app) {
  for (TWindowObject* child : app.Children()) {
    if (child->Kind() != TWindowKind::Form || !child->Visible() || child->Widget()->isVisible()) continue;
    child->Show();
  }
}

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

int RunMessageLoop(TWindowObject*& app) {
  TToolkitState& t = Toolkit();
  if (app == nullptr) return 0;
  t.Running = true;
  t.Terminated = false;
  t.RunningApp = app;
  ShowPendingForms(*app);
  QEventLoop loop;
  t.Loops.push_back(&loop);
  while (!t.Terminated) loop.exec();
  t.Loops.pop_back();
  t.Running = false;
  t.RunningApp = nullptr;
  TWindowObject* released = app;
  app = nullptr;
  delete released;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // An application object the toolkit made ends here too: left to the
  // destructors of static objects it would outlive parts of Qt it needs.
  OwnedApplication().reset();
  return 0;
}

int ShowModal(TWindowObject* form) {
  if (form == nullptr) return 0;
  if (form->Parent() == nullptr || form->Kind() != TWindowKind::Form) {
    form->Show();
    return form->ModalCode();
  }
  TToolkitState& t = Toolkit();
  TWindowObject* app = form->Parent();
  TWindowObject* previous = app->FocusedChild();
  // A close request ends the modal loop instead of closing the form.
  auto closeHandler = MakeMessageHandler([](TWindowObject& window, TMessage& message) {
    if (message.Kind != TMessageKind::Close) return false;
    window.SetModalCode(-1);
    message.Result = 0;
    return true;
  });
  form->AttachHandler(closeHandler);
  form->SetModalCode(0);
  std::vector<QPointer<QWidget>> disabled;
  for (TWindowObject* other : app->Children()) {
    if (other == form || other->Kind() != TWindowKind::Form || !other->Widget()->isEnabled()) continue;
    other->Widget()->setEnabled(false);
    disabled.emplace_back(other->Widget());
  }
  auto alive = form->Internals().Alive;
  QEventLoop loop;
  form->Internals().ModalLoop = &loop;
  t.Loops.push_back(&loop);
  form->Show();
  while (*alive && !t.Terminated && form->ModalCode() == 0) loop.exec();
  t.Loops.erase(std::remove(t.Loops.begin(), t.Loops.end(), &loop), t.Loops.end());
  for (auto& widget : disabled)
    if (widget) widget->setEnabled(true);
  if (!*alive) return -1;
  form->Internals().ModalLoop = nullptr;
  form->DetachHandler(closeHandler);
  if (previous != nullptr && previous != form && previous->Widget() != nullptr) {
    previous->Widget()->activateWindow();
    TToolkitAccess::SetFocusedChild(*app, previous);
  }
  return form->ModalCode();
}

}  // namespace kelvane
