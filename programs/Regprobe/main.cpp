// Regprobe: tells in a one-line result file whether an object can be created from a ProgID.
#include "femap/connect.h"
#include "programs/program_main.h"
#include "regprobe/probe.h"
#include "runtime/working_directory.h"

int main(int argc, char** argv) {
  return programs::runProgram("Regprobe", [&] {
    regprobe::Probe probe([](std::string_view progId) { return femap::create(progId); });
    return probe.run(runtime::commandLineOf(argc, argv), std::cerr);
  });
}
