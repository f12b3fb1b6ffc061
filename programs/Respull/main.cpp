// Respull: reads the solver's results into FEMAP and writes one value per output variable.
#include "programs/program_main.h"
#include "respull/respull_run.h"
#include "runtime/working_directory.h"

int main(int argc, char** argv) {
  return programs::runProgram("Respull", [&] {
    return respull::RespullRun(runtime::commandLineOf(argc, argv)).run();
  });
}
