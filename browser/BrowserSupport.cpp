#include "browser/BrowserSupport.h"

namespace kelvane::browser_detail {

void ResizeExactly(TWindowObject& control, int width, int height) {
  TRect bounds = control.Bounds();
  bounds.Right = bounds.Left + width;
  control.SetBounds(bounds);
  bounds = control.Bounds();
  bounds.Bottom = bounds.Top + height;
  control.SetBounds(bounds);
}

void TControlLink::Attach(TWindowObject* control) {
  Control_ = control;
  if (Control_ != nullptr) Control_->OnDestroy = [this](TBaseObject*) { Control_ = nullptr; };
}

TControlLink::~TControlLink() {
  if (Control_ == nullptr) return;
  Control_->OnDestroy = nullptr;
  Control_->OnChange = nullptr;
  Control_->OnSelectionChange = nullptr;
  Control_->OnMouseDoubleClick = nullptr;
}

}  // namespace kelvane::browser_detail
