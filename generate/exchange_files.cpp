// The exchange files that Modprep and Respull read, their templates for the PIDO tool, and the
// functions file with the points of every function input.
#include <cstdint>
#include <optional>
#include <vector>

#include "femap/return_codes.h"
#include "femap/variant.h"
#include "generate/exchange_lines.h"
#include "generate/project_generation.h"
#include "pane/corvane_femap_interface.h"
#include "support/number_text.h"
#include "support/paths.h"
#include "support/strings.h"

namespace generate {

// ------------------------------------------------------------------------------ the lines

void writeReferenceLine(TextBuffer& file, std::string_view base, std::string_view extension) {
  file.add("Reference Model (FEMAP) = ");
  file.add(base);
  file.add(".");
  file.line(support::trimView(extension));
}

void writeModprepHead(TextBuffer& file, std::string_view base, std::string_view extension,
                      std::string_view solver) {
  writeReferenceLine(file, base, extension);
  if (solver == kNENastran) {
    file.add("Input Deck (NastranNE) = ");
    file.add(base);
    file.line(".nas");
  } else {
    file.add("Input Deck (NastranNX) = ");
    file.add(base);
    file.line(".dat");
  }
  file.line("NameValue = InputValues.txt");
}

void writeRespullHead(TextBuffer& file, std::string_view base, std::string_view extension,
                      std::string_view solver) {
  writeReferenceLine(file, base, extension);
  if (solver == kNENastran) {
    file.add("Results File (NastranNE) = ");
    file.add(base);
    file.line(".fno");
  } else {
    file.add("Results File (NastranNX) = ");
    file.add(base);
    file.line(".op2");
  }
  file.line("OutputNameValue = OutputValues.txt");
}

// ------------------------------------------------------------------------------ the writers

void ProjectGeneration::WriteExchangeFiles(const std::string& modelDirectory,
                                           const std::string& base) {
  const pane::PaneForm& form = pane_.form();
  const std::string solver = form.Solver.text();
  const std::string& extension = pane_.strFileExtension;

  TextBuffer& modprep = create(modelDirectory + std::string(kModprepFile));
  TextBuffer& inputValues = create(modelDirectory + std::string(kInputValuesFile));
  TextBuffer& inputTemplate = create(modelDirectory + std::string(kInputTemplateFile));
  writeModprepHead(modprep, base, extension, solver);
  const ui::Grid& inputs = form.InputsList;
  for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
    const InputRow input = InputRow::of(inputs, row);
    writeModprepRecord(modprep, input);
    writeValueLine(inputValues, input.name, input.value);
    writeTemplateLine(inputTemplate, input.name, input.value);
  }

  TextBuffer& respull = create(modelDirectory + std::string(kRespullFile));
  TextBuffer& outputValues = create(modelDirectory + std::string(kOutputValuesFile));
  TextBuffer& outputTemplate = create(modelDirectory + std::string(kOutputTemplateFile));
  writeRespullHead(respull, base, extension, solver);
  const ui::Grid& outputs = form.OutputsList;
  for (int row = ui::Grid::kFixedRows; row < outputs.rowCount(); ++row) {
    const OutputRow output = OutputRow::of(outputs, row);
    writeRespullRecord(respull, output);
    writeValueLine(outputValues, output.name, output.value);
    writeTemplateLine(outputTemplate, output.name, output.value);
  }
}

namespace {

// The functions file beside the model: the model path cut after its last separator (which
// stays), then that separator once more and the name, so a model in C:\work gives
// C:\work\\FunctionsInputvalues.txt; the file system reads the doubled separator as one. A path
// without a folder gives the name alone (the current folder, where such a model lies).
std::string functionsFilePath(const std::string& modelPath) {
  const std::string directory = support::modelDirectory(modelPath);
  if (directory.empty()) return std::string(kFunctionsFile);
  return directory + directory.back() + std::string(kFunctionsFile);
}

// A point line: x, "_", y, each with a blank in front when not negative.
void writePointLine(TextBuffer& file, double x, double y) {
  file.add(support::formatSignedNumber(x));
  file.add("_");
  file.line(support::formatSignedNumber(y));
}

}  // namespace

