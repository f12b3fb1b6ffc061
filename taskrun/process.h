#pragma once
// taskrun starts its programs through the process layer in support/ (support/process.h): a
// process a step, ended with everything it started on a time-out, on the engineer's
// interruption and when taskrun ends.

#include "support/process.h"

namespace taskrun {

using support::endLeftRunning;
using support::environmentWithPathFirst;
using support::findInPath;
using support::interruptOnSignals;
using support::Interruption;
using support::ownFolder;
using support::platformLauncher;
using support::ProcessLauncher;
using support::ProcessOutcome;
using support::ProcessRequest;

}  // namespace taskrun
