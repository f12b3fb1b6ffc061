// "Apply": with FEMAP locked and the hourglass shown, the PIDO tool's project files are written
// and the selection is saved beside the model.
#include "pane/corvane_femap_interface.h"
#include "pane/guards.h"

namespace pane {

void CorvaneFemapInterface::GenerateButton_Click() {
  logPositionAndClearErrorIfAny("Before Generating supporting files");
  const auto modelPath = err_.run([&] { return femap_.ModelName(); });
  if (modelPath && modelPath->empty()) {
    showError("Model must be saved in .MOD format first");
    return;
  }
  if (!modelPath) {
    err_.clear();
    showError("Cannot perform action without a model");
    return;
  }

  FemapLock lock(femap_);
  logDebug("Acquired Femap lock");
  Hourglass hourglass(form_);
  subsystems_.writeProjectFiles(*this, form_.Optimizer.text());
  Save_Config();
  logDebug("called save cofig");
  lock.release();
  logDebug("Released Femap lock");
  hourglass.restore();
  logPositionAndClearErrorIfAny("After Generating supporting files");
}

}  // namespace pane
