// What screen readers learn about window objects, through Qt's
// accessibility interfaces; nothing here changes what is on screen.
//
// - A group box is announced with its own caption. Qt names a widget inside
//   a QGroupBox after the box's title, and a nested group box is such a
//   widget: without help it would be announced with its parent's caption.
// - A label linked to a caption label (SetLabelledBy) is announced as
//   "caption text": "Размер: 289x387". Both texts are followed.
// - A name set with SetAccessibleName takes precedence over both.
// - A form shown with ShowModal is announced as a modal dialog (role Dialog,
//   state modal) until the modal loop ends; otherwise it keeps Qt's role.
// - A combo box is announced by its accessible name, its current item being
//   its value. (Qt on Linux announces the current item as the name and
//   ignores the accessible name.)
//
// Toolkit internals; the public side is TWindowObject's SetAccessibleName
// and SetLabelledBy.
#pragma once

#include "ui/WindowObject.h"

class QComboBox;

namespace kelvane {

// Gives the widget of `w`, and of every label that `w` names, the accessible
// name it should have now. Called whenever a caption or a link changes.
void UpdateAccessibleNames(TWindowObject& w);
// Installs (once per process) the toolkit's accessible interfaces of forms
// and combo boxes.
void InstallAccessibleInterfaces();
// Gives a toolkit combo box the interface that announces its accessible name
// (call before anything asks for its interface).
void UseComboBoxInterface(QComboBox* combo);
// Marks `form` as shown modally, or no longer, for screen readers.
void AnnounceModal(TWindowObject& form, bool modal);

}  // namespace kelvane
