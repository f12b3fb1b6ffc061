// CorvaneFemapInterface: the add-in pane.
//
// On Windows it is a real window beside FEMAP (reached through COM): the command line (the
// raw text after the program's name: model path, log file and log level separated by "$")
// starts the pane, and the window's message loop runs until the pane closes.
//
// Elsewhere it runs headless on the simulated FEMAP: its arguments, joined by blanks, are the
// pane's command line; after start-up it reads pane-script commands (all but start) from
// standard input until the input ends or the pane closes, and closes the pane at the end of
// the input.
//
// Exit status: 0; 1 when FEMAP was not found or (headless) a command failed.
#include <exception>
#include <iostream>
#include <string>

#include "programs/CorvaneFemapInterface/pane_program.h"
#include "support/command_line.h"
#ifdef _WIN32
#include "femap/com/com_init.h"
#include "pane/corvane_femap_interface.h"
#include "ui/win32/win32_windows.h"
#else
#include "femapsim/registration.h"
#include "panescript/session.h"
#endif

int main(int argc, char** argv) {
  const std::string commandLine = support::programCommandLine(argc, argv);
#ifdef _WIN32
  try {
    const femap::com::ComInit com;             // ends after the pane released FEMAP
    ui::win32::Win32Windows windows;           // outlives the pane's forms
    const auto subsystems = programs::makePaneSubsystems();
    pane::CorvaneFemapInterface pane(windows, *subsystems);
    if (!pane.start(commandLine)) {
      std::cerr << "CorvaneFemapInterface: FEMAP not found\n";
      return 1;
    }
    return windows.runMessageLoop();
  } catch (const std::exception& failure) {
    std::cerr << "CorvaneFemapInterface: " << failure.what() << "\n";
    return 1;
  }
#else
  femapsim::registerFemapSim();  // elsewhere than on Windows, FEMAP is the simulated one
  panescript::Session session(panescript::Session::Mode::Program, "CorvaneFemapInterface",
                              std::cout, std::cerr, programs::makePaneSubsystems());
  if (!session.start(commandLine)) {
    std::cerr << "CorvaneFemapInterface: FEMAP not found\n";
    return 1;
  }
  session.run(std::cin);
  session.finish();
  return session.failed() ? 1 : 0;
#endif
}
