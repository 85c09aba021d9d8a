#include "ui/Application.h"

#include <QApplication>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>
#include <algorithm>
#include <vector>

#include "ui/Accessibility.h"
#include "ui/WindowInternals.h"

namespace kelvane {

namespace {

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

// Shows every form of `app` that was not hidden explicitly.
void ShowPendingForms(TWindowObject& app) {
  for (TWindowObject* child : app.Children()) {
    if (child->Kind() != TWindowKind::Form || !child->Visible() || child->Widget()->isVisible()) continue;
    child->Show();
  }
}

}  // namespace

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

TWindowObject* MainForm() {
  TWindowObject* app = Toolkit().App;
  return app != nullptr ? MainFormOf(*app) : nullptr;
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
  // An application object the toolkit made ends here too.
  ReleaseOwnedApplication();
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
  AnnounceModal(*form, true);
  form->Show();
  while (*alive && !t.Terminated && form->ModalCode() == 0) loop.exec();
  t.Loops.erase(std::remove(t.Loops.begin(), t.Loops.end(), &loop), t.Loops.end());
  for (auto& widget : disabled)
    if (widget) widget->setEnabled(true);
  if (!*alive) return -1;
  AnnounceModal(*form, false);
  form->Internals().ModalLoop = nullptr;
  form->DetachHandler(closeHandler);
  if (previous != nullptr && previous != form && previous->Widget() != nullptr) {
    previous->Widget()->activateWindow();
    TToolkitAccess::SetFocusedChild(*app, previous);
  }
  return form->ModalCode();
}

}  // namespace kelvane
