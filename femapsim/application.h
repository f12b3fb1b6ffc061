#pragma once
// The simulated FEMAP application ("femap.model"): open models, the message window, the
// user-interface lock, registered add-in panes and their events, scripted answers for the
// interactive dialogs, and the factories of every automation object.
//
// The automation members are what the system calls; the public C++ methods below them are
// the test hooks through which tests and tools drive the simulator the way an engineer
// would drive FEMAP (open a model, load results, change a value, send an event).

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "femap/object.h"
#include "femapsim/dispatch.h"
#include "femapsim/mass_properties.h"
#include "femapsim/model.h"
#include "femapsim/results_files.h"
#include "support/window_messages.h"

namespace femapsim {

enum class ModelFormat { Neutral, Nastran };

struct Message {
  int colour;
  std::string text;
};

// One scripted answer of a selection dialog: IDs to pick, or a cancel.
struct DialogAnswer {
  bool cancel = true;
  std::vector<int> ids;
};

// Where a stored output vector's values stand, by entity, plus its extremes; built on first
// use and dropped whenever output vectors change.
struct OutputIndex {
  std::unordered_map<int, std::size_t> positionOf;
  double maxval = 0;
  double minval = 0;
};

class SetObject;

class Application : public femap::Dispatch, public std::enable_shared_from_this<Application> {
 public:
  Application();
  ~Application() override;

  // ---- automation ----
  std::string_view kind() const override { return "Application"; }
  femap::Variant invoke(std::string_view member, femap::Invoke how, Args args) override;

  // ---- test hooks ----
  // Opens a model file as FEMAP's File Open does; returns FEMAP's return code. A failure
  // reason goes to the message window and to lastFailure().
  int openModel(const std::filesystem::path& path);
  int newModel();
  int closeModel();
  int saveModel();
  // Reads a results file into the current model: OUTPUT2 or neutral results as `format` says
  // (or as the file's first bytes say), or the simulator's own grammar.
  int readResults(const std::filesystem::path& path, ResultsFormat format = ResultsFormat::Detect);
  // Reads a reference model (a FEMAP neutral model file; a Nastran deck) into the current
  // model, or into a new one when none is open, as FEMAP's readers do: entities keep their IDs
  // and replace those of the same ID. A file with a fault adds nothing: FEMAP's failure code,
  // and the file, line and reason in the message window.
  int readModel(const std::filesystem::path& path, ModelFormat format);
  // Deletes the output sets that the last results read added to the current model and that
  // are still there; -1, or 4 when none is left.
  int deleteResultsRead();
  // Changes one member of one entity (kind as the model file's word); throws femap::Error.
  void putMember(std::string_view kindWord, int id, std::string_view member,
                 std::optional<int> index, std::string_view valueText);

  void queueSelection(DialogAnswer answer) { selectionAnswers_.push_back(std::move(answer)); }
  void queueFunction(DialogAnswer answer) { functionAnswers_.push_back(std::move(answer)); }
  // Titles of the selection dialogs shown so far, in order.
  const std::vector<std::string>& dialogTitles() const { return dialogTitles_; }

  const std::vector<Message>& messages() const { return messages_; }
  int lockCount() const { return locks_; }
  bool visible() const { return visible_; }
  int regenerations() const { return regenerations_; }
  const std::vector<support::WindowHandle>& panes() const { return panes_; }
  // Sends "FE_EVENT_MESSAGE" with `code` to every registered add-in pane.
  void sendEvent(int code);
  const std::string& lastFailure() const { return lastFailure_; }
  // Appends every message to this file (colour, tab, text, CR LF) as well.
  void setMessageFile(std::filesystem::path path) { messageFile_ = std::move(path); }

  std::size_t modelCount() const { return models_.size(); }
  bool hasModel() const { return current_ >= 0; }
  // The current model; throws femap::Error when none is open.
  Model& model();
  // Mass properties of the elements of set `setId` (0: all elements).
  MassProperties measure(int setId);

  // ---- shared with the automation objects ----
  int addMessage(int colour, std::string text);
  // Set objects are numbered when created so that others can name them (Copy, mass).
  int registerSet(const std::shared_ptr<SetObject>& set);
  std::shared_ptr<SetObject> findSet(int id) const;
  std::optional<DialogAnswer> nextSelection(std::string title);
  std::optional<DialogAnswer> nextFunction(std::string title);
  const OutputIndex& outputIndex(int setId, int vectorId);
  void outputsChanged() { outputIndexes_.clear(); }
  // Deletes an output set of the current model with its vectors; false when there is none.
  bool deleteOutputSet(int id);
  int failure(std::string reason, int code = 0);  // records and reports a failure, returns code
  // The active ID of an entity type (the model's own where it keeps one).
  int activeId(int entityType);
  void setActiveId(int entityType, int id);
  void noteRegeneration() { ++regenerations_; }

 private:
  struct OpenModel {
    int id;
    std::unique_ptr<Model> model;
  };
  femap::Variant createObject(std::string_view kindName);

  std::vector<OpenModel> models_;
  int current_ = -1;
  int nextModelId_ = 1;
  std::vector<Message> messages_;
  std::optional<std::filesystem::path> messageFile_;
  int locks_ = 0;
  bool visible_ = false;
  int regenerations_ = 0;
  int analysisType_ = 1;
  std::vector<support::WindowHandle> panes_;
  std::deque<DialogAnswer> selectionAnswers_;
  std::deque<DialogAnswer> functionAnswers_;
  std::vector<std::string> dialogTitles_;
  std::map<int, std::weak_ptr<SetObject>> sets_;
  int nextSetId_ = 1;
  std::map<std::pair<int, int>, OutputIndex> outputIndexes_;
  std::string lastFailure_;
  int resultsModel_ = 0;          // the model the last results read went into
  std::vector<int> resultSets_;   // the output sets it added
};

}  // namespace femapsim
