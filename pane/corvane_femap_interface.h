#pragma once
// The main pane, CorvaneFemapInterface: the add-in pane that runs beside FEMAP. It owns the
// pane's state for the whole run (the FEMAP model object, the log, the file extension of the
// model on its command line, the output-vector count), its controls (grids included), the
// property picker and the pending error of the resume-after-error policy; the handlers of
// every subsystem work on the pane through this class.
//
// Start-up attaches to FEMAP (or starts it), opens the model of the command line, restores the
// saved selection, registers the pane with FEMAP and puts the event hook in front of the pane
// window's procedure (event_hook.h). A handler never lets a failure escape to the message
// loop: runHandler reports it at ERROR and in FEMAP's message window, and the scope guards
// (guards.h) have given back FEMAP's lock and the mouse pointer by then.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>

#include "femap/wrappers.h"
#include "pane/femap_logger.h"
#include "pane/pane_form.h"
#include "pane/pane_subsystems.h"
#include "pane/property_picker.h"
#include "support/err.h"
#include "ui/window_layer.h"

namespace pane {

class CorvaneFemapInterface {
 public:
  CorvaneFemapInterface(ui::WindowLayer& windows, PaneSubsystems& subsystems);
  ~CorvaneFemapInterface();
  CorvaneFemapInterface(const CorvaneFemapInterface&) = delete;
  CorvaneFemapInterface& operator=(const CorvaneFemapInterface&) = delete;

  // Opens the pane window, runs Form_Load with `commandLine` (the program's arguments as one
  // text) and shows the pane. Returns false when start-up ended the program (FEMAP not found);
  // no window is shown then.
  bool start(std::string_view commandLine);
  // Whether the pane window is open: started, not ended and not yet closed.
  bool isOpen() const { return form_.hWnd() != 0; }
  bool ended() const { return ended_; }
  // Closes the pane window, which runs Form_Unload.
  void close();
  // Closes the picker dialog's window.
  void closePicker();

  // ---- state ----
  FemapLogger vblog;
  std::string strFileExtension;
  std::int32_t numOutputs = 0;
  std::int32_t registrationResult = 0;  // what FEMAP answered to the registration; kept only

  // The FEMAP model object: the attached FEMAP application.
  const femap::Application& femap() const { return femap_; }
  support::Err& err() { return err_; }
  PaneForm& form() { return form_; }
  PropertyPicker& frmPropertyList() { return picker_; }
  ui::WindowLayer& windows() { return windows_; }
  // What a subsystem keeps for the pane's whole life (FEMAP objects it reuses, the return code
  // of its last dialog), one State per type, created on first use and gone with the pane.
  template <class State>
  State& subsystemState() {
    std::shared_ptr<void>& slot = subsystemStates_[std::type_index(typeid(State))];
    if (!slot) slot = std::make_shared<State>();
    return *static_cast<State*>(slot.get());
  }

  // ---- position markers and small procedures ----
  // Logs "Position at " + startPoint at DEBUG.
  void logPosition(std::string_view startPoint);
  // Reports the pending error, if any, in the log and clears it.
  void logPositionAndClearErrorIfAny(std::string_view errroStartPoint);
  static std::string GetFileExtension(std::string_view filename);
  static std::string GetTimeStamp();
  void logDebug(std::string_view message);
  void logError(std::string_view message);
  // Shows `message` in FEMAP's message window as an error and logs it at ERROR.
  void showError(std::string_view message);

  // Runs `body` as handler `name` at the boundary to the message loop: a failure is logged at
  // ERROR and shown in FEMAP's message window, the mouse pointer is restored, and the pane goes
  // on. Returns whether the body finished.
  template <class Body>
  bool runHandler(std::string_view name, Body&& body) {
    support::StopAtFirstFailure handler;
    if (handler.run(body)) return true;
    handlerFailed(name, handler.failure());
    return false;
  }

  // ---- start-up, shut-down and FEMAP's events ----
  void Form_Load();
  void Form_Unload();
  void InstallEventHook();
  void RemoveEventHook();

  // ---- grids and layout ----
  void ClearAll_Click();
  void ClearInputSelection_Click();
  void ClearOutputSelection_Click();
  void InputsList_KeyDown(int keyCode, int shift);
  void OutputsList_KeyDown(int keyCode, int shift);
  void DeleteSelection(ui::Grid& grid, int& first, int& count);
  void Form_Resize();
  void HScroll1_Change();
  void VScroll1_Change();

  // ---- saved selection ----
  void Save_Config();
  void Load_Click();

  // ---- solver and PIDO tool ----
  void Solver_Click();
  void Optimizer_Click();

  // ---- handlers of the selection, refresh and generation subsystems ----
  void InputsButton_Click() { subsystems_.InputsButton_Click(*this); }
  void RefreshInputs_Click() { subsystems_.RefreshInputs_Click(*this); }
  void OutputsButton_Click() { subsystems_.OutputsButton_Click(*this); }
  void RefreshOutputs_Click() { subsystems_.RefreshOutputs_Click(*this); }
  void GenerateButton_Click();

  static constexpr int kDeleteKey = 46;

 private:
  void wireHandlers();
  void handlerFailed(std::string_view name, const std::string& description);
  bool connectToFemap();
  void probeModel();
  void registerPane();
  void removeSelectedRows(ui::Grid& grid);

  ui::WindowLayer& windows_;
  PaneSubsystems& subsystems_;
  PaneForm form_;
  PropertyPicker picker_;
  femap::Application femap_;
  support::Err err_;
  std::string commandLine_;
  bool ended_ = false;
  std::unordered_map<std::type_index, std::shared_ptr<void>> subsystemStates_;
};

}  // namespace pane
