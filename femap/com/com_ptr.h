#pragma once
// An owning COM interface pointer: releases what it holds, copies add a reference. Small on
// purpose: construction from a raw pointer says whether it takes over a reference or adds one.

#include "femap/com/com_headers.h"

#include <utility>

namespace femap::com {

template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over the reference the caller owns.
  static ComPtr adopt(Interface* pointer) {
    ComPtr result;
    result.pointer_ = pointer;
    return result;
  }
  // Adds a reference of its own.
  static ComPtr share(Interface* pointer) {
    if (pointer) pointer->AddRef();
    return adopt(pointer);
  }

  ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
    if (pointer_) pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (auto* pointer = std::exchange(pointer_, nullptr)) pointer->Release();
  }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // Hands the reference to the caller (an out-parameter of a COM method).
  Interface* detach() { return std::exchange(pointer_, nullptr); }
  // For a COM call that fills an out-parameter: drops what is held first.
  Interface** out() {
    reset();
    return &pointer_;
  }

  // The same object through another interface, or an empty pointer.
  template <class Other>
  ComPtr<Other> query() const {
    ComPtr<Other> result;
    if (pointer_) pointer_->QueryInterface(__uuidof(Other), reinterpret_cast<void**>(result.out()));
    return result;
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace femap::com
