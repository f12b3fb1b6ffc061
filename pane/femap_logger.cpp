#include "pane/femap_logger.h"

#include <array>
#include <cstdlib>

namespace pane {

namespace {

constexpr std::string_view kDefaultLogFileName = "CorvaneFemapInterfaceLog.log";
constexpr std::string_view kLogSubFolder = "qubel";
const std::string kHighlightRule(70, '-');

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The levels whose messages a configured level lets through, least talkative first: a level
// writes its own messages and those of every level before it.
constexpr std::array<std::string_view, 4> kLadder = {"INFO", "DEBUG", "WARN", "ERROR"};
constexpr std::string_view kAlways = "ALWAYS";
constexpr std::string_view kNothing = "NOTHING";

int rungOf(std::string_view level) {
  for (std::size_t rung = 0; rung < kLadder.size(); ++rung) {
    if (kLadder[rung] == level) return static_cast<int>(rung);
  }
  return -1;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

FemapLogger::~FemapLogger() { DeinitialiseLogger(); }

bool FemapLogger::passes(std::string_view configured, std::string_view level) {
  if (level == kAlways || configured == kAlways) return true;
  const int configuredRung = rungOf(configured);
  const int levelRung = rungOf(level);
  return configuredRung >= 0 && levelRung >= 0 && configuredRung >= levelRung;
}

std::string FemapLogger::logFolder(std::string_view temp, std::string_view tmp) {
  std::string folder(temp.empty() ? tmp : temp);
  folder += kSeparator;
  folder += kLogSubFolder;
  return folder;
}

void FemapLogger::InitialiseLogger(std::string& strlogfilename, std::string& strlogleval) {
  LogLevel_always = "ALWAYS";
  LogLevel_info = "INFO";
  LogLevel_debug = "DEBUG";
  LogLevel_warning = "WARN";
  LogLevel_error = "ERROR";
  LogLevel_nothing = std::string(kNothing);

  if (strlogleval != kAlways && rungOf(strlogleval) < 0) strlogleval = std::string(kNothing);
  if (strlogleval == kNothing) return;
  configuredLevel_ = strlogleval;

  if (strlogfilename.empty()) strlogfilename = std::string(kDefaultLogFileName);
  const std::string folder = logFolder(environment("TEMP"), environment("TMP"));

  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::filesystem::create_directory(folder, error);  // one level only
    if (error) return;
  }
  logFilePath_ = std::filesystem::path(folder + kSeparator + strlogfilename);
  stream_.open(logFilePath_, std::ios::binary | std::ios::trunc);
  if (!stream_) return;
  enabled_ = true;
}

std::string FemapLogger::writeLog(std::string_view msgtolog) {
  if (enabled_) writeLine(configuredLevel_ + ": " + std::string(msgtolog));
  return {};
}

void FemapLogger::writeLogWithLevel(std::string_view level, std::string_view msgtolog) {
  if (!enabled_ || !passes(configuredLevel_, level)) return;
  std::string line(level);
  line += ": ";
  line += msgtolog;
  writeLine(line);
}

void FemapLogger::writeLoghighlighted(std::string_view msgtolog) {
  if (!enabled_) return;
  writeLine(kHighlightRule);
  writeLine(msgtolog);
  writeLine(kHighlightRule);
}

void FemapLogger::DeinitialiseLogger() {
  enabled_ = false;
  if (stream_.is_open()) stream_.close();
}

// Each line goes to the file at once, so the log survives a crash of the pane.
void FemapLogger::writeLine(std::string_view line) {
  stream_.write(line.data(), static_cast<std::streamsize>(line.size()));
  stream_.write("\r\n", 2);
  stream_.flush();
}

}  // namespace pane
