// The description file of the PIDO tool Corvane: the task's inputs and outputs, the three
// programs of one evaluation (Modprep, the Nastran solver, Respull), their order, a ready-made
// stress-ratio plan and the storage of the run data. In the same pass: the exchange files
// without templates, the batch file and the functions file.
#include <span>
#include <string_view>
#include <vector>

#include "exchange/modprep_file.h"
#include "exchange/respull_file.h"
#include "exchange/value_files.h"
#include "exchange/vocabulary.h"
#include "generate/project_generation.h"
#include "pane/corvane_femap_interface.h"
#include "pane/variable_rows.h"
#include "support/paths.h"

namespace generate {

namespace {

using support::TextBuffer;

struct IndentedLine {
  int indent;
  std::string_view text;
};

void writeLines(TextBuffer& file, std::span<const IndentedLine> lines) {
  for (const IndentedLine& line : lines) file.indentedLine(line.indent, line.text);
}

constexpr IndentedLine kHead[] = {
    {0, "TQDLVersion: 9.0"},
    {0, "CompilerOptions: warn"},
    {0, ""},
    {0, "Task Task1"},
    {0, ""},
    {4, "TaskHeader Task1"},
    {8, "Version: 1.0"},
    {8, "Evaluation: single"},
    {8, "ControlMode: user"},
    {8, "RunCounter: 1"},
    {8, "BoundsPolicy: adjustvalue"},
    {8, "CheckPoint: unknown"},
    {4, "End TaskHeader Task1"},
    {0, ""},
    {4, "Inputs Task1"},
};

constexpr IndentedLine kInputsEnd[] = {
    {4, "End Inputs Task1"},
    {0, ""},
    {4, "Outputs Task1"},
};

// From the end of the outputs to the solver's script.
constexpr IndentedLine kTailToScript[] = {
    {4, "End Outputs Task1"},
    {0, ""},
    {4, "SimCode Modprep"},
    {8, "InputFiles Modprep"},
    {12, "FileDescription InputValuestxt"},
    {16, "FileType: fastparse"},
    {16, "TemplateFile: \"InputValues.txt.template\""},
    {16, "InputFile: \"InputValues.txt\""},
    {12, "End FileDescription InputValuestxt"},
    {8, "End InputFiles Modprep"},
    {0, ""},
    {8, "SimCodeProcess Modprep"},
    {12, "Program: \"Modprep.exe\""},
    {12, "ProcessType: transient"},
    {12, "Environment: unrestored"},
    {12, "ElapseTime: 5m"},
    {12, "Prologue"},
    {16, "WriteInputSpecs: InputValuestxt"},
    {8, "End SimCodeProcess Modprep"},
    {0, ""},
    {4, "End SimCode Modprep"},
    {0, ""},
    {4, "SimCode Nastran"},
    {0, ""},
    {8, "SimCodeProcess Nastran"},
    {12, "ScriptLanguage: DOSBatch"},
    {12, "Script"},
};

// From the end of the solver's script to the task process.
constexpr IndentedLine kTailToOptimization[] = {
    {12, "End Script"},
    {12, "ProcessType: transient"},
    {12, "Environment: unrestored"},
    {12, "ReturnCodes: 0"},
    {25, "1"},
    {12, "ElapseTime: 5m"},
    {12, "Execution: \"$Program\""},
    {8, "End SimCodeProcess Nastran"},
    {0, ""},
    {4, "End SimCode Nastran"},
    {0, ""},
    {4, "SimCode Respull"},
    {8, "OutputFiles Respull"},
    {12, "FileDescription OutputValuestxt"},
    {16, "FileType: fastparse"},
    {16, "TemplateFile: \"OutputValues.txt.template\""},
    {16, "OutputFile: \"OutputValues.txt\""},
    {12, "End FileDescription OutputValuestxt"},
    {8, "End OutputFiles Respull"},
    {0, ""},
    {8, "SimCodeProcess Respull"},
    {12, "Program: \"Respull\""},
    {12, "ProcessType: transient"},
    {12, "Environment: unrestored"},
    {12, "ElapseTime: 5m"},
    {12, "Epilogue"},
    {16, "ReadOutputSpecs: OutputValuestxt"},
    {8, "End SimCodeProcess Respull"},
    {0, ""},
    {4, "End SimCode Respull"},
    {0, ""},
    {4, "TaskProcess Task1"},
    {8, "Control: ["},
    {12, "Modprep"},
    {12, "Nastran"},
    {12, "Respull"},
    {8, "]"},
    {4, "End TaskProcess Task1"},
    {0, ""},
};

constexpr IndentedLine kTailEnd[] = {
    {4, "TaskPlan Task1"},
    {8, "StopTaskPlanOnError: no"},
    {8, "Control: ["},
    {12, "PriorityRankedPlan"},
    {8, "]"},
    {4, "End TaskPlan Task1"},
    {0, ""},
    {4, "DataStorage Task1"},
    {8, "Restore: no"},
    {8, "DataLog: \"Task1.db\" Mode: overwrite"},
    {8, "DataLookUp: \"Task1.db\""},
    {8, "MatchMode: Exact"},
    {8, "Levels: all"},
    {8, "StoreGradRuns: yes"},
    {8, "StoreApproxRuns: yes"},
    {4, "End DataStorage Task1"},
    {0, ""},
    {0, "End Task Task1"},
};

// The optimisation block after the output constraints.
constexpr IndentedLine kOptimizePlans[] = {
    {0, ""},
    {8, "OptimizePlan StressRatio"},
    {12, "DefaultUpperBound: 1.0E15"},
    {12, "UseScaling: yes"},
    {12, "OptimizeStep Step1"},
    {16, "Technique: \"Stress Ratio Optimizer\""},
    {16, "Prologue"},
    {20, "RestoreBestSolution: no"},
    {20, "RerunTask: no"},
    {16, "Epilogue"},
    {20, "RestoreBestSolution: yes"},
    {20, "RerunTask: no"},
    {16, "Options"},
    {20, "Simulations: 100"},
    {20, "Matching: sequentially"},
    {12, "Control: ["},
    {16, "Step1"},
    {12, "]"},
    {0, ""},
    {8, "# PLAN TO BE CONFIGURED BY ADVISOR:"},
    {8, "OptimizePlan PriorityRankedPlan"},
    {12, "Control: ["},
    {12, "]"},
    {4, "End Optimization Task1"},
    {0, ""},
};

constexpr std::string_view kEightBlanks = "        ";
constexpr std::string_view kTwelveBlanks = "            ";

}  // namespace

void ProjectGeneration::WriteDescFile() {
  pane::CorvaneFemapInterface& pane = pane_;
  pane.logPositionAndClearErrorIfAny("At start of WriteDescFile");
  const std::string modelPath = pane.femap().ModelName();
  const std::string directory = support::modelDirectory(modelPath);
  const std::string base = support::modelBaseName(modelPath);
  const pane::PaneForm& form = pane.form();
  const std::string solver = form.Solver.text();
  const std::string& extension = pane.strFileExtension;

  TextBuffer& modprep = create(directory + std::string(exchange::kModprepFile));
  TextBuffer& inputValues = create(directory + std::string(exchange::kInputValuesFile));
  descFile_ = &create(directory + "cORVANE" + base + ".desc");
  pane.logDebug("Opened files " + directory + std::string(exchange::kModprepFile) + " " + directory +
                std::string(exchange::kInputValuesFile) + " " + directory + std::string(exchange::kInputTemplateFile) +
                " " + directory + "cORVANE" + base + ".desc For writing");
  exchange::writeModprepHead(modprep, base, extension, solver);
  WriteDescHead();
  WriteBatchFile(directory);

  TextBuffer& desc = *descFile_;
  const ui::Grid& inputs = form.InputsList;
  for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
    const exchange::InputRowView input = pane::inputRowAt(inputs, row);
    if (input.entityType == exchange::kFunctionWord) continue;
    exchange::writeModprepRecord(modprep, input);
    exchange::writeValueLine(inputValues, input.name, input.value);
    desc.add(kEightBlanks);
    desc.add("Parameter: ");
    desc.add(input.name);
    desc.add(" Type: real InitialValue: ");
    desc.line(input.value);
  }
  WriteFunctionInputs();
  writeLines(desc, kInputsEnd);
  pane.logDebug("Closed files " + directory + std::string(exchange::kModprepFile) + " " + directory +
                std::string(exchange::kInputValuesFile) + " " + directory + std::string(exchange::kInputTemplateFile) +
                " ");

