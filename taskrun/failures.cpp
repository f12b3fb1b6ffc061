#include "taskrun/failures.h"

#include <csignal>
#include <fstream>

#include "support/strings.h"

namespace taskrun {

const std::vector<std::string>& transientTexts() {
  static const std::vector<std::string> texts{
      "licence", "license", "no space left on device", "disk quota exceeded", "disk full",
      "input/output error", "resource temporarily unavailable", "stale file handle", "cannot allocate memory",
      "job step creation temporarily disabled", "unable to create step", "socket timed out", "node failure"};
  return texts;
}

bool killedFromOutside(int signal) {
#ifdef _WIN32
  (void)signal;
  return false;
#else
  return signal == SIGKILL || signal == SIGTERM || signal == SIGHUP;
#endif
}

bool mentionsTransientFailure(const std::string& text, const std::vector<std::string>& more) {
  std::string lower = support::toLower(text);
  for (const std::vector<std::string>* list : {&transientTexts(), &more}) {
    for (const std::string& mark : *list) {
      if (!mark.empty() && lower.find(support::toLower(mark)) != std::string::npos) return true;
    }
  }
  return false;
}

std::string outputTail(const std::filesystem::path& file, std::size_t lines, std::string* all) {
  constexpr std::streamoff kRead = 4096;
  constexpr std::size_t kLine = 200;
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  std::streamoff from = size > kRead ? size - kRead : 0;
  in.seekg(from);
  std::string text(static_cast<std::size_t>(size - from), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (all) *all = text;
  std::vector<std::string> kept;
  std::size_t end = text.size();
  while (kept.size() < lines && end > 0) {
    std::size_t start = text.rfind('\n', end - 1);
    std::size_t first = start == std::string::npos ? 0 : start + 1;
    std::string line = text.substr(first, end - first);
    if (from > 0 && start == std::string::npos) break;  // cut off at the front
    for (char& c : line) {
      if (c == '\r' || c == '\t') c = ' ';
    }
    std::string trimmed = support::trim(line);
    if (!trimmed.empty()) kept.insert(kept.begin(), trimmed.size() > kLine ? trimmed.substr(0, kLine) + "..." : trimmed);
    if (start == std::string::npos) break;
    end = start;
  }
  std::string joined;
  for (const std::string& line : kept) joined += (joined.empty() ? "" : " | ") + line;
  return joined;
}

std::string outputNote(const std::filesystem::path& file, const std::string& tail) {
  if (tail.empty()) return {};
  return "; " + file.filename().string() + " ends: \"" + tail + "\"";
}

}  // namespace taskrun
