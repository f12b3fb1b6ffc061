#include "respull/respull_run.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "femap/return_codes.h"
#include "exchange/value_files.h"
#include "runtime/file_formats.h"
#include "runtime/working_directory.h"
#include "support/number_text.h"
#include "support/paths.h"
#include "support/strings.h"

namespace respull {
namespace {

using femap::Variant;
using support::formatInteger;
using support::formatNumber;

constexpr std::string_view kCheckWording = "Check for error and cleared Err object ";

// Removes a previous output file; folders and missing files are left alone.
std::string removeOutputFile(const std::string& path) {
  std::error_code error;
  if (path.empty() || std::filesystem::is_directory(path, error)) return {};
  std::filesystem::remove(path, error);
  return error ? error.message() : std::string();
}

// Whether two paths name the same file: the same file on disk when both exist, else the same
// path once made absolute (letter case aside on Windows, where names are compared that way).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  if (std::filesystem::exists(a, error) && std::filesystem::exists(b, error)) {
    return std::filesystem::equivalent(a, b, error);
  }
  const std::string x = std::filesystem::absolute(a, error).lexically_normal().string();
  const std::string y = std::filesystem::absolute(b, error).lexically_normal().string();
#ifdef _WIN32
  return support::equalsIgnoreCase(x, y);
#else
  return x == y;
#endif
}

// Why the output line of "Respull.txt" cannot be trusted with naming the file that the run
// removes and writes; empty when it can. It must be the third header line, a key and a file
// name (no format tag), and name neither the reference model nor the results file: a hand
// edit that repeats the reference line must not delete the engineer's model.
std::string outputLineFault(const exchange::RespullFile& file, const std::string& workingDirectory,
                            const std::string& outputPath) {
  if (file.headerLines < 3) return "Respull.txt has no output line after its results line";
  const exchange::HeaderLine& output = file.output;
  if (output.key.empty() || output.key.find_first_of(" \t()") != std::string::npos) {
    return "the third line of Respull.txt is not the output line: \"" + output.text + "\"";
  }
  if (output.file.empty()) return "the output line of Respull.txt names no file";
  // The reference and the results file are found in the working directory first, then as
  // written, the way the run finds them.
  auto found = [&](const std::string& name) {
    return runtime::findFile(workingDirectory, name).value_or(name);
  };
  if (!file.reference.file.empty() && sameFile(outputPath, found(file.reference.file))) {
    return "the output line of Respull.txt names the reference model " + file.reference.file;
  }
  if (!file.results.file.empty() && sameFile(outputPath, found(file.results.file))) {
    return "the output line of Respull.txt names the results file " + file.results.file;
  }
  return {};
}

}  // namespace

RespullRun::ExchangeFile RespullRun::readExchangeFile(const std::string& workingDirectory) {
  ExchangeFile exchange;
  support::StopAtFirstFailure reading;
  exchange.file = reading.run([&] {
    return exchange::parseRespullFile(support::readWholeFile(
        support::joinPath(workingDirectory, exchange::kRespullFile)));
  });
  exchange.readFailure = reading.failure();
  const std::string outputName = exchange.file ? exchange::outputFileName(*exchange.file)
                                               : std::string(exchange::kOutputValuesFile);
  exchange.outputPath = support::joinPath(workingDirectory, outputName);
  if (exchange.file) {
    exchange.refusal = outputLineFault(*exchange.file, workingDirectory, exchange.outputPath);
    if (!exchange.refusal.empty()) return exchange;  // nothing is removed
  }
  exchange.removalFailure = removeOutputFile(exchange.outputPath);
  return exchange;
}

RespullRun::RespullRun(std::string_view commandLine)
    : exchange_(readExchangeFile(runtime::workingDirectory(commandLine))),
      run_("Respull", commandLine, kRespullLog, std::string(kCheckWording)) {}