  TextBuffer& respull = create(directory + std::string(exchange::kRespullFile));
  TextBuffer& outputValues = create(directory + std::string(exchange::kOutputValuesFile));
  pane.logDebug("Opened files " + directory + std::string(exchange::kRespullFile) + " " + directory +
                std::string(exchange::kOutputValuesFile) + " " + directory +
                std::string(exchange::kOutputTemplateFile) + "  For writing");
  exchange::writeRespullHead(respull, base, extension, solver);
  const ui::Grid& outputs = form.OutputsList;
  for (int row = ui::Grid::kFixedRows; row < outputs.rowCount(); ++row) {
    const exchange::OutputRowView output = pane::outputRowAt(outputs, row);
    exchange::writeRespullRecord(respull, output);
    exchange::writeValueLine(outputValues, output.name, output.value);
    desc.add(kEightBlanks);
    desc.add("Parameter: ");
    desc.add(output.name);
    desc.line(" Type: real");
  }
  WriteDescTail(base);
  pane.logDebug("Closed files " + directory + std::string(exchange::kRespullFile) + " " + directory +
                std::string(exchange::kOutputValuesFile) + " " + directory +
                std::string(exchange::kOutputTemplateFile) + "  ");
  pane.logPosition("At end of  write desc file");
}

void ProjectGeneration::WriteDescHead() {
  pane_.logPositionAndClearErrorIfAny("Before writing head of Desc file");
  writeLines(*descFile_, kHead);
  pane_.logPositionAndClearErrorIfAny("After writing head of Desc file");
}

