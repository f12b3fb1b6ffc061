#pragma once
// Scope guards for what a handler takes and must give back on every path, also when it fails:
// FEMAP's user-interface lock and the hourglass pointer.

#include "femap/wrappers.h"
#include "ui/form.h"

namespace pane {

// Holds FEMAP's user-interface lock from construction until release() or the end of the scope.
class FemapLock {
 public:
  // Locks; FEMAP's failure reaches the caller.
  explicit FemapLock(const femap::Application& femap) : femap_(femap) { femap_.feAppLock(); }
  ~FemapLock() {
    if (!held_) return;
    try {
      femap_.feAppUnlock();
    } catch (...) {
      // Unwinding from a failure already: FEMAP's second failure adds nothing to report.
    }
  }
  FemapLock(const FemapLock&) = delete;
  FemapLock& operator=(const FemapLock&) = delete;

  // Unlocks now; FEMAP's failure reaches the caller.
  void release() {
    if (!held_) return;
    held_ = false;
    femap_.feAppUnlock();
  }

 private:
  const femap::Application& femap_;
  bool held_ = true;
};

// Shows the hourglass on every control of a form until restore() or the end of the scope.
class Hourglass {
 public:
  explicit Hourglass(ui::Form& form) : form_(form) {
    form_.setAllMousePointers(ui::MousePointer::Hourglass);
  }
  ~Hourglass() { restore(); }
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;

  void restore() { form_.setAllMousePointers(ui::MousePointer::Default); }

 private:
  ui::Form& form_;
};

}  // namespace pane
