// The steps every Create... function takes, shared with the units of the
// control kinds that live in files of their own (ListBox.cpp, ComboBox.cpp,
// ListView.cpp). Toolkit internals; the Create... functions themselves are
// declared in WindowObject.h, ListBox.h, ComboBox.h and ListView.h.
#pragma once

#include "ui/WindowObject.h"

class QWidget;

namespace kelvane {

// The widget a new child of `parent` goes into (its client area), or nullptr.
QWidget* ClientOf(TWindowObject* parent);
// The default size of a new control. A height of 22 and the like is kept
// whatever the parent's top margin is (keepHeight); other default heights
// lose it. 0 leaves a dimension as it is.
void SetDefaultSize(TWindowObject& w, int width, int height, bool keepHeight);
// Gives a control its identifier and tab order on its form; the first
// control that takes the focus becomes the form's FocusedChild.
void RegisterControl(TWindowObject& control, bool tabStop);
// The last step: the object takes `widget`, a control is registered and
// focusable when `tabStop`, and an auto-scroll parent takes the new child
// into its extent. Returns `w`.
TWindowObject* Finish(TWindowObject* w, QWidget* widget, bool tabStop);

}  // namespace kelvane
