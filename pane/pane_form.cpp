#include "pane/pane_form.h"

namespace pane {

namespace {

template <class C>
C& hiddenAtStart(C& control) {
  control.setVisible(false);
  return control;
}

}  // namespace

PaneForm::PaneForm()
    : ui::Form("CorvaneFemapInterface", "Corvane-Femap Interface", 4755, 10800),
      HScroll1(add<ui::ScrollBar>("HScroll1", ui::ControlKind::HScrollBar, nullptr,
                                  ui::Bounds{0, 10440, 4452, 252}, 24)),
      VScroll1(add<ui::ScrollBar>("VScroll1", ui::ControlKind::VScrollBar, nullptr,
                                  ui::Bounds{4440, 0, 252, 10455}, 23)),
      pbOuter(add<ui::PictureBox>("pbOuter", nullptr, ui::Bounds{0, 0, 4452, 10692}, 0)),
      pbInner(add<ui::PictureBox>("pbInner", &pbOuter, ui::Bounds{0, 0, 4452, 10300}, 1)),

      Inputs(add<ui::Frame>("Inputs", &pbInner, ui::Bounds{120, 120, 4332, 3852}, 2, "Input")),
      InputSelection(add<ui::DropDownList>(
          "InputSelection", &Inputs, ui::Bounds{120, 240, 1932, 288}, 3,
          std::vector<std::string>{"Nodes", "Elements", "Properties", "Materials", "Functions",
                                   "LoadDefinition"})),
      RefreshInputs(add<ui::Button>("RefreshInputs", &Inputs, ui::Bounds{120, 3360, 1932, 372}, 4,
                                    "Refresh Values")),
      InputsButton(add<ui::Button>("InputsButton", &Inputs, ui::Bounds{2280, 240, 1932, 372}, 5,
                                   "Select...")),
      ClearInputSelection(add<ui::Button>("ClearInputSelection", &Inputs,
                                          ui::Bounds{2280, 3360, 1932, 372}, 6, "Remove Selected")),
      InputsList(add<ui::Grid>("InputsList", &Inputs, ui::Bounds{120, 720, 4092, 2532}, 7,
                               exchange::kInputColumns, std::vector<std::string>{"Variable Name", "Value"})),

      Outputs(add<ui::Frame>("Outputs", &pbInner, ui::Bounds{120, 4080, 4332, 3852}, 8, "Output")),
      ClearOutputSelection(add<ui::Button>("ClearOutputSelection", &Outputs,
                                           ui::Bounds{2280, 3360, 1932, 372}, 9,
                                           "Remove Selected")),
      OutputsButton(add<ui::Button>("OutputsButton", &Outputs, ui::Bounds{2280, 240, 1932, 372}, 10,
                                    "Select...")),
      RefreshOutputs(add<ui::Button>("RefreshOutputs", &Outputs, ui::Bounds{120, 3360, 1932, 372},
                                     11, "Refresh Values")),
      OutputSelection(
          add<ui::DropDownList>("OutputSelection", &Outputs, ui::Bounds{120, 240, 1932, 288}, 12,
                                std::vector<std::string>{"Nodes", "Nodes Min/Max", "Elements",
                                                         "Elements Min/Max", "Mass Properties"})),
      OutputsList(add<ui::Grid>("OutputsList", &Outputs, ui::Bounds{120, 720, 4092, 2532}, 13,
                                exchange::kOutputColumns,
                                std::vector<std::string>{"Variable Name", "Value"})),

      Execution(add<ui::Frame>("Execution", &pbInner, ui::Bounds{120, 8040, 4332, 1572}, 14,
                               "Execution")),
      // The PIDO-tool list and its label are not shown; the solver list spans their place.
      Optimizer(hiddenAtStart(add<ui::DropDownList>("Optimizer", &Execution,
                                                    ui::Bounds{2280, 1080, 1932, 288}, 15,
                                                    std::vector<std::string>{"Corvane", "QUBEL"}))),
      Solver(add<ui::DropDownList>("Solver", &Execution, ui::Bounds{120, 1080, 3615, 315}, 16,
                                   std::vector<std::string>{"NENastran", "NXNastran"})),
      CommandLine(add<ui::TextBox>("CommandLine", &Execution, ui::Bounds{120, 480, 4092, 288}, 17)),
      Label3(hiddenAtStart(
          add<ui::Label>("Label3", &Execution, ui::Bounds{2280, 840, 1932, 252}, 18, "PIDO Tool"))),
      Label2(
          add<ui::Label>("Label2", &Execution, ui::Bounds{120, 840, 1932, 252}, 19, "CAE Solver")),
      Label1(add<ui::Label>("Label1", &Execution, ui::Bounds{120, 240, 1692, 252}, 20,
                            "Command Line")),

      GenerateButton(add<ui::Button>("GenerateButton", &pbInner, ui::Bounds{240, 9840, 1932, 372},
                                     21, "Apply")),
      ClearAll(add<ui::Button>("ClearAll", &pbInner, ui::Bounds{2400, 9840, 1932, 372}, 22,
                               "Clear All")) {}

}  // namespace pane
