#pragma once
// The handlers of the input, output and generation subsystems that the headless pane runs
// with: the one place where those subsystems are wired into the pane.

#include <memory>

#include "pane/pane_subsystems.h"

namespace panescript {

std::unique_ptr<pane::PaneSubsystems> makePaneSubsystems();

}  // namespace panescript
