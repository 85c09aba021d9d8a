// The toolkit's demonstration form: one of each kind of control, wired to a
// status line that reports the events they raise. Built by the demonstration
// program and by the screenshot test.
#pragma once

#include <memory>
#include <vector>

#include "ui/ListView.h"
#include "ui/MenuObject.h"
#include "ui/TimerObject.h"
#include "ui/WindowObject.h"

namespace kelvane {

struct TAboutWindow;
class TFileDialog;

struct TDemoForm {
  TWindowObject* Form = nullptr;
  TMenuObject* Menu = nullptr;
  TWindowObject* BrowserPanel = nullptr;
  TWindowObject* DriveCombo = nullptr;
  TListViewObject* DirectoryView = nullptr;
  TWindowObject* FileList = nullptr;
  TWindowObject* EditCombo = nullptr;
  TWindowObject* ControlsGroup = nullptr;
  TWindowObject* NameCaption = nullptr;
  TWindowObject* NameLabel = nullptr;
  TWindowObject* NoteLabel = nullptr;
  TWindowObject* MessageButton = nullptr;
  TWindowObject* AboutButton = nullptr;
  TWindowObject* OpenButton = nullptr;
  TWindowObject* TimerLabel = nullptr;
  TWindowObject* FramedPanel = nullptr;
  TWindowObject* PreviewBox = nullptr;
  TWindowObject* Preview = nullptr;
  TWindowObject* StatusLabel = nullptr;
  TTimerObject* Timer = nullptr;
  TFileDialog* OpenDialog = nullptr;
  TAboutWindow* About = nullptr;
  std::vector<std::uint32_t> PreviewPixels;
  int Ticks = 0;
};

// Builds the form on `app`; `about` (may be nullptr) is shown by the About
// menu item and button. The record belongs to the form.
TDemoForm* CreateDemoForm(TWindowObject* app, TAboutWindow* about);

}  // namespace kelvane