int RespullRun::run() {
  if (!run_.logOpen()) return 1;
  run_.log(" Execution of Respull.exe started");
  run_.log(" Current directory is set to :- " + run_.workingDirectory());
  if (!exchange_.refusal.empty()) {
    run_.error(" Run refused: " + exchange_.refusal + ". Nothing was removed or written.");
    return run_.finish();
  }
  if (!exchange_.removalFailure.empty()) {
    run_.error(" Unable to remove the previous output file " + exchange_.outputPath + ": " +
               exchange_.removalFailure);
  }
  if (!connect()) return run_.finish();
  run_.CheckError("After getting instance of Femap");
  openExchangeFile();
  run_.removeLeftovers({run_.pathOf(file_.reference.file), exchange_.outputPath});
  if (!findReferenceModel()) return run_.finish();
  if (!loadReferenceModel()) return run_.finish();
  run_.CheckError("After reading the Femap file");
  if (!readResults()) return run_.finish();
  openOutputFile();
  extractOutputs();
  finishResults();
  saveAndClose();
  if (run_.femapCreatedHere() && run_.femap()) {
    run_.releaseFemap();
    run_.log("Femap object destructed successfully");
  }
  run_.log("Execution of Respull.exe complete");
  if (!commitOutput()) run_.fail();
  return run_.finish();
}

bool RespullRun::connect() {
  const runtime::FemapConnection connection = run_.connectFemap();
  if (connection == runtime::FemapConnection::Unavailable) {
    run_.log(" Unable to get existing instance of FEMAP");
    run_.error("Unable to instantiate FEMAP");
    run_.err.clear();
    return false;
  }
  if (connection == runtime::FemapConnection::Created) {
    run_.log(" Unable to get existing instance of FEMAP");
    run_.log(" New instance of FEMAP is created");
    run_.log(" Opening new instance of FEMAP ");
    return true;
  }
  run_.log(" Existing instance of FEMAP is used");
  Variant count = 0;
  Variant models;
  run_.log("Before feAppGetAllModels call rc=" + formatInteger(returnCode_) +
           "  num=" + count.asString());
  if (auto code = run_.err.run([&] {
        return run_.femap()
            .object()
            .call("feAppGetAllModels", Variant::byRef(count), Variant::byRef(models))
            .asInt();
      })) {
    returnCode_ = *code;
  }
  run_.log("After feAppGetAllModels call rc=" + formatInteger(returnCode_) +
           "  num=" + count.asString());
  if (run_.err.run([&] { return count.asInt(); }).value_or(0) < 2) {
    // With only the engineer's model open, the run works in a model of its own.
    returnCode_ = femap::kOk;
    run_.log("Before feFileNew call rc=" + formatInteger(returnCode_));
    if (auto code = run_.err.run([&] { return run_.femap().feFileNew(); })) returnCode_ = *code;
    run_.log("After feFileNew call rc=" + formatInteger(returnCode_));
  }
  return true;
}

void RespullRun::openExchangeFile() {
  run_.log(" get feRead object ready to parse through file");
  if (exchange_.file) {
    file_ = std::move(*exchange_.file);
  } else {
    run_.err.raise(exchange_.readFailure);
  }
  run_.log(" open Respull.txt");
  run_.CheckError("After setting feRead options");
}

bool RespullRun::findReferenceModel() {
  deleteResultsAfterRun_ = file_.deleteResults;
  run_.err.clear();

  const std::string& referenceFile = file_.reference.file;
  const auto referencePath = runtime::findFile(run_.workingDirectory(), referenceFile);
  if (!referencePath) {
    const std::string missing = std::string(runtime::kErrorPrefix) + " Reference file " +
                                referenceFile + " does not exist. ";
    run_.writeLine(missing);
    run_.fail();
    run_.message(missing);
    return false;
  }
  referencePath_ = *referencePath;
  return true;
}

// False when the reference could not be read: the results would then go into, and be saved
// with, whatever model FEMAP has current, which may be the engineer's own.
bool RespullRun::loadReferenceModel() {
  // A FEMAP without an open model has no current model path: the reference is then read. Why
  // FEMAP gave no path is told where the reference cannot be read.
  support::StopAtFirstFailure asking;
  const std::optional<std::string> currentModel =
      asking.run([&] { return run_.femap().ModelName(); });
  if (currentModel && *currentModel == referencePath_) return true;
  const std::string noCurrentModel =
      asking.failed() ? " (FEMAP has no current model: " + asking.failure() + ")" : "";

  const std::string& tag = file_.reference.tag;
  run_.CheckError("Before reading the Femap file");
  run_.log(" Finds out what kind of file will be read, opens accordingly");
  run_.log(" Open the file type of " + tag);
  const auto read =
      run_.err.run([&] { return runtime::readReferenceModel(run_.femap(), tag, referencePath_); });
  if (!read) {
    run_.CheckError("After reading the Femap file");
    run_.error(" Unable to read the reference file " + referencePath_ + noCurrentModel);
    return false;
  }
  if (!*read) {
    run_.error(" Reference file type not valid: " + tag);
    run_.message("Reference type not valid");
    return false;
  }
  if (**read != femap::kOk) {
    run_.error(" Unable to read the reference file " + referencePath_ + ". Return code is " +
               formatInteger(**read) + noCurrentModel);
    return false;
  }
  return true;
}

