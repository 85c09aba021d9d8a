// Layout and scrolling: where a window object's widget and its parts sit,
// how aligned children share their parent's client area, and how an
// auto-scroll box keeps its bars in step with the extent of its children.
//
// Alignment: top and bottom children first, in creation order, then left and
// right ones in what is left, then client children fill the rest; each keeps
// Spacing pixels from the edges and from its neighbours, and a parent too
// small for them gives them no room rather than a negative size. Toolkit
// internals; the public side is TWindowObject's SetBounds, SetAlignment,
// Realign, CenterOnScreen and ScrollInfo.
#pragma once

#include "ui/WindowObject.h"

namespace kelvane {

// Gives the widget the object's Bounds (a form's Bounds is its outer frame)
// and places its menu bar, client area and scroll bars.
void ApplyGeometry(TWindowObject& w);
// An auto-scroll box: ranges, pages and positions from the children's extent,
// bars shown where the contents do not fit.
void RecomputeScroll(TWindowObject& box);
// An auto-scroll box: moves the children to the bars' positions.
void ScrollChildren(TWindowObject& box);

}  // namespace kelvane
