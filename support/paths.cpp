#include "support/paths.h"

#include "support/err.h"
#include "support/strings.h"

namespace support {

namespace {

#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif

// Position of the last "\" or "/", npos when there is none.
std::size_t lastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

}  // namespace

std::string modelDirectory(std::string_view modelPath) {
  const std::size_t separator = lastSeparator(modelPath);
  if (separator == std::string_view::npos) return {};
  return std::string(modelPath.substr(0, separator + 1));
}

std::string modelBaseName(std::string_view modelPath) {
  const std::size_t separator = lastSeparator(modelPath);
  const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  const std::size_t dot = modelPath.rfind('.');
  if (dot == std::string_view::npos) return std::string(modelPath.substr(nameStart));
  // The name runs from after the last separator to the last "."; a "." in a folder name
  // would give it a negative length.
  if (dot < nameStart) throw RuntimeError("Invalid procedure call or argument");
  return std::string(modelPath.substr(nameStart, dot - nameStart));
}

std::string getFileExtension(std::string_view fileName) {
  const std::size_t separator = lastSeparator(fileName);
  const std::string_view name =
      trimView(separator == std::string_view::npos ? fileName : fileName.substr(separator + 1));
  // Splitting an empty name gives no piece at all, so there is no last piece to take.
  if (name.empty()) throw RuntimeError("Subscript out of range");
  const std::size_t dot = name.rfind('.');
  return trim(dot == std::string_view::npos ? name : name.substr(dot + 1));
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !isPathSeparator(path.back())) path.push_back(kNativeSeparator);
  path.append(name);
  return path;
}

}  // namespace support
