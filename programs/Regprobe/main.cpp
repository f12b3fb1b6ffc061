// Regprobe: tells in a one-line result file whether an object can be created from a ProgID.
#include <exception>
#include <iostream>

#include "femap/connect.h"
#include "regprobe/probe.h"
#include "runtime/working_directory.h"
#ifdef _WIN32
#include "femap/com/com_init.h"
#else
#include "femapsim/registration.h"
#endif

int main(int argc, char** argv) {
  try {
#ifdef _WIN32
    const femap::com::ComInit com;  // the probe releases the created object before it ends
#else
    femapsim::registerFemapSim();  // elsewhere than on Windows, the ProgIDs are in-process ones
#endif
    regprobe::Probe probe([](std::string_view progId) { return femap::create(progId); });
    return probe.run(runtime::commandLineOf(argc, argv), std::cerr);
  } catch (const std::exception& failure) {
    std::cerr << "Regprobe: " << failure.what() << "\n";
    return 1;
  }
}
