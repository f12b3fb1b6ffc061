// Respull: reads the solver's results into FEMAP and writes one value per output variable.
#include <exception>
#include <iostream>

#include "respull/respull_run.h"
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
    return respull::RespullRun(runtime::commandLineOf(argc, argv)).run();
  } catch (const std::exception& failure) {
    std::cerr << "Respull: " << failure.what() << "\n";
    return 1;
  }
}
