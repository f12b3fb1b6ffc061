#include "programs/CorvaneFemapInterface/pane_program.h"

#include "generate/generate.h"
#include "inputs/inputs.h"
#include "outputs/outputs.h"

namespace programs {
namespace {

class ProgramSubsystems : public pane::PaneSubsystems {
 public:
  void InputsButton_Click(pane::CorvaneFemapInterface& pane) override {
    inputs::InputsButton_Click(pane);
  }
  void RefreshInputs_Click(pane::CorvaneFemapInterface& pane) override {
    inputs::RefreshInputs_Click(pane);
  }
  void OutputsButton_Click(pane::CorvaneFemapInterface& pane) override {
    outputs::OutputsButton_Click(pane);
  }
  void RefreshOutputs_Click(pane::CorvaneFemapInterface& pane) override {
    outputs::RefreshOutputs_Click(pane);
  }
  void writeProjectFiles(pane::CorvaneFemapInterface& pane, const std::string& tool) override {
    generate::writeProjectFiles(pane, tool);
  }
};

}  // namespace

std::unique_ptr<pane::PaneSubsystems> makePaneSubsystems() {
  return std::make_unique<ProgramSubsystems>();
}

}  // namespace programs