bool RespullRun::readResults() {
  const std::string& resultsFile = file_.results.file;
  std::string resultsPath = resultsFile;
  const std::string inWorkingDirectory = run_.inWorkingDirectory(resultsFile);
  if (runtime::fileExists(inWorkingDirectory)) {
    resultsPath = inWorkingDirectory;
    run_.log(" Results file found: " + resultsPath);
  } else if (!runtime::fileExists(resultsFile)) {
    run_.error(" Results file does not exist: " + resultsFile);
    run_.message("Results file does not exist");
    return false;
  }

  const std::string& tag = file_.results.tag;
  run_.log(" Trying to read result file. Here Result type is  " + tag);
  const auto read =
      run_.err.run([&] { return runtime::readResultsFile(run_.femap(), tag, resultsPath); });
  run_.CheckError("After reading the result file");
  // Without this run's results, any value taken would be an older one: end here.
  if (!read) {
    run_.error(" Unable to read the results file " + resultsPath);
    return false;
  }
  if (!*read) {
    run_.error(" Results file type not valid: " + tag);
    return false;
  }
  if (**read != femap::kOk) {
    run_.error(" Unable to read the results file " + resultsPath + ". Return code is " +
               formatInteger(**read));
    return false;
  }
  return true;
}

void RespullRun::openOutputFile() {
  const std::string outputPath = run_.inWorkingDirectory(file_.output.file);
  if (auto writer =
          run_.err.run([&] { return std::make_unique<support::TextFileWriter>(outputPath); })) {
    output_ = std::move(*writer);
    outputText_ = std::make_unique<support::TextBuffer>(output_.get());
  }
  run_.log(" Found output file. Output file is :- " + outputPath);
}

void RespullRun::extractOutputs() {
  support::Err& err = run_.err;
  run_.log(" Get Output object by which all properties will be accessed");
  if (auto vector = err.run([&] { return run_.femap().feOutput(); })) outputVector_ = *vector;
  run_.log(" Prepare the set of all elements");
  // The set is filled when the mesh is measured: only mass properties need it.
  if (auto set = err.run([&] { return run_.femap().feSet(); })) allElements_ = *set;

  run_.log(" Read the rest of Respull.txt and get values asked for");
  // The loop is entered once also without records: it reads an empty one.
  const std::vector<exchange::OutputRecord>& records = file_.records;
  std::size_t k = 0;
  do {
    run_.log(" In the loop ");
    handleRecord(k < records.size() ? records[k] : exchange::OutputRecord());
  } while (++k < records.size());
  run_.log(" Out of the loop ");
  run_.CheckError("After writing output values to the file");
}

void RespullRun::handleRecord(const exchange::OutputRecord& record) {
  support::Err& err = run_.err;
  if (record.name.empty()) return;
  run_.log("Trying to get the value for " + record.name);
  const auto got = err.run([&] {
    return outputVector_.call("Get", Variant(static_cast<long long>(record.vector))).asInt();
  });

  if (support::equalsIgnoreCase(record.kind, exchange::kMassPropertiesKind)) {
    if (!massMeasured_) measureMass();
    if (!exchange::fitsInt16(record.vector)) {
      run_.error(" Variable " + record.name + " not written: component index " +
                 record.vectorText + " is outside the range -32768 to 32767");
      return;
    }
    WriteMassProperty(record.name, record.entity, static_cast<std::int16_t>(record.vector));
    return;
  }
  if (record.kind.empty()) return;
  if (!got || *got != femap::kOk) {
    // The output object still holds the previous record's vector: its values are not this one's.
    run_.error(" Output vector " + formatInteger(record.vector) + " does not exist. No value for " +
               record.name);
    return;
  }
  const bool atEntity = support::equalsIgnoreCase(record.kind, exchange::kOutputKind);
  auto value = [&] {
    return atEntity ? outputVector_.get("Value", Variant(static_cast<long long>(record.entityId)))
                    : outputVector_.get(record.kind);
  };
  // The value is written, then read once more for the log; the same number is not formatted twice.
  std::optional<Variant> written;
  std::string text;
  if (!err.run([&] {
        written = value();
        text = written->asString();
      })) {
    return;  // the failure waits for the checkpoint
  }
  if (written->type() == Variant::Type::Double && !std::isfinite(written->asDouble())) {
    notFinite(record.name, text);
    return;
  }
  err.run([&] { writeValue(record.name, text); });
  err.run([&] {
    Variant again = value();
    const bool same = written && written->type() == Variant::Type::Double &&
                      again.type() == Variant::Type::Double &&
                      written->asDouble() == again.asDouble();
    run_.log(" " + record.name + "  " + (same ? text : again.asString()));
  });
}

