#include "tools/femapsim-server/simulator_control.h"

#include <windows.h>

#include <optional>
#include <sstream>

#include "femap/return_codes.h"
#include "femapsim/dispatch.h"
#include "support/strings.h"
#include "support/window_messages.h"

namespace femapsim::server {
namespace {

using femap::Invoke;
using femap::Variant;

DialogAnswer answerFrom(const std::string& text) {
  DialogAnswer answer;
  if (support::equalsIgnoreCase(support::trim(text), "cancel")) return answer;
  answer.cancel = false;
  std::istringstream ids(support::replaceAll(text, ",", " "));
  int id = 0;
  while (ids >> id) answer.ids.push_back(id);
  if (!ids.eof()) throw femap::Error("a dialog answer is \"cancel\" or IDs, not \"" + text + "\"");
  return answer;
}

// Events are posted, not sent: a pane handles them from its message loop and may call FEMAP
// back, which COM forbids inside a message sent from another process (an input-synchronous
// call). A pane in the middle of a call into FEMAP still gets them, from COM's modal loop.
void postEvent(const Application& application, int code) {
  const UINT message = support::registerWindowMessage("FE_EVENT_MESSAGE");
  for (support::WindowHandle pane : application.panes()) {
    PostMessageW(reinterpret_cast<HWND>(pane), message, static_cast<WPARAM>(code), 0);
  }
}

femap::VariantArray texts(const std::vector<std::string>& lines) {
  femap::VariantArray values;
  for (const std::string& line : lines) values.emplace_back(line);
  return values;
}

}  // namespace

SimulatorControl::SimulatorControl(std::shared_ptr<Application> application, std::function<void()> quit)
    : application_(std::move(application)), quit_(std::move(quit)) {}

Variant SimulatorControl::invoke(std::string_view member, Invoke how, std::span<Variant> args) {
  static const MemberTable<SimulatorControl> table{
      {"SimSendEvent", [](SimulatorControl& self, Invoke, Args args) {
         postEvent(*self.application_, argument(args, 0, "Application", "SimSendEvent").asInt());
         return Variant(femap::kOk);
       }},
      {"SimMessages", [](SimulatorControl& self, Invoke, Args) {
         std::vector<std::string> lines;
         for (const Message& message : self.application_->messages()) {
           lines.push_back(std::to_string(message.colour) + "\t" + message.text);
         }
         return Variant(texts(lines));
       }},
      {"SimLockCount", [](SimulatorControl& self, Invoke, Args) { return Variant(self.application_->lockCount()); }},
      {"SimPanes", [](SimulatorControl& self, Invoke, Args) {
         femap::VariantArray panes;
         for (support::WindowHandle pane : self.application_->panes()) panes.emplace_back(static_cast<double>(pane));
         return Variant(std::move(panes));
       }},
      {"SimDialogTitles", [](SimulatorControl& self, Invoke, Args) {
         return Variant(texts(self.application_->dialogTitles()));
       }},
      {"SimQueueSelection", [](SimulatorControl& self, Invoke, Args args) {
         self.application_->queueSelection(answerFrom(argument(args, 0, "Application", "SimQueueSelection").asString()));
         return Variant(femap::kOk);
       }},
      {"SimQueueFunction", [](SimulatorControl& self, Invoke, Args args) {
         self.application_->queueFunction(answerFrom(argument(args, 0, "Application", "SimQueueFunction").asString()));
         return Variant(femap::kOk);
       }},
      {"SimPutMember", [](SimulatorControl& self, Invoke, Args args) {
         const Variant& index = argument(args, 3, "Application", "SimPutMember");
         self.application_->putMember(argument(args, 0, "Application", "SimPutMember").asString(),
                                      argument(args, 1, "Application", "SimPutMember").asInt(),
                                      argument(args, 2, "Application", "SimPutMember").asString(),
                                      index.isEmpty() ? std::nullopt : std::optional<int>(index.asInt()),
                                      argument(args, 4, "Application", "SimPutMember").asString());
         return Variant(femap::kOk);
       }},
      {"SimReadResults", [](SimulatorControl& self, Invoke, Args args) {
         return Variant(self.application_->readResults(argument(args, 0, "Application", "SimReadResults").asString()));
       }},
      {"SimQuit", [](SimulatorControl& self, Invoke, Args) {
         self.quit_();
         return Variant(femap::kOk);
       }},
  };
  if (const auto* handler = table.find(member)) return (*handler)(*this, how, args);
  return application_->invoke(member, how, args);
}

}  // namespace femapsim::server
