#pragma once
// The pane as the program runs it: the handlers of the input, output and generation
// subsystems wired into the pane, in one place. The program builds its pane with them, and
// pane-script drives the same pane headless.

#include <memory>

#include "pane/pane_subsystems.h"

namespace programs {

std::unique_ptr<pane::PaneSubsystems> makePaneSubsystems();

}  // namespace programs
