// pane-script SCENARIO: runs the pane headless on the simulated FEMAP (in this process, on
// Windows as elsewhere), one command a line of SCENARIO ("-" reads standard input). Dumps go to standard output; commands that cannot be
// carried out are reported on standard error. A pane still open at the end is closed.
// Exit status: 0, or 1 when a command failed, 2 when the scenario cannot be read.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <fstream>
#include <iostream>

#include "femapsim/registration.h"
#include "panescript/session.h"
#include "programs/CorvaneFemapInterface/pane_program.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pane-script SCENARIO\n";
    return 2;
  }
  // Scenarios drive the simulated FEMAP in this process, on Windows too; their output has LF
  // line ends everywhere.
  femapsim::registerFemapSim();
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const std::string scenario = argv[1];
  std::ifstream file;
  if (scenario != "-") {
    file.open(scenario, std::ios::binary);
    if (!file) {
      std::cerr << "pane-script: cannot open the scenario " << scenario << "\n";
      return 2;
    }
  }
  panescript::Session session(panescript::Session::Mode::Script, "pane-script", std::cout,
                              std::cerr, programs::makePaneSubsystems());
  session.run(scenario == "-" ? std::cin : file);
  session.finish();
  return session.failed() ? 1 : 0;
}
