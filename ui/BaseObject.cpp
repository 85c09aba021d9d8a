#include "ui/BaseObject.h"

namespace kelvane {

TBaseObject::~TBaseObject() { BeginDestroy(); }

void TBaseObject::AddToAutoFree(std::function<void()> release) {
  if (release) AutoFree_.push_back(std::move(release));
}

void TBaseObject::BeginDestroy() {
  if (Destroying_) return;
  Destroying_ = true;
  if (OnDestroy) {
    auto handler = std::move(OnDestroy);
    OnDestroy = nullptr;
    handler(this);
  }
  while (!AutoFree_.empty()) {
    auto release = std::move(AutoFree_.back());
    AutoFree_.pop_back();
    release();
  }
}

}  // namespace kelvane
