#include "pane/event_hook.h"

#include "femap/connect.h"
#include "femap/return_codes.h"
#include "femap/wrappers.h"
#include "pane/corvane_femap_interface.h"

namespace pane {

namespace {

// What the pane does for one event code.
void reactToEvent(CorvaneFemapInterface& pane, int code) {
  EventHook& hook = EventHook::instance();
  support::Err& err = pane.err();
  const auto window = static_cast<std::int32_t>(hook.window);
  switch (code) {
    case kEventShutDown:
      err.run([&] {
        hook.femap.call("feAppRegisterAddInPane", false, window, window, false, false, 1, 0);
      });
      pane.close();
      pane.closePicker();
      break;

    case kEventModelClosed: {
      pane.ClearAll_Click();
      femap::Variant modelCount(0);
      femap::Variant models;
      err.run([&] {
        hook.femap.call("feAppGetAllModels", femap::Variant::byRef(modelCount),
                        femap::Variant::byRef(models));
      });
      int count = 0;
      err.run([&] { count = modelCount.asInt(); });
      if (count <= 0) {
        pane.close();
        pane.closePicker();
      } else if (!err.run([&] { pane.femap().ModelName(); })) {
        err.clear();
        pane.form().setAllEnabled(false);
      } else {
        err.run([&] { pane.frmPropertyList().UpdateCollection(); });
      }
      break;
    }

    case kEventModelAvailable:
      pane.form().setAllEnabled(true);
      pane.frmPropertyList().UpdateCollection();
      pane.Load_Click();
      break;

    default:
      break;
  }
}

// After every event: a changed number of output vectors rebuilds the picker's catalogue. The
// hook's FEMAP reference is gone once the pane has closed, and then this does nothing.
void followOutputVectorCount(CorvaneFemapInterface& pane) {
  EventHook& hook = EventHook::instance();
  const bool counted = pane.err().run([&] {
    const femap::Set vectors(femap::Application(hook.femap).feSet());
    vectors.AddAll(femap::kOutputVectorType);
    const int count = vectors.count();
    if (count != pane.numOutputs) {
      pane.numOutputs = count;
      pane.frmPropertyList().UpdateCollection();
    }
  });
  if (!counted) pane.err().clear();
}

}  // namespace

EventHook& EventHook::instance() {
  static EventHook hook;
  return hook;
}

std::intptr_t PaneEventProc(support::WindowHandle window, std::uint32_t message,
                            std::uintptr_t wParam, std::intptr_t lParam) {
  EventHook& hook = EventHook::instance();
  // The pane and the previous procedure as they were when the message came in: closing the
  // pane on an event removes the hook while this call still runs.
  CorvaneFemapInterface* const pane = hook.pane;
  const support::WindowProc previous = hook.previous;
  if (message != hook.eventMessage || message == 0 || !pane) {
    return support::callWindowProc(previous, window, message, wParam, lParam);
  }
  const int code = static_cast<int>(wParam);
  pane->runHandler("PaneEventProc", [&] { reactToEvent(*pane, code); });
  pane->runHandler("PaneEventProc", [&] { followOutputVectorCount(*pane); });
  return 0;
}

void CorvaneFemapInterface::InstallEventHook() {
  EventHook& hook = EventHook::instance();
  hook.femap = femap::attach(femap::kFemapProgId);
  hook.eventMessage = support::registerWindowMessage("FE_EVENT_MESSAGE");
  hook.window = form_.hWnd();
  hook.previous = support::setWindowProc(hook.window, PaneEventProc);
  hook.pane = this;
}

void CorvaneFemapInterface::RemoveEventHook() {
  EventHook& hook = EventHook::instance();
  if (hook.pane && hook.pane != this) return;  // not this pane's hook
  const support::WindowHandle window = hook.window;
  const support::WindowProc previous = hook.previous;
  const std::uint32_t eventMessage = hook.eventMessage;
  hook = EventHook{};  // releases the hook FEMAP reference
  hook.eventMessage = eventMessage;
  if (previous) support::setWindowProc(window, previous);
}

}  // namespace pane