void RespullRun::measureMass() {
  massMeasured_ = true;
  run_.log(" Computes total mass values using FEMAP API");
  run_.err.run([&] { femap::Set(allElements_).AddAll(femap::kElementType); });
  exchange::MassProperties mass;
  const auto code = run_.err.run([&] {
    return run_.femap().feMeasureMeshMassProp(femap::Set(allElements_).ID(), mass.scalars,
                                               mass.arrays);
  });
  if (code && *code == femap::kOk) mass_ = std::move(mass);
  run_.CheckError("After getting the total mass values using FEMAP API");
  if (code && *code != femap::kOk) {
    run_.error(" Unable to measure the mass properties. Return code is " + formatInteger(*code));
  }
}

void RespullRun::WriteMassProperty(const std::string& name, std::string_view word,
                                   std::int16_t component) {
  if (!mass_) {
    // The mesh could not be measured: there is no value to write.
    run_.fail();
    return;
  }
  const auto value = run_.err.run([&] { return exchange::massQuantity(*mass_, word, component); });
  if (!value) return;
  if (!*value) {
    // A word outside the table selects nothing.
    run_.fail();
    return;
  }
  const std::string text = formatNumber(**value);
  if (!std::isfinite(**value)) {
    notFinite(name, text);
    return;
  }
  run_.err.run([&] { writeValue(name, text); });
  run_.log(" " + name + "  " + text);
}

void RespullRun::notFinite(const std::string& name, const std::string& value) {
  run_.error(" No value for " + name + ": " + value + " is not a finite number");
}

void RespullRun::writeValue(const std::string& name, const std::string& value) {
  if (!outputText_) throw support::RuntimeError("The output file could not be created");
  exchange::writeValueLine(*outputText_, name, value);
}

void RespullRun::finishResults() {
  support::Err& err = run_.err;
  const femap::Application& femap = run_.femap();
  femap::Object outputSet;
  if (auto set = err.run([&] { return femap.create("OutputSet"); })) outputSet = *set;
  err.run([&] { outputSet.call("Last"); });
  if (deleteResultsAfterRun_) {
    // The last output set goes by its ID; FEMAP then removes what else this run's results read
    // added.
    err.run([&] { outputSet.call("Delete", outputSet.get("ID")); });
    err.run([&] { femap.object().call("feDeleteResultsRead"); });
  } else {
    run_.log("Regenerating model");
    err.run([&] { femap.object().call("feViewRegenerate", 0); });
  }
  run_.CheckError("After regenerating the model");
}

void RespullRun::saveAndClose() {
  support::Err& err = run_.err;
  returnCode_ = femap::kOk;
  const auto saved = err.run([&] { return run_.femap().feFileSave(false); });
  if (!saved) {
    run_.fail();
  } else if ((returnCode_ = *saved) == femap::kOk) {
    run_.log("File saved successfully. Return code is " + formatInteger(returnCode_));
  } else {
    run_.error("Unable to save the file. feFileSave Return code is " + formatInteger(returnCode_));
  }
  run_.CheckError("After saving Femap file");
  run_.CheckError("Before closing Femap file");

  returnCode_ = femap::kOk;
  const auto closed = err.run([&] { return run_.femap().feFileClose(false); });
  if (!closed) {
    run_.fail();
  } else if ((returnCode_ = *closed) == femap::kOk) {
    run_.log("File closed successfully. Return code is " + formatInteger(returnCode_));
  } else {
    run_.error("Unable to close the file. feFileClose Return code is " +
               formatInteger(returnCode_));
  }
  run_.CheckError("After closing Femap file");
}

bool RespullRun::commitOutput() {
  if (!output_) return false;
  support::StopAtFirstFailure committing;
  if (!committing.run([&] {
        outputText_->flush();
        output_->commit();
      })) {
    run_.error(" " + committing.failure());
    return false;
  }
  return true;
}

}  // namespace respull
