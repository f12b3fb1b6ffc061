// Modprep: writes the optimiser's new input values into the FEMAP model and the solver deck.
#include <exception>
#include <iostream>

#include "modprep/modprep_run.h"
#include "runtime/working_directory.h"
#ifdef _WIN32
#include "femap/com/com_init.h"
#include "femap/com/transport.h"
#else
#include "femapsim/registration.h"
#endif

int main(int argc, char** argv) {
  try {
#ifdef _WIN32
    const femap::com::ComInit com;  // every FEMAP object is released before it ends
    const femap::com::CountersAtExit counters;
#else
    femapsim::registerFemapSim();  // elsewhere than on Windows, FEMAP is the simulated one
#endif
    return modprep::ModprepRun(runtime::commandLineOf(argc, argv)).run();
  } catch (const std::exception& failure) {
    std::cerr << "Modprep: " << failure.what() << "\n";
    return 1;
  }
}
