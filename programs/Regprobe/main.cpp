// Regprobe: tells in a one-line result file whether an object can be created from a ProgID.
#include <exception>
#include <iostream>

#include "femap/connect.h"
#include "regprobe/probe.h"
#include "runtime/working_directory.h"
#ifndef _WIN32
#include "femapsim/registration.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  femapsim::registerFemapSim();
#endif
  try {
    regprobe::Probe probe([](std::string_view progId) { return femap::create(progId); });
    return probe.run(runtime::commandLineOf(argc, argv), std::cerr);
  } catch (const std::exception& failure) {
    std::cerr << "Regprobe: " << failure.what() << "\n";
    return 1;
  }
}
