// The base of every toolkit object: an OnDestroy event and an auto-free list.
//
// An object owns what is registered with AddToAutoFree and releases it when it
// is destroyed, the last registered first. This is how a form owns the plain
// objects that belong to it (a window holder record, a timer, file dialogs,
// the file-browser components) without those objects being windows.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kelvane {

class TBaseObject {
 public:
  TBaseObject() = default;
  TBaseObject(const TBaseObject&) = delete;
  TBaseObject& operator=(const TBaseObject&) = delete;
  virtual ~TBaseObject();

  // Called first when the object is destroyed, before anything is released.
  std::function<void(TBaseObject* sender)> OnDestroy;

  // Takes ownership of `object`; it is destroyed with this object. Returns the
  // raw pointer so that creation and registration read as one line:
  //   Timer = form->AddToAutoFree(CreateTimer(10));
  template <class T>
  T* AddToAutoFree(std::unique_ptr<T> object) {
    T* raw = object.get();
    if (raw != nullptr)
      AddToAutoFree([owned = std::shared_ptr<T>(std::move(object))]() mutable { owned.reset(); });
    return raw;
  }
  // Registers a release procedure of any kind.
  void AddToAutoFree(std::function<void()> release);

 protected:
  // Fires OnDestroy (once) and releases the auto-free list, last added first.
  // Derived destructors call it first so that the objects they own are still
  // alive while OnDestroy and the released objects run.
  void BeginDestroy();

 private:
  std::vector<std::function<void()>> AutoFree_;
  bool Destroying_ = false;
};

}  // namespace kelvane
