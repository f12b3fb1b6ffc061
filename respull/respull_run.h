#pragma once
// One run of Respull: reads "Respull.txt", makes sure the reference model is loaded in
// FEMAP, reads the solver's results into it, takes one value per output record and writes
// them to the output file ("OutputValues.txt"), then saves and closes the model. Everything
// it does goes to "outputExeLogs.log" in the working directory.
//
// The previous run's output file is removed before anything else happens, and the new one
// appears whole at the end: a run that ends early leaves no output file, so old values are
// never read as new ones. An exchange file whose output line is not plainly one (missing, a
// repeated header line, naming the reference model or the results file) refuses the run
// before anything is removed.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/respull_file.h"
#include "exchange/vocabulary.h"
#include "femap/object.h"
#include "runtime/run.h"
#include "support/text_buffer.h"
#include "support/text_file.h"

namespace respull {

inline constexpr std::string_view kRespullLog = "outputExeLogs.log";

class RespullRun {
 public:
  // `commandLine`: empty, or the working directory.
  explicit RespullRun(std::string_view commandLine);

  // Runs to the end; answers the exit status (0 every output value was written, 1 otherwise).
  int run();

 private:
  // "Respull.txt" as read at the start, and the output file it names, already removed.
  struct ExchangeFile {
    std::optional<exchange::RespullFile> file;
    std::string readFailure;
    std::string outputPath;
    std::string refusal;  // why the run must not remove or write the output file
    std::string removalFailure;
  };
  static ExchangeFile readExchangeFile(const std::string& workingDirectory);

  bool connect();
  void openExchangeFile();
  bool findReferenceModel();
  bool loadReferenceModel();
  bool readResults();
  void openOutputFile();
  void extractOutputs();
  void handleRecord(const exchange::OutputRecord& record);
  void measureMass();
  void WriteMassProperty(const std::string& name, std::string_view word, std::int16_t component);
  void writeValue(const std::string& name, const std::string& value);
  // A value that is no finite number (a NaN, an infinity) is an error of its record, never an
  // output value.
  void notFinite(const std::string& name, const std::string& value);
  void finishResults();
  void saveAndClose();
  bool commitOutput();

  ExchangeFile exchange_;
  runtime::Run run_;
  exchange::RespullFile file_;  // what "Respull.txt" held (nothing when it could not be read)
  bool deleteResultsAfterRun_ = false;
  std::string referencePath_;
  std::unique_ptr<support::TextFileWriter> output_;
  std::unique_ptr<support::TextBuffer> outputText_;  // on its way to output_
  femap::Object outputVector_;
  femap::Object allElements_;
  bool massMeasured_ = false;
  std::optional<exchange::MassProperties> mass_;
  int returnCode_ = 0;  // the last FEMAP return code, as the log shows it
};

}  // namespace respull
