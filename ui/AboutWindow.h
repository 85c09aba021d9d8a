// The About window: program name, version and four information lines, shown
// modally from the main window's menu and closed with "Закрыть" or the close
// box, which only hide it again.
//
//   TAboutWindow* about = CreateAboutWindow(AppWindow);    // at start-up, hidden
//   ShowModal(about->Form); about->Form->Hide();            // from the menu
#pragma once

#include "ui/WindowObject.h"

namespace kelvane {

struct TAboutWindow {
  TWindowObject* Form = nullptr;
  TWindowObject* CloseButton = nullptr;
  TWindowObject* NameLabel = nullptr;
  TWindowObject* AuthorCaption = nullptr;
  TWindowObject* DateCaption = nullptr;
  TWindowObject* EmailCaption = nullptr;
  TWindowObject* WebCaption = nullptr;
  TWindowObject* AuthorLabel = nullptr;
  TWindowObject* DateLabel = nullptr;
  TWindowObject* EmailLabel = nullptr;
  TWindowObject* WebLabel = nullptr;
};

// Builds the hidden, fixed-size About form centred on the screen. The holder
// belongs to the form and is released with it.
TAboutWindow* CreateAboutWindow(TWindowObject* parent);

}  // namespace kelvane
