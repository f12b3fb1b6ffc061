#include "regprobe/probe.h"

#include <exception>
#include <memory>
#include <string>

#include "support/strings.h"
#include "support/text_file.h"

namespace regprobe {

Probe::Probe(Creator create) : create_(std::move(create)) {}

int Probe::run(std::string_view commandLine, std::ostream& diagnostics) {
  if (commandLine.find("$$") == std::string_view::npos) {
    diagnostics << "Usage: Regprobe RESULT_FILE$$PROGID\n";
    return kUsage;
  }
  const std::vector<std::string> parts = support::split(commandLine, "$$");
  const std::string& resultFile = parts[0];
  const std::string& progId = parts[1];

  std::unique_ptr<support::TextFileWriter> result;
  try {
    result = std::make_unique<support::TextFileWriter>(resultFile);
  } catch (const std::exception& failure) {
    diagnostics << "Regprobe: " << failure.what() << "\n";
    return kNoResultFile;
  }
  bool created = false;
  try {
    created_ = create_(progId);
    created = static_cast<bool>(created_);
  } catch (...) {
    created = false;
  }
  result->writeLine(created ? kProgIdExists : kProgIdMissing);
  try {
    result->commit();
  } catch (const std::exception& failure) {
    diagnostics << "Regprobe: " << failure.what() << "\n";
    return kNoResultFile;
  }
  return kAnswered;
}

}  // namespace regprobe
