#include "runtime/working_directory.h"

#include <filesystem>
#include <system_error>

#include "support/command_line.h"
#include "support/paths.h"

namespace runtime {

std::string commandLineOf(int argc, const char* const* argv) {
  return support::programCommandLine(argc, argv);
}

std::string workingDirectory(std::string_view commandLine) {
  if (!commandLine.empty()) return std::string(commandLine);
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  if (error) return ".";
  std::string directory = current.string();
  while (directory.size() > 1 && support::isPathSeparator(directory.back())) directory.pop_back();
  return directory;
}

bool fileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::optional<std::string> findFile(std::string_view workingDirectory, std::string_view name) {
  std::string inDirectory = support::joinPath(workingDirectory, name);
  if (fileExists(inDirectory)) return inDirectory;
  std::string asWritten(name);
  if (fileExists(asWritten)) return asWritten;
  return std::nullopt;
}

}  // namespace runtime
