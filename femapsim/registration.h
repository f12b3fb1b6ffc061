#pragma once
// Wiring the simulated FEMAP into the in-process ProgID registry as "femap.model", and the
// running instance that attaching finds (the stand-in for FEMAP's running process).
//
// Environment hooks, read when a program attaches or creates:
//   FEMAPSIM_ATTACH=1        a running FEMAP is found when a program attaches
//   FEMAPSIM_OPEN=a;b        with FEMAPSIM_ATTACH: the models open in it, the last current
//   FEMAPSIM_MESSAGES=path   every message-window line is appended to that file
//   FEMAPSIM_UNAVAILABLE=1   FEMAP can be neither attached nor started

#include <memory>

#include "femapsim/application.h"

namespace femapsim {

// Registers "femap.model"; harmless to call more than once.
void registerFemapSim();

// The running FEMAP of this process, or nullptr.
std::shared_ptr<Application> runningApplication();
// Starts a FEMAP that attaching will find (as if the engineer had started it).
std::shared_ptr<Application> startRunningApplication();
// Forgets the running FEMAP (it ends with its last reference).
void stopRunningApplication();
// Makes FEMAP unavailable (or available again) regardless of the environment.
void setFemapUnavailable(bool unavailable);

}  // namespace femapsim
