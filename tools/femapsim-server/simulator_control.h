#pragma once
// The simulated FEMAP's application as the server serves it: every automation member of
// femapsim::Application, plus members through which a test in another process drives the
// simulator the way in-process tests use its C++ hooks. Their names start with "Sim", as no
// FEMAP member's does:
//
//   SimSendEvent(code)              posts "FE_EVENT_MESSAGE" with `code` to every registered pane
//   SimMessages                     every message-window line so far: "colour<TAB>text"
//   SimLockCount, SimPanes          locks not yet released; registered pane windows
//   SimDialogTitles                 titles of the selection dialogs shown so far
//   SimQueueSelection(answer)       next entity or load-definition selection dialog answer:
//   SimQueueFunction(answer)        "cancel" or blank-separated IDs
//   SimPutMember(kind, id, member, index, value)  one member of one entity (index empty: none)
//   SimReadResults(path)            read a results file into the current model
//   SimQuit                         end the server once this call has returned

#include <functional>
#include <memory>

#include "femap/object.h"
#include "femapsim/application.h"

namespace femapsim::server {

class SimulatorControl final : public femap::Dispatch {
 public:
  SimulatorControl(std::shared_ptr<Application> application, std::function<void()> quit);

  std::string_view kind() const override { return application_->kind(); }
  femap::Variant invoke(std::string_view member, femap::Invoke how, std::span<femap::Variant> args) override;

 private:
  std::shared_ptr<Application> application_;
  std::function<void()> quit_;
};

}  // namespace femapsim::server
