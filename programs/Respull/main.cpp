// Respull: reads the solver's results into FEMAP and writes one value per output variable.
#include <exception>
#include <iostream>

#include "respull/respull_run.h"
#include "runtime/working_directory.h"
#ifndef _WIN32
#include "femapsim/registration.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  femapsim::registerFemapSim();
#endif
  try {
    return respull::RespullRun(runtime::commandLineOf(argc, argv)).run();
  } catch (const std::exception& failure) {
    std::cerr << "Respull: " << failure.what() << "\n";
    return 1;
  }
}
