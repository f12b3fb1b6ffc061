#include "runtime/run.h"

#include <filesystem>
#include <iostream>

#include "femap/connect.h"
#include "femap/return_codes.h"
#include "runtime/working_directory.h"
#include "support/paths.h"
#include "support/text_file.h"

namespace runtime {

Run::Run(std::string_view program, std::string_view commandLine, std::string_view logName,
         std::string checkWording)
    : program_(program),
      workingDirectory_(runtime::workingDirectory(commandLine)),
      logPath_(support::joinPath(workingDirectory_, logName)),
      log_(logPath_, std::move(checkWording)) {}

bool Run::logOpen() {
  if (log_.open()) return true;
  std::cerr << program_ << ": " << log_.failure() << "\n";
  return false;
}

std::string Run::inWorkingDirectory(std::string_view name) const {
  return support::joinPath(workingDirectory_, name);
}

std::string Run::pathOf(std::string_view name) const {
  if (std::filesystem::path(name).is_absolute()) return std::string(name);
  return inWorkingDirectory(name);
}

void Run::removeLeftovers(const std::vector<std::string>& targets) {
  std::vector<std::filesystem::path> paths{logPath_};
  for (const std::string& target : targets) {
    if (!target.empty()) paths.emplace_back(target);
  }
  for (const std::filesystem::path& removed : support::removeAbandonedTemporaries(paths)) {
    log(" Removed " + removed.string() + ", left by an earlier run that did not finish");
  }
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
