// Modprep: writes the optimiser's new input values into the FEMAP model and the solver deck.
#include "modprep/modprep_run.h"
#include "programs/program_main.h"
#include "runtime/working_directory.h"

int main(int argc, char** argv) {
  return programs::runProgram("Modprep", [&] {
    return modprep::ModprepRun(runtime::commandLineOf(argc, argv)).run();
  });
}
