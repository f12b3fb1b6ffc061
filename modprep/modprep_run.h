#pragma once
// One run of Modprep: reads "Modprep.txt" and the input values, loads the reference model
// into FEMAP, writes the new values into its entities, loads and functions, builds the
// analysis set, writes the solver input deck and saves the model. Everything it does goes
// to "inputExeLogs.log" in the working directory.
//
// When the reference model is missing, of a type not known, or cannot be loaded, the run
// ends before touching any model: whatever model FEMAP has open is never updated or saved.

#include <optional>
#include <string>
#include <string_view>

#include "exchange/modprep_file.h"
#include "exchange/value_files.h"
#include "runtime/run.h"

namespace modprep {

inline constexpr std::string_view kModprepLog = "inputExeLogs.log";

class ModprepRun {
 public:
  // `commandLine`: empty, or the working directory.
  explicit ModprepRun(std::string_view commandLine);

  // Runs to the end; answers the exit status (0 the model was updated, deck written and
  // model saved; 1 otherwise).
  int run();

 private:
  bool connect();
  void openExchangeFile();
  bool loadReferenceModel();
  void prepareInputDeck();
  void readInputValues();
  void updateVariables();
  void regenerateViews();
  void writeInputDeck();
  void saveModel();
  void ReadValues(const std::string& path);

  runtime::Run run_;
  exchange::ModprepFile file_;  // what "Modprep.txt" held (nothing when it could not be read)
  exchange::InputValues values_;
  std::string deckTag_;
  std::string deckPath_;
};

}  // namespace modprep
