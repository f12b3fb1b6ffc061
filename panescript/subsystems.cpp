#include "panescript/subsystems.h"

namespace panescript {

std::unique_ptr<pane::PaneSubsystems> makePaneSubsystems() {
  return std::make_unique<pane::PaneSubsystems>();
}

}  // namespace panescript
