// pane-script-tavro SCENARIO: pane-script for a pane whose PIDO-tool list offers "Tavro" and
// has it chosen. The pane's list holds "Corvane" and "QUBEL" only, so "Apply" passes its
// "Corvane" on to the generation as "Tavro"; everything else is the real pane-script.
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

namespace {

class TavroChosen : public pane::PaneSubsystems {
 public:
  TavroChosen() : program_(programs::makePaneSubsystems()) {}
  void InputsButton_Click(pane::CorvaneFemapInterface& pane) override {
    program_->InputsButton_Click(pane);
  }
  void RefreshInputs_Click(pane::CorvaneFemapInterface& pane) override {
    program_->RefreshInputs_Click(pane);
  }
  void OutputsButton_Click(pane::CorvaneFemapInterface& pane) override {
    program_->OutputsButton_Click(pane);
  }
  void RefreshOutputs_Click(pane::CorvaneFemapInterface& pane) override {
    program_->RefreshOutputs_Click(pane);
  }
  void writeProjectFiles(pane::CorvaneFemapInterface& pane, const std::string& tool) override {
    program_->writeProjectFiles(pane, tool == "Corvane" ? "Tavro" : tool);
  }

 private:
  std::unique_ptr<pane::PaneSubsystems> program_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pane-script-tavro SCENARIO\n";
    return 2;
  }
  // Scenarios drive the simulated FEMAP in this process, on Windows too; their output has LF
  // line ends everywhere.
  femapsim::registerFemapSim();
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::cerr << "pane-script-tavro: cannot open the scenario " << argv[1] << "\n";
    return 2;
  }
  panescript::Session session(panescript::Session::Mode::Script, "pane-script-tavro", std::cout,
                              std::cerr, std::make_unique<TavroChosen>());
  session.run(file);
  session.finish();
  return session.failed() ? 1 : 0;
}
