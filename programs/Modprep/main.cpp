// Modprep: writes the optimiser's new input values into the FEMAP model and the solver deck.
#include <exception>
#include <iostream>

#include "modprep/modprep_run.h"
#include "runtime/working_directory.h"
#ifndef _WIN32
#include "femapsim/registration.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  femapsim::registerFemapSim();
#endif
  try {
    return modprep::ModprepRun(runtime::commandLineOf(argc, argv)).run();
  } catch (const std::exception& failure) {
    std::cerr << "Modprep: " << failure.what() << "\n";
    return 1;
  }
}
