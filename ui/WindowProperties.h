// Properties and operations of a window object: texts, visibility, colours,
// fonts, title-bar buttons, showing and closing, handlers, and the item
// operations every kind answers (labels and buttons treat their caption as
// their one item). Toolkit internals; the public side is TWindowObject.
#pragma once

#include "ui/WindowObject.h"

namespace kelvane {

// Gives the widget the object's Color and TextColor (and its client area the
// Color). Text colours apply to the enabled state only.
void ApplyPalette(TWindowObject& w);

}  // namespace kelvane
