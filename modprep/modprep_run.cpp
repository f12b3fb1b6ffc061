#include "modprep/modprep_run.h"

#include <filesystem>

#include "femap/return_codes.h"
#include "modprep/analysis_set.h"
#include "exchange/vocabulary.h"
#include "modprep/function_update.h"
#include "modprep/load_update.h"
#include "modprep/variable_update.h"
#include "runtime/beep.h"
#include "runtime/file_formats.h"
#include "runtime/working_directory.h"
#include "support/number_text.h"
#include "support/text_file.h"

namespace modprep {
namespace {

using support::formatInteger;
using support::formatSignedInteger;

constexpr std::string_view kCheckWording = "Checked for error and cleared Err object ";

}  // namespace

ModprepRun::ModprepRun(std::string_view commandLine)
    : run_("Modprep", commandLine, kModprepLog, std::string(kCheckWording)) {}

int ModprepRun::run() {
  if (!run_.logOpen()) return 1;
  run_.log(" Execution of Modprep.exe started");
  run_.log("Current directory is set to :- " + run_.workingDirectory());
  if (!connect()) return run_.finish();
  run_.CheckError("In main: After getting instance of Femap");
  run_.CheckError("In main: After calling feRead");
  openExchangeFile();
  run_.removeLeftovers({run_.pathOf(file_.reference.file), run_.pathOf(file_.deck.file)});
  if (!loadReferenceModel()) return run_.finish();
  prepareInputDeck();
  readInputValues();
  updateVariables();
  regenerateViews();
  run_.log("Build an analysis set with the options");
  buildAnalysisSet(run_);
  writeInputDeck();
  saveModel();
  if (run_.femapCreatedHere() && run_.femap()) {
    run_.releaseFemap();
    run_.log("Femap object destructed successfully");
  }
  run_.log("Execution of Modprep.exe complete");
  return run_.finish();
}

bool ModprepRun::connect() {
  const runtime::FemapConnection connection = run_.connectFemap();
  if (connection == runtime::FemapConnection::Attached) {
    run_.log("Existing instance of FEMAP is used");
    return true;
  }
  run_.log("Unable to get existing instance of FEMAP");
  if (connection == runtime::FemapConnection::Unavailable) {
    run_.error(" Unable to instantiate FEMAP");
    run_.err.clear();
    return false;
  }
  run_.log("New instance of FEMAP is created");
  run_.writeLine("#LOG: Opening new instance of FEMAP");
  return true;
}

void ModprepRun::openExchangeFile() {
  // A missing file reads as no records; the steps below report what is then missing.
  if (auto file = run_.err.run([&] {
        return exchange::parseModprepFile(
            support::readWholeFile(run_.inWorkingDirectory(exchange::kModprepFile)));
      })) {
    file_ = std::move(*file);
  }
  run_.CheckError("In main: Trying to open the file Modprep.txt");
  run_.log("get feRead object ready to parse through file");
}

bool ModprepRun::loadReferenceModel() {
  const std::string& referenceFile = file_.reference.file;
  const std::string missing = std::string(runtime::kErrorPrefix) + "  Reference file " +
                              referenceFile + " does not exist. ";
  const auto referencePath = runtime::findFile(run_.workingDirectory(), referenceFile);
  if (!referencePath) {
    run_.writeLine(missing);
    run_.fail();
    runtime::systemBeep();
    run_.message(missing +
                 "Make sure you are in the correct directory and you've clicked 'Generate'.");
    return false;
  }

  const std::string& tag = file_.reference.tag;
  run_.log("Finds out what kind of file will be read, opens accordingly");
  run_.log("Read file type is " + tag);
  bool raised = false;
  const auto read =
      run_.err.run([&] { return runtime::readReferenceModel(run_.femap(), tag, *referencePath); });
  if (!read) {
    raised = true;
  } else if (!*read) {
    run_.error("  Reference file type not valid: " + tag);
    run_.message("Reference file type not valid");
  }
  run_.CheckError("After opening the file");
  if (raised) run_.error("  Unable to read the reference file " + *referencePath);
  if (read && *read && **read != femap::kOk) {
    run_.error("  Unable to read the reference file " + *referencePath + ". Return code is " +
               formatInteger(**read));
  }
  return read && *read && **read == femap::kOk;
}

void ModprepRun::prepareInputDeck() {
  run_.log("reads input deck type and file and saves for later use");
  deckTag_ = file_.deck.tag;
  const std::string& deckFile = file_.deck.file;
  run_.log(
      "write an empty inputDeck to determine the right path due femap's FileWrite methods "
      "inability to "
      "write wing.dat in the current directory");
  // The empty deck goes where the deck belongs, into the working directory (a relative name
  // would otherwise land in whatever folder this program was started from); once it exists,
  // its full path is the one FEMAP writes to.
  const std::string target =
      std::filesystem::path(deckFile).is_absolute() ? deckFile : run_.inWorkingDirectory(deckFile);
  run_.err.run([&] { support::writeFileAtomically(target, ""); });
  deckPath_ = runtime::fileExists(target) ? target : deckFile;
}

void ModprepRun::readInputValues() {
  const std::string& valuesFile = file_.values.file;
  const std::string valuesPath = run_.inWorkingDirectory(valuesFile);
  if (runtime::fileExists(valuesPath)) {
    ReadValues(valuesPath);
  } else {
    run_.error("  Input values file does not exist");
    run_.message("Input values file does not exist");
  }
  run_.CheckError("After reading the inputValues.txt file");
}

void ModprepRun::ReadValues(const std::string& path) {
  run_.CheckError("At the start of Read Values");
  run_.CheckError("After assigning feRead object");
  run_.log(" Opens file " + path);
  auto text = run_.err.run([&] { return support::readWholeFile(path); });
  if (!text) {
    run_.error("  Input values file does not exist");
    run_.message("Input values file does not exist");
    values_ = exchange::InputValues();
  } else {
    values_ = exchange::InputValues::parse(std::move(*text));
    run_.log(" Found " + formatSignedInteger(static_cast<std::int64_t>(values_.variableCount())) +
             " variables ");
    run_.log("Adding the names and values into arrays");
  }
  run_.CheckError("At the end of Read Values");
}

void ModprepRun::updateVariables() {
  run_.log("Reads the rest of the input and decides which update to perform");
  LoadUpdater loads(run_);
  VariableUpdater variables(run_, values_, loads);
  for (const exchange::VariableRecord& record : file_.records) variables.apply(record);

  FunctionUpdater functions(run_);
  functions.readFunctionsFromInputFile();
}

void ModprepRun::regenerateViews() {
  support::Err& err = run_.err;
  auto view = err.run([&] { return run_.femap().feView(); });
  if (!view) return;
  while (err.run([&] { return view->call("Next").asBool(); }).value_or(false)) {
    err.run([&] { view->call("Regenerate"); });
  }
}

void ModprepRun::writeInputDeck() {
  run_.log("Determine what kind of input deck to be prepared");
  run_.log("Input deck type is " + deckTag_);
  const auto written =
      run_.err.run([&] { return runtime::writeInputDeck(run_.femap(), deckTag_, deckPath_); });
  if (!written) {
    run_.fail();
  } else if (!*written) {
    run_.error("  Invalid input deck type");
    run_.message("Invalid input deck type");
  } else if (**written != femap::kOk) {
    run_.error("  Unable to write the input deck " + deckPath_ + ". Return code is " +
               formatInteger(**written));
  }
}

void ModprepRun::saveModel() {
  run_.CheckError("Before saving and closing Femap file");
  const auto saved = run_.err.run([&] { return run_.femap().feFileSave(false); });
  if (!saved) {
    // The save raised: its description follows at the checkpoint.
    run_.fail();
  } else if (*saved == femap::kOk) {
    run_.log("File saved successfully. Return code is " + formatInteger(*saved));
  } else {
    run_.error("Unable to save the file. feFileSave Return code is " + formatInteger(*saved));
  }
  run_.CheckError("After saving Femap file");
}

}  // namespace modprep
