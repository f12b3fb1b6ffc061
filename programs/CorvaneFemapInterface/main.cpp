// CorvaneFemapInterface: the add-in pane. Here it runs headless on the simulated FEMAP: its
// arguments, joined by blanks, are the pane's command line (model path, log file and log level
// separated by "$"); after start-up it reads pane-script commands (all but start) from standard
// input until the input ends or the pane closes, and closes the pane at the end of the input.
// Exit status: 0; 1 when FEMAP was not found or a command failed.
#include <iostream>
#include <string>

#include "femapsim/registration.h"
#include "panescript/session.h"

int main(int argc, char** argv) {
#ifndef _WIN32
  femapsim::registerFemapSim();  // elsewhere than on Windows, FEMAP is the simulated one
#endif
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  panescript::Session session(panescript::Session::Mode::Program, "CorvaneFemapInterface",
                              std::cout, std::cerr);
  if (!session.start(commandLine)) {
    std::cerr << "CorvaneFemapInterface: FEMAP not found\n";
    return 1;
  }
  session.run(std::cin);
  session.finish();
  return session.failed() ? 1 : 0;
}
