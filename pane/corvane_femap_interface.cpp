#include "pane/corvane_femap_interface.h"

#include <vector>

#include "femap/connect.h"
#include "femap/return_codes.h"
#include "pane/event_hook.h"
#include "pane/pane_command_line.h"
#include "support/paths.h"
#include "support/strings.h"
#include "support/timestamp.h"

namespace pane {

namespace {

constexpr const char* kCommandLineBanner = "===============command line arguments===============";
constexpr int kNameColumnWidth = 2412;
constexpr int kValueColumnWidth = 10000;

}  // namespace

CorvaneFemapInterface::CorvaneFemapInterface(ui::WindowLayer& windows, PaneSubsystems& subsystems)
    : windows_(windows), subsystems_(subsystems) {
  wireHandlers();
}

CorvaneFemapInterface::~CorvaneFemapInterface() {
  try {
    RemoveEventHook();
  } catch (...) {
    // The window is going away with the pane: there is no procedure left to restore.
  }
}

void CorvaneFemapInterface::wireHandlers() {
  auto onClick = [this](ui::Button& button, const char* name,
                        void (CorvaneFemapInterface::*handler)()) {
    button.onClick = [this, name, handler] { runHandler(name, [&] { (this->*handler)(); }); };
  };
  onClick(form_.ClearAll, "ClearAll_Click", &CorvaneFemapInterface::ClearAll_Click);
  onClick(form_.ClearInputSelection, "ClearInputSelection_Click",
          &CorvaneFemapInterface::ClearInputSelection_Click);
  onClick(form_.ClearOutputSelection, "ClearOutputSelection_Click",
          &CorvaneFemapInterface::ClearOutputSelection_Click);
  onClick(form_.GenerateButton, "GenerateButton_Click",
          &CorvaneFemapInterface::GenerateButton_Click);
  onClick(form_.InputsButton, "InputsButton_Click", &CorvaneFemapInterface::InputsButton_Click);
  onClick(form_.RefreshInputs, "RefreshInputs_Click", &CorvaneFemapInterface::RefreshInputs_Click);
  onClick(form_.OutputsButton, "OutputsButton_Click", &CorvaneFemapInterface::OutputsButton_Click);
  onClick(form_.RefreshOutputs, "RefreshOutputs_Click",
          &CorvaneFemapInterface::RefreshOutputs_Click);

  form_.Solver.onClick = [this] { runHandler("Solver_Click", [this] { Solver_Click(); }); };
  form_.Optimizer.onClick = [this] {
    runHandler("Optimizer_Click", [this] { Optimizer_Click(); });
  };
  form_.InputsList.onKeyDown = [this](int keyCode, int shift) {
    runHandler("InputsList_KeyDown", [&] { InputsList_KeyDown(keyCode, shift); });
  };
  form_.OutputsList.onKeyDown = [this](int keyCode, int shift) {
    runHandler("OutputsList_KeyDown", [&] { OutputsList_KeyDown(keyCode, shift); });
  };
  form_.HScroll1.onChange = [this] {
    runHandler("HScroll1_Change", [this] { HScroll1_Change(); });
  };
  form_.VScroll1.onChange = [this] {
    runHandler("VScroll1_Change", [this] { VScroll1_Change(); });
  };
  form_.onResize = [this] { runHandler("Form_Resize", [this] { Form_Resize(); }); };
  form_.onUnload = [this] {
    if (!ended_) runHandler("Form_Unload", [this] { Form_Unload(); });
  };
}

bool CorvaneFemapInterface::start(std::string_view commandLine) {
  commandLine_ = commandLine;
  windows_.open(form_);
  runHandler("Form_Load", [this] { Form_Load(); });
  if (ended_) {
    windows_.discard(form_);
    return false;
  }
  windows_.show(form_);
  return true;
}

void CorvaneFemapInterface::close() { windows_.close(form_); }

void CorvaneFemapInterface::closePicker() { windows_.close(picker_); }

// ---------------------------------------------------------------- markers and small procedures

void CorvaneFemapInterface::logPosition(std::string_view startPoint) {
  logDebug("Position at " + std::string(startPoint));
}

void CorvaneFemapInterface::logPositionAndClearErrorIfAny(std::string_view errroStartPoint) {
  const std::string point(errroStartPoint);
  if (!err_.pending()) {
    logDebug("No Error found " + point);
  } else {
    const std::string description = err_.description();
    logError("--------------------" + point + "--------------------");
    logDebug("Error occured " + point);
    vblog.writeLoghighlighted(description);
    logError(description);
  }
  err_.clear();
}

std::string CorvaneFemapInterface::GetFileExtension(std::string_view filename) {
  return support::getFileExtension(filename);
}

std::string CorvaneFemapInterface::GetTimeStamp() { return support::getTimeStamp(); }

void CorvaneFemapInterface::logDebug(std::string_view message) {
  vblog.writeLogWithLevel(vblog.LogLevel_debug, message);
}

void CorvaneFemapInterface::logError(std::string_view message) {
  vblog.writeLogWithLevel(vblog.LogLevel_error, message);
}

void CorvaneFemapInterface::showError(std::string_view message) {
  femap_.feAppMessage(femap::kMessageError, message);
  logError(message);
}

void CorvaneFemapInterface::handlerFailed(std::string_view name, const std::string& description) {
  const std::string message = "Error in " + std::string(name) + ": " + description;
  logError(message);
  try {
    femap_.feAppMessage(femap::kMessageError, message);
  } catch (...) {
    // FEMAP itself is unreachable: the log is the only place left to report to.
  }
  form_.setAllMousePointers(ui::MousePointer::Default);
}

// ---------------------------------------------------------------- start-up

void CorvaneFemapInterface::Form_Load() {
  PaneCommandLine arguments = parsePaneCommandLine(commandLine_);
  const std::string& modelPath = arguments.modelPath;
  std::string& logFileName = arguments.logFileName;  // the logger puts its defaults in
  std::string& logLevel = arguments.logLevel;
  if (auto extension = err_.run([&] { return GetFileExtension(modelPath); })) {
    strFileExtension = *extension;
  }

  vblog.InitialiseLogger(logFileName, logLevel);
  const std::string& always = vblog.LogLevel_always;
  vblog.writeLogWithLevel(always, "Execution starts at " + GetTimeStamp());
  vblog.writeLogWithLevel(always, kCommandLineBanner);
  vblog.writeLogWithLevel(always, "Input mod file: " + modelPath);
  vblog.writeLogWithLevel(always, "Log File Name: " + logFileName);
  vblog.writeLogWithLevel(always, "Loglevel:" + logLevel);
  vblog.writeLogWithLevel(always, "FileExtension:" + strFileExtension);
  vblog.writeLogWithLevel(always, kCommandLineBanner);

  logPositionAndClearErrorIfAny("Before getting femap object");
  if (!connectToFemap()) {
    // Without FEMAP there is nothing to do: the program ends before its window is shown.
    ended_ = true;
    vblog.DeinitialiseLogger();
    return;
  }
  err_.run([&] { femap_.feAppVisible(true); });
  logDebug("Femap made to visible");
  logPositionAndClearErrorIfAny("After getting femap object");

  // From here on a failure is not skipped: it ends the stretch it happens in, is reported by
  // runHandler, and start-up goes on with the next stretch so that the pane stays usable.
  if (!modelPath.empty()) {
    runHandler("Form_Load", [&] {
      femap_.feFileOpen(false, modelPath);
      logDebug("Opened file: " + modelPath);
    });
  }
  logPositionAndClearErrorIfAny("After opening femap file");

  form_.InputSelection.select(0);
  form_.OutputSelection.select(0);
  form_.Solver.select(1);     // "NXNastran": Solver_Click fills the command line
  form_.Optimizer.select(0);  // "Corvane"
  for (ui::Grid* grid : {&form_.InputsList, &form_.OutputsList}) {
    grid->setColumnWidth(0, kNameColumnWidth);
    grid->setColumnWidth(1, kValueColumnWidth);
  }

  runHandler("Form_Load", [this] { probeModel(); });
  logPositionAndClearErrorIfAny("Before registering plugin");
  runHandler("Form_Load", [this] { registerPane(); });
  logPositionAndClearErrorIfAny("After registering plugin");
  runHandler("Form_Load", [this] {
    InstallEventHook();
    logDebug("Intialized form events");
    logDebug("Plugin is initialized");
  });
  logPosition("At end of Load Form");
}

// Attaches to the running FEMAP, else starts one; false when neither works.
bool CorvaneFemapInterface::connectToFemap() {
  const auto running = err_.run([] { return femap::attach(femap::kFemapProgId); });
  if (running && *running) {
    femap_ = femap::Application(*running);
    logDebug("Existing instance of FEMAP is used");
    return true;
  }
  err_.clear();
  logDebug("Unable to get existing instance of FEMAP");
  const auto created = err_.run([] { return femap::create(femap::kFemapProgId); });
  if (!created || !*created) {
    logError("Unable to get new instance of FEMAP");
    logError("FEMAP not found");
    return false;
  }
  femap_ = femap::Application(*created);
  logDebug("New instance of FEMAP is created");
  logDebug("Femap visibility mode is changed to True");
  return true;
}

// With a model open: catalogue its output vectors and restore its saved selection. Without
// one the pane stays inert (every control disabled) until FEMAP reports a model.
void CorvaneFemapInterface::probeModel() {
  if (!err_.run([&] { femap_.ModelName(); })) {
    err_.clear();
    form_.setAllEnabled(false);
    return;
  }
  picker_.UpdateCollection();
  logDebug("Form property collection updated");
  const femap::Set vectors(femap_.feSet());
  vectors.AddAll(femap::kOutputVectorType);
  numOutputs = vectors.count();
  Load_Click();
}

void CorvaneFemapInterface::registerPane() {
  const auto window = static_cast<std::int32_t>(form_.hWnd());
  registrationResult = femap_.object()
                           .call("feAppRegisterAddInPane", true, window, window, false, false, 2, 0)
                           .asInt();
}

// ---------------------------------------------------------------- shut-down

void CorvaneFemapInterface::Form_Unload() {
  logPositionAndClearErrorIfAny("Unloading the form");
  err_.run([&] { RemoveEventHook(); });
  femap_ = femap::Application();
  logPositionAndClearErrorIfAny("Setting Main femap instance to Nothing");
  vblog.DeinitialiseLogger();
}

}  // namespace pane
