#pragma once
// What every windowless program's main() does around its run: make FEMAP reachable (COM
// initialised on Windows, the simulated FEMAP registered elsewhere), and turn an unexpected
// failure into a message on standard error and exit status 1.

#include <exception>
#include <iostream>

#ifdef _WIN32
#include "femap/com/com_init.h"
#include "femap/com/transport.h"
#else
#include "femapsim/registration.h"
#endif

namespace programs {

template <class Run>
int runProgram(const char* name, Run&& run) {
  try {
#ifdef _WIN32
    const femap::com::ComInit com;  // every FEMAP object is released before it ends
    const femap::com::CountersAtExit counters;
#else
    femapsim::registerFemapSim();  // elsewhere than on Windows, FEMAP is the simulated one
#endif
    return run();
  } catch (const std::exception& failure) {
    std::cerr << name << ": " << failure.what() << "\n";
    return 1;
  }
}

}  // namespace programs
