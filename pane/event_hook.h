#pragma once
// FEMAP's events reach the pane as the registered window message "FE_EVENT_MESSAGE", whose
// first parameter carries the event code. The pane's InstallEventHook puts PaneEventProc in
// front of the pane window's own procedure; every other message goes on to that procedure.
//
// The hook's state is process-wide, as a window procedure's is: the pane it serves, a second
// FEMAP reference used only here, the event message's id and the procedure it replaced.

#include <cstdint>

#include "femap/object.h"
#include "support/window_messages.h"

namespace pane {

class CorvaneFemapInterface;

struct EventHook {
  CorvaneFemapInterface* pane = nullptr;
  femap::Object femap;  // the hook FEMAP reference
  std::uint32_t eventMessage = 0;
  support::WindowHandle window = 0;
  support::WindowProc previous = nullptr;

  static EventHook& instance();
};

inline constexpr int kEventModelAvailable = 2;  // enable the pane, restore the saved selection
inline constexpr int kEventModelClosed = 3;     // clear the lists; close when no model is left
inline constexpr int kEventShutDown = 4;        // unregister and close

std::intptr_t PaneEventProc(support::WindowHandle window, std::uint32_t message,
                            std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace pane