void ProjectGeneration::WriteFunctionInputs() {
  pane::CorvaneFemapInterface& pane = pane_;
  support::Err& err = pane.err();
  const femap::Application& femap = pane.femap();
  pane.logPositionAndClearErrorIfAny("Before writing function data");

  std::string path;
  err.run([&] { path = functionsFilePath(femap.ModelName()); });
  TextBuffer* file = nullptr;
  err.run([&] { file = &create(path); });
  // Writing to a file that could not be created is a failing statement like any other.
  auto write = [&](auto&& lines) {
    err.run([&] {
      if (!file) throw support::RuntimeError("Object variable not set");
      lines(*file);
    });
  };
  pane.logDebug("Opened file " + path + " to write the function values");
  pane.logDebug("Execution of WriteFunctionInputs started");

  const bool locked = err.run([&] { femap.feAppLock(); });
  pane.logDebug("Acquired Femap lock before functions data");
  pane.logDebug("Start iteration over InputsList");

  std::optional<femap::Object> function = err.run([&] { return femap.feFunction(); });
  const ui::Grid& inputs = pane.form().InputsList;
  for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
    if (inputs.cell(row, 2) != kFunctionType) continue;
    const std::string& name = inputs.cell(row, 0);
    pane.logDebug("At the Start of data fetching for " + name);

    std::int32_t id = 0;
    err.run([&] { id = femap::Variant(inputs.cell(row, 3)).asInt(); });
    const std::optional<int> fetched = err.run([&] {
      if (!function) throw support::RuntimeError("Object variable not set");
      return function->call("Get", id).asInt();
    });
    if (fetched != femap::kOk) {
      const std::string message =
          "Unable to fetch the value for function id = " + support::formatInteger(id);
      pane.logError(message);
      err.run([&] { femap.feAppMessage(femap::kMessageError, message); });
    } else {
      femap::Variant count, x, y;
      err.run([&] {
        function->call("GetFunctionList", femap::Variant::byRef(count), femap::Variant::byRef(x),
                       femap::Variant::byRef(y));
      });
      std::string title;
      err.run([&] { title = function->get("title").asString(); });
      pane.logDebug("Start iterating to fetch X-Y values for " + title);
      err.run([&] { femap.feAppMessage(femap::kMessageInfo, title + " is selected"); });

      std::int32_t pointCount = 0;
      err.run([&] { pointCount = count.isEmpty() ? 0 : count.asInt(); });
      write([&](TextBuffer& out) {
        out.line("Function Definition");
        out.line(support::formatSignedInteger(id) + " ");
        out.line(title);
        out.line(support::formatSignedInteger(pointCount));
      });
      std::vector<double> xs, ys;
      if (pointCount > 0) {
        err.run([&] { xs = x.asDoubles(); });
        err.run([&] { ys = y.asDoubles(); });
      }
      for (std::int32_t point = 0; point < pointCount; ++point) {
        write([&](TextBuffer& out) {
          const auto k = static_cast<std::size_t>(point);
          if (k >= xs.size() || k >= ys.size())
            throw support::RuntimeError("Subscript out of range");
          writePointLine(out, xs[k], ys[k]);
        });
      }
      pane.logDebug("X-Y values iteration complete");
      pane.logPositionAndClearErrorIfAny("After X-Y value iteration");
    }
    pane.logPositionAndClearErrorIfAny("At the End of data fetching for " + name);
  }

  pane.logDebug("End iteration over InputsList");
  if (locked) err.run([&] { femap.feAppUnlock(); });
  pane.logDebug("Released Femap lock before functions data");
  pane.logPositionAndClearErrorIfAny("After writing function data");
}

}  // namespace generate
