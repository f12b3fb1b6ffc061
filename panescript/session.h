#pragma once
// Drives the real pane headless on the simulated FEMAP, one command a line: what the engineer
// does (choose, click, key, select, type, resize, scroll, unload), what FEMAP does (femap ...,
// event), answers for the dialogs that will open (answer ...), and dumps of what the pane and
// FEMAP show. Dumps go to `out`, one LF-ended line per item; a command that cannot be carried
// out is reported on `errors` with its line number, and the script goes on.
//
// pane-script runs a whole scenario, `start` included; the CorvaneFemapInterface program starts
// the pane from its own command line and then reads the same commands until the pane closes.

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pane/corvane_femap_interface.h"
#include "pane/pane_subsystems.h"
#include "ui/headless_windows.h"

namespace femapsim {
class Application;
}

namespace panescript {

class Session {
 public:
  enum class Mode {
    Script,   // every command; the script goes on after the pane closed
    Program,  // no `start`; reading stops once the pane has closed
  };

  // `name` prefixes the reports on `errors`; the pane runs with `subsystems`.
  Session(Mode mode, std::string name, std::ostream& out, std::ostream& errors,
          std::unique_ptr<pane::PaneSubsystems> subsystems);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Starts a new pane with this command-line text; false when start-up ended the program.
  bool start(std::string_view commandLine);
  // Runs the commands of `input`, line by line.
  void run(std::istream& input);
  // Runs one line; false when the command could not be carried out.
  bool execute(std::string_view line, int lineNumber);
  // Closes the pane if it is still open (as closing its window does).
  void finish();

  bool paneOpen() const { return pane_ && pane_->isOpen(); }
  bool paneEnded() const { return pane_ && pane_->ended(); }
  // Whether any command failed so far.
  bool failed() const { return failed_; }

 private:
  using Tokens = std::vector<std::string>;
  void dispatch(const Tokens& tokens, int lineNumber);
  void femapCommand(const Tokens& tokens);
  void answerCommand(const Tokens& tokens, int lineNumber);
  void dumpCommand(const Tokens& tokens);
  void report(int lineNumber, const std::string& message);

  pane::CorvaneFemapInterface& openPane();
  pane::CorvaneFemapInterface& existingPane();
  ui::Control& control(const std::string& name);
  ui::Control& usableControl(const std::string& name);
  template <class C>
  C& usableControlOf(const std::string& name, std::string_view kind);

  Mode mode_;
  std::string name_;
  std::ostream& out_;
  std::ostream& errors_;
  ui::HeadlessWindows windows_;
  std::unique_ptr<pane::PaneSubsystems> subsystems_;
  std::unique_ptr<pane::CorvaneFemapInterface> pane_;
  // Where the last `dump messages` stopped, per FEMAP instance.
  std::weak_ptr<femapsim::Application> messagesOf_;
  std::size_t messagesDumped_ = 0;
  bool failed_ = false;
};

}  // namespace panescript