void ProjectGeneration::WriteDescTail(const std::string& base) {
  pane::CorvaneFemapInterface& pane = pane_;
  TextBuffer& desc = *descFile_;
  pane.logPositionAndClearErrorIfAny("Before writing tail of Desc file");
  writeLines(desc, kTailToScript);

  const pane::PaneForm& form = pane.form();
  const std::string solver = form.Solver.text();
  if (solver == exchange::kNENastran) desc.indentedLine(16, "del " + base + ".fno");
  if (solver == exchange::kNXNastran) desc.indentedLine(16, "del " + base + ".op2");
  desc.indentedLine(16, "del " + base + ".Log");
  desc.indentedLine(16, "del " + base + ".rsf");
  if (solver == exchange::kNENastran) {
    desc.indentedLine(16,
                      "copy \"C:\\Program Files\\NEiNastran Engine V84\\nastran.ini\" nastran.ini");
  }
  desc.indentedLine(16, form.CommandLine.text());
  writeLines(desc, kTailToOptimization);

  pane.logPositionAndClearErrorIfAny("Before writing optimize of Desc file");
  WriteDescOptimization();
  pane.logPositionAndClearErrorIfAny("After writing optimize of Desc file");
  writeLines(desc, kTailEnd);
  descFile_ = nullptr;  // closed: the staged set puts it in place
  pane.logPositionAndClearErrorIfAny("After writing head of Desc file");
}

void ProjectGeneration::WriteDescOptimization() {
  TextBuffer& desc = *descFile_;
  const ui::Grid& inputs = pane_.form().InputsList;
  const ui::Grid& outputs = pane_.form().OutputsList;
  auto parameterLine = [&](std::string_view name, std::string_view rest) {
    desc.add(kTwelveBlanks);
    desc.add("Parameter: ");
    desc.add(name);
    desc.line(rest);
  };

  // Every input is a potential variable; the "Prop" rows, noted on the way, are the variables.
  desc.indentedLine(4, "Optimization Task1");
  desc.indentedLine(8, "PotentialVariables:");
  std::vector<std::string_view> variables;
  for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
    const exchange::InputRowView input = pane::inputRowAt(inputs, row);
    desc.indentedLine(12, input.name);
    if (input.entityType == exchange::kPropertyWord) variables.push_back(input.name);
  }
  desc.indentedLine(8, "Variables:");
  for (std::string_view name : variables) desc.indentedLine(12, name);
  desc.indentedLine(8, "VariableScaling");
  for (std::string_view name : variables) parameterLine(name, " ScaleFactor: 1.0");
  desc.indentedLine(8, "InputConstraints");
  for (std::string_view name : variables) {
    parameterLine(name, " LowerBound: 0.01 UpperBound: 5.0");
  }

  // Every output is a potential objective; those named "Elem..." (letter case significant)
  // are constrained.
  desc.indentedLine(8, "PotentialObjectives:");
  std::vector<std::string_view> constrained;
  for (int row = ui::Grid::kFixedRows; row < outputs.rowCount(); ++row) {
    const std::string_view name = pane::outputRowAt(outputs, row).name;
    desc.indentedLine(12, name);
    if (name.starts_with("Elem")) constrained.push_back(name);
  }
  desc.indentedLine(8, "OutputConstraints");
  for (std::string_view name : constrained) {
    parameterLine(name,
                  " LowerBound: -5000.0 Weight: 1.0 ScaleFactor: 1.0 UpperBound: 5000.0 "
                  "Weight: 1.0 ScaleFactor: 1.0");
  }
  writeLines(desc, kOptimizePlans);
}

}  // namespace generate
