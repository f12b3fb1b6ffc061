// The exchange files that Modprep and Respull read, their templates for the PIDO tool, and the
// functions file with the points of every function input.
#include <cstdint>
#include <optional>
#include <vector>

#include "exchange/functions_file.h"
#include "exchange/modprep_file.h"
#include "exchange/respull_file.h"
#include "exchange/value_files.h"
#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "femap/variant.h"
#include "generate/project_generation.h"
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"
#include "pane/variable_rows.h"
#include "support/number_text.h"
#include "support/paths.h"

namespace generate {

using support::TextBuffer;

void ProjectGeneration::WriteExchangeFiles(const std::string& modelDirectory,
                                           const std::string& base) {
  const pane::PaneForm& form = pane_.form();
  const std::string solver = form.Solver.text();
  const std::string& extension = pane_.strFileExtension;
  auto created = [&](std::string_view name) -> TextBuffer& {
    return create(modelDirectory + std::string(name));
  };

  TextBuffer& modprep = created(exchange::kModprepFile);
  TextBuffer& inputValues = created(exchange::kInputValuesFile);
  TextBuffer& inputTemplate = created(exchange::kInputTemplateFile);
  exchange::writeModprepHead(modprep, base, extension, solver);
  const ui::Grid& inputs = form.InputsList;
  for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
    const exchange::InputRowView input = pane::inputRowAt(inputs, row);
    exchange::writeModprepRecord(modprep, input);
    exchange::writeValueLine(inputValues, input.name, input.value);
    exchange::writeTemplateLine(inputTemplate, input.name, input.value);
  }

  TextBuffer& respull = created(exchange::kRespullFile);
  TextBuffer& outputValues = created(exchange::kOutputValuesFile);
  TextBuffer& outputTemplate = created(exchange::kOutputTemplateFile);
  exchange::writeRespullHead(respull, base, extension, solver);
  const ui::Grid& outputs = form.OutputsList;
  for (int row = ui::Grid::kFixedRows; row < outputs.rowCount(); ++row) {
    const exchange::OutputRowView output = pane::outputRowAt(outputs, row);
    exchange::writeRespullRecord(respull, output);
    exchange::writeValueLine(outputValues, output.name, output.value);
    exchange::writeTemplateLine(outputTemplate, output.name, output.value);
  }
}

namespace {

// The functions file beside the model: the model path cut after its last separator (which
// stays), then that separator once more and the name, so a model in C:\work gives
// C:\work\\FunctionsInputvalues.txt; the file system reads the doubled separator as one. A path
// without a folder gives the name alone (the current folder, where such a model lies).
std::string functionsFilePath(const std::string& modelPath) {
  const std::string directory = support::modelDirectory(modelPath);
  if (directory.empty()) return std::string(exchange::kFunctionsFile);
  return directory + directory.back() + std::string(exchange::kFunctionsFile);
}

// The block of one function row. Every step resumes after a failure: a function FEMAP cannot
// fetch is reported and left out, a point that cannot be written is skipped.
class FunctionBlockWriter {
 public:
  FunctionBlockWriter(pane::CorvaneFemapInterface& pane, TextBuffer* file,
                      const std::optional<femap::Object>& function)
      : pane_(pane), err_(pane.err()), file_(file), function_(function) {}

  void write(const exchange::InputRowView& row) {
    std::int32_t id = 0;
    err_.run([&] { id = femap::Variant(std::string(row.entityId)).asInt(); });
    const std::optional<int> fetched = err_.run([&] { return function().call("Get", id).asInt(); });
    if (fetched != femap::kOk) {
      const std::string message =
          "Unable to fetch the value for function id = " + support::formatInteger(id);
      pane_.logError(message);
      err_.run([&] { pane_.femap().feAppMessage(femap::kMessageError, message); });
      return;
    }

    femap::Variant count, x, y;
    err_.run([&] {
      function().call("GetFunctionList", femap::Variant::byRef(count), femap::Variant::byRef(x),
                      femap::Variant::byRef(y));
    });
    std::string title;
    err_.run([&] { title = function().get("title").asString(); });
    pane_.logDebug("Start iterating to fetch X-Y values for " + title);
    err_.run([&] { pane_.femap().feAppMessage(femap::kMessageInfo, title + " is selected"); });

    std::int32_t pointCount = 0;
    err_.run([&] { pointCount = count.isEmpty() ? 0 : count.asInt(); });
    writeToFile([&](TextBuffer& out) { exchange::writeFunctionHead(out, id, title, pointCount); });
    std::vector<double> xs, ys;
    if (pointCount > 0) {
      err_.run([&] { xs = x.asDoubles(); });
      err_.run([&] { ys = y.asDoubles(); });
    }
    for (std::int32_t point = 0; point < pointCount; ++point) {
      writeToFile([&](TextBuffer& out) {
        const auto k = static_cast<std::size_t>(point);
        if (k >= xs.size() || k >= ys.size()) throw support::RuntimeError("Subscript out of range");
        exchange::writePointLine(out, xs[k], ys[k]);
      });
    }
    pane_.logDebug("X-Y values iteration complete");
    pane_.logPositionAndClearErrorIfAny("After X-Y value iteration");
  }

 private:
  const femap::Object& function() const {
    if (!function_) throw support::RuntimeError("Object variable not set");
    return *function_;
  }
  // Writing to a file that could not be created is a failing statement like any other.
  template <class Lines>
  void writeToFile(Lines&& lines) {
    err_.run([&] {
      if (!file_) throw support::RuntimeError("Object variable not set");
      lines(*file_);
    });
  }

  pane::CorvaneFemapInterface& pane_;
  support::Err& err_;
  TextBuffer* file_;
  const std::optional<femap::Object>& function_;
};

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
  pane.logDebug("Opened file " + path + " to write the function values");
  pane.logDebug("Execution of WriteFunctionInputs started");

  std::optional<pane::FemapLock> lock;
  err.run([&] { lock.emplace(femap); });
  pane.logDebug("Acquired Femap lock before functions data");
  pane.logDebug("Start iteration over InputsList");

  const std::optional<femap::Object> function = err.run([&] { return femap.feFunction(); });
  FunctionBlockWriter blocks(pane, file, function);
  const ui::Grid& inputs = pane.form().InputsList;
  for (int row = ui::Grid::kFixedRows; row < inputs.rowCount(); ++row) {
    const exchange::InputRowView input = pane::inputRowAt(inputs, row);
    if (input.entityType != exchange::kFunctionWord) continue;
    pane.logDebug("At the Start of data fetching for " + std::string(input.name));
    blocks.write(input);
    pane.logPositionAndClearErrorIfAny("At the End of data fetching for " +
                                       std::string(input.name));
  }

  pane.logDebug("End iteration over InputsList");
  if (lock) err.run([&] { lock->release(); });
  pane.logDebug("Released Femap lock before functions data");
  pane.logPositionAndClearErrorIfAny("After writing function data");
}

}  // namespace generate
