#include "runtime/run.h"

#include <iostream>

#include "femap/connect.h"
#include "femap/return_codes.h"
#include "runtime/working_directory.h"
#include "support/paths.h"

namespace runtime {

Run::Run(std::string_view program, std::string_view commandLine, std::string_view logName,
         std::string checkWording)
    : program_(program),
      workingDirectory_(runtime::workingDirectory(commandLine)),
      log_(support::joinPath(workingDirectory_, logName), std::move(checkWording)) {}

bool Run::logOpen() {
  if (log_.open()) return true;
  std::cerr << program_ << ": " << log_.failure() << "\n";
  return false;
}

std::string Run::inWorkingDirectory(std::string_view name) const {
  return support::joinPath(workingDirectory_, name);
}

void Run::error(std::string_view text) {
  log_.error(text);
  failed_ = true;
}

void Run::CheckError(std::string_view position) {
  if (log_.checkError(err, position)) failed_ = true;
}

FemapConnection Run::connectFemap() {
  try {
    femap_ = femap::Application(femap::attach(femap::kFemapProgId));
    messagesToFemap_ = true;
    return FemapConnection::Attached;
  } catch (const std::exception&) {
    // No running FEMAP to attach to: start one.
  }
  try {
    femap_ = femap::Application(femap::create(femap::kFemapProgId));
  } catch (const std::exception&) {
    femap_ = femap::Application();
    return FemapConnection::Unavailable;
  }
  femapCreatedHere_ = true;
  messagesToFemap_ = false;
  return FemapConnection::Created;
}

void Run::message(std::string_view text) {
  if (!messagesToFemap_ || !femap_) return;
  err.run([&] { femap_.feAppMessage(femap::kMessageError, text); });
}

int Run::finish() {
  if (log_.open() && !log_.close()) std::cerr << program_ << ": " << log_.failure() << "\n";
  return failed_ || !log_.failure().empty() ? 1 : 0;
}

}  // namespace runtime
