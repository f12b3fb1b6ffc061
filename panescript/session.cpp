#include "panescript/session.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>

#include "femap/return_codes.h"
#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "panescript/dump.h"
#include "panescript/script_line.h"
#include "support/err.h"
#include "support/number_text.h"

namespace panescript {

namespace {

using support::RuntimeError;

int integerArgument(const std::string& text, std::string_view what) {
  const auto value = support::parseInteger(text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) {
    throw RuntimeError(std::string(what) + " must be a whole number, not \"" + text + "\"");
  }
  return static_cast<int>(*value);
}

void expectArguments(const std::vector<std::string>& tokens, std::size_t count,
                     std::string_view usage) {
  if (tokens.size() != count + 1) throw RuntimeError("usage: " + std::string(usage));
}

std::shared_ptr<femapsim::Application> runningFemap() {
  auto application = femapsim::runningApplication();
  if (!application) throw RuntimeError("no FEMAP is running (\"femap running\" starts one)");
  return application;
}

void requireOk(int code, const femapsim::Application& application, std::string_view what) {
  if (code != femap::kOk) {
    throw RuntimeError(std::string(what) + " failed: " + application.lastFailure());
  }
}

// The position of a picker entry named by its exact text or, for an output vector, by its ID.
int pickerEntry(const ui::ListBox& list, const std::string& name) {
  for (int entry = 0; entry < list.count(); ++entry) {
    if (list.item(entry) == name) return entry;
  }
  const std::string vectorPrefix = name + " - ";
  for (int entry = 0; entry < list.count(); ++entry) {
    if (list.item(entry).starts_with(vectorPrefix)) return entry;
  }
  return -1;
}

}  // namespace

Session::Session(Mode mode, std::string name, std::ostream& out, std::ostream& errors,
                 std::unique_ptr<pane::PaneSubsystems> subsystems)
    : mode_(mode),
      name_(std::move(name)),
      out_(out),
      errors_(errors),
      subsystems_(std::move(subsystems)) {}

Session::~Session() {
  // The pane goes before the window layer that holds its windows.
  pane_.reset();
}

bool Session::start(std::string_view commandLine) {
  if (paneOpen()) throw RuntimeError("the pane is already running");
  pane_.reset();
  pane_ = std::make_unique<pane::CorvaneFemapInterface>(windows_, *subsystems_);
  return pane_->start(commandLine);
}

void Session::run(std::istream& input) {
  std::string line;
  int lineNumber = 0;
  while (std::getline(input, line)) {
    ++lineNumber;
    execute(line, lineNumber);
    if (mode_ == Mode::Program && !paneOpen()) break;
  }
}

bool Session::execute(std::string_view line, int lineNumber) {
  try {
    const Tokens tokens = tokenize(line);
    if (!tokens.empty()) dispatch(tokens, lineNumber);
    out_.flush();
    return true;
  } catch (const std::exception& failure) {
    report(lineNumber, failure.what());
  } catch (...) {
    report(lineNumber, support::currentExceptionDescription());
  }
  return false;
}

void Session::finish() {
  if (paneOpen()) pane_->close();
  out_.flush();
}

void Session::report(int lineNumber, const std::string& message) {
  failed_ = true;
  errors_ << name_ << ": line " << lineNumber << ": " << message << '\n';
  errors_.flush();
}

// ---------------------------------------------------------------- panes and controls

pane::CorvaneFemapInterface& Session::existingPane() {
  if (!pane_) throw RuntimeError("the pane has not been started");
  return *pane_;
}

pane::CorvaneFemapInterface& Session::openPane() {
  pane::CorvaneFemapInterface& pane = existingPane();
  if (!pane.isOpen()) throw RuntimeError("the pane is closed");
  return pane;
}

ui::Control& Session::control(const std::string& name) {
  ui::Control* found = existingPane().form().find(name);
  if (!found) throw RuntimeError("the pane has no control \"" + name + "\"");
  return *found;
}

// A control the engineer can use now: the pane is open and the control enabled. Hidden
// controls may be driven too, standing in for a pane that shows them.
ui::Control& Session::usableControl(const std::string& name) {
  openPane();
  ui::Control& found = control(name);
  if (!found.enabled()) throw RuntimeError(name + " is disabled");
  return found;
}

template <class C>
C& Session::usableControlOf(const std::string& name, std::string_view kind) {
  auto* typed = dynamic_cast<C*>(&usableControl(name));
  if (!typed) throw RuntimeError(name + " is not a " + std::string(kind));
  return *typed;
}

// ---------------------------------------------------------------- commands

void Session::dispatch(const Tokens& tokens, int lineNumber) {
  const std::string& command = tokens[0];
  if (command == "femap") {
    femapCommand(tokens);
  } else if (command == "answer") {
    answerCommand(tokens, lineNumber);
  } else if (command == "start") {
    if (mode_ != Mode::Script) throw RuntimeError("the pane has been started already");
    if (tokens.size() > 2) throw RuntimeError("usage: start \"ARGS\"");
    if (!start(tokens.size() == 2 ? tokens[1] : std::string())) {
      errors_ << name_ << ": FEMAP not found: the pane ended during start-up\n";
    }
  } else if (command == "choose") {
    expectArguments(tokens, 2, "choose CONTROL ITEM");
    usableControlOf<ui::DropDownList>(tokens[1], "drop-down list").choose(tokens[2]);
  } else if (command == "click") {
    expectArguments(tokens, 1, "click CONTROL");
    usableControlOf<ui::Button>(tokens[1], "button").click();
  } else if (command == "key") {
    expectArguments(tokens, 2, "key CONTROL CODE");
    usableControlOf<ui::Grid>(tokens[1], "grid").keyDown(integerArgument(tokens[2], "CODE"), 0);
  } else if (command == "select") {
    expectArguments(tokens, 3, "select CONTROL CURRENT ANCHOR");
    auto& grid = usableControlOf<ui::Grid>(tokens[1], "grid");
    const int current = integerArgument(tokens[2], "CURRENT");
    const int anchor = integerArgument(tokens[3], "ANCHOR");
    grid.setCurrentRow(current);
    grid.setAnchorRow(anchor);
  } else if (command == "type") {
    expectArguments(tokens, 2, "type CONTROL TEXT");
    usableControlOf<ui::TextBox>(tokens[1], "text box").setText(tokens[2]);
  } else if (command == "resize") {
    expectArguments(tokens, 2, "resize WIDTH HEIGHT");
    windows_.resize(openPane().form(), integerArgument(tokens[1], "WIDTH"),
                    integerArgument(tokens[2], "HEIGHT"));
  } else if (command == "scroll") {
    expectArguments(tokens, 2, "scroll H|V VALUE");
    if (tokens[1] != "H" && tokens[1] != "V") throw RuntimeError("usage: scroll H|V VALUE");
    const std::string bar = tokens[1] == "H" ? "HScroll1" : "VScroll1";
    usableControlOf<ui::ScrollBar>(bar, "scroll bar").setValue(integerArgument(tokens[2], "VALUE"));
  } else if (command == "event") {
    expectArguments(tokens, 1, "event CODE");
    runningFemap()->sendEvent(integerArgument(tokens[1], "CODE"));
  } else if (command == "unload") {
    expectArguments(tokens, 0, "unload");
    openPane().close();
  } else if (command == "dump") {
    dumpCommand(tokens);
  } else {
    throw RuntimeError("unknown command \"" + command + "\"");
  }
}

void Session::femapCommand(const Tokens& tokens) {
  const std::string what = tokens.size() > 1 ? tokens[1] : std::string();
  if (what == "running") {
    expectArguments(tokens, 1, "femap running");
    if (!femapsim::runningApplication()) femapsim::startRunningApplication();
  } else if (what == "unavailable") {
    expectArguments(tokens, 1, "femap unavailable");
    femapsim::setFemapUnavailable(true);
  } else if (what == "open") {
    expectArguments(tokens, 2, "femap open PATH");
    auto femap = runningFemap();
    requireOk(femap->openModel(tokens[2]), *femap, "opening " + tokens[2]);
  } else if (what == "new") {
    expectArguments(tokens, 1, "femap new");
    auto femap = runningFemap();
    requireOk(femap->newModel(), *femap, "a new model");
  } else if (what == "close") {
    expectArguments(tokens, 1, "femap close");
    auto femap = runningFemap();
    if (femap->closeModel() != femap::kOk) throw RuntimeError("FEMAP has no model to close");
  } else if (what == "results") {
    expectArguments(tokens, 2, "femap results PATH");
    auto femap = runningFemap();
    requireOk(femap->readResults(tokens[2]), *femap, "reading results " + tokens[2]);
  } else if (what == "put") {
    if (tokens.size() != 6 && tokens.size() != 7) {
      throw RuntimeError("usage: femap put KIND ID MEMBER [INDEX] VALUE");
    }
    std::optional<int> index;
    if (tokens.size() == 7) index = integerArgument(tokens[5], "INDEX");
    runningFemap()->putMember(tokens[2], integerArgument(tokens[3], "ID"), tokens[4], index,
                              tokens.back());
  } else {
    throw RuntimeError("usage: femap running|unavailable|open PATH|new|close|results PATH|put ...");
  }
}

void Session::answerCommand(const Tokens& tokens, int lineNumber) {
  const std::string what = tokens.size() > 1 ? tokens[1] : std::string();
  if (tokens.size() < 3) throw RuntimeError("usage: answer select|function|picker ...");
  const bool cancel = tokens.size() == 3 && tokens[2] == "cancel";

  if (what == "select" || what == "function") {
    femapsim::DialogAnswer answer;
    answer.cancel = cancel;
    if (!cancel) {
      if (what == "function" && tokens.size() != 3)
        throw RuntimeError("usage: answer function ID|cancel");
      for (std::size_t i = 2; i < tokens.size(); ++i)
        answer.ids.push_back(integerArgument(tokens[i], "ID"));
    }
    auto femap = runningFemap();
    if (what == "select") {
      femap->queueSelection(std::move(answer));
    } else {
      femap->queueFunction(std::move(answer));
    }
  } else if (what == "picker") {
    enum class Kind { Entries, Cancel, All, None };
    Kind kind = Kind::Entries;
    if (tokens.size() == 3 && tokens[2] == "cancel") kind = Kind::Cancel;
    if (tokens.size() == 3 && tokens[2] == "all") kind = Kind::All;
    if (tokens.size() == 3 && tokens[2] == "none") kind = Kind::None;
    const std::vector<std::string> entries(tokens.begin() + 2, tokens.end());
    windows_.queueAnswer("frmPropertyList", [this, kind, entries, lineNumber](ui::Form& dialog) {
      auto& picker = static_cast<pane::PropertyPicker&>(dialog);
      switch (kind) {
        case Kind::Cancel:
          picker.cmdCancel.click();
          return;
        case Kind::All:
          picker.cmdSelect.click();
          break;
        case Kind::None:
          break;
        case Kind::Entries:
          for (const std::string& entry : entries) {
            const int position = pickerEntry(picker.lstProperties, entry);
            if (position < 0) {
              report(lineNumber, "the picker offers no entry \"" + entry + "\"; it was cancelled");
              picker.cmdCancel.click();
              return;
            }
            picker.lstProperties.setSelected(position, true);
          }
          break;
      }
      picker.cmdAdd.click();
    });
  } else {
    throw RuntimeError("usage: answer select|function|picker ...");
  }
}

void Session::dumpCommand(const Tokens& tokens) {
  expectArguments(tokens, 1, "dump CONTROL|frmPropertyList|messages|femap");
  const std::string& what = tokens[1];
  if (what == "frmPropertyList") {
    for (const std::string& line : dumpPicker(existingPane().frmPropertyList())) {
      out_ << line << '\n';
    }
  } else if (what == "femap") {
    out_ << dumpFemap(femapsim::runningApplication().get()) << '\n';
  } else if (what == "messages") {
    auto femap = femapsim::runningApplication();
    if (messagesOf_.lock() != femap) {
      messagesOf_ = femap;
      messagesDumped_ = 0;
    }
    if (!femap) return;
    const auto& messages = femap->messages();
    for (; messagesDumped_ < messages.size(); ++messagesDumped_) {
      out_ << messages[messagesDumped_].colour << '\t' << messages[messagesDumped_].text << '\n';
    }
  } else {
    for (const std::string& line : dumpControl(control(what))) out_ << line << '\n';
  }
}

}  // namespace panescript
