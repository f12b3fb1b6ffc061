#pragma once
// The pane's log: one text file under the user's temporary folder, one message a line, each
// line the level name, ": " and the message, lines ended by CR LF.
//
// The configured level says how much is written, on an unusual ladder: ALWAYS writes
// everything, then ERROR, WARN, DEBUG and INFO write less and less (ERROR is the most talkative
// of the four), and NOTHING, or any name that is not one of the five, switches the log off.
// Level names are compared exactly. Any failure to create the folder or the file leaves the
// log off, silently: the pane works on without it.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace pane {

class FemapLogger {
 public:
  // Level names; empty until InitialiseLogger has run. Callers pass them to writeLogWithLevel.
  std::string LogLevel_always;
  std::string LogLevel_info;
  std::string LogLevel_debug;
  std::string LogLevel_warning;
  std::string LogLevel_error;
  std::string LogLevel_nothing;

  FemapLogger() = default;
  ~FemapLogger();
  FemapLogger(const FemapLogger&) = delete;
  FemapLogger& operator=(const FemapLogger&) = delete;

  // Opens the log. An empty file name comes back as "CorvaneFemapInterfaceLog.log", a level
  // name that is not one of the five as "NOTHING".
  void InitialiseLogger(std::string& strlogfilename, std::string& strlogleval);
  // Writes the message at the configured level; returns an empty text.
  std::string writeLog(std::string_view msgtolog);
  void writeLogWithLevel(std::string_view level, std::string_view msgtolog);
  // Writes the message between two lines of 70 hyphens, without a level, whatever the levels.
  void writeLoghighlighted(std::string_view msgtolog);
  // Closes the file; nothing is written afterwards.
  void DeinitialiseLogger();

  bool enabled() const { return enabled_; }
  const std::filesystem::path& logFilePath() const { return logFilePath_; }

  // Whether a message at `level` passes a log configured at `configured`.
  static bool passes(std::string_view configured, std::string_view level);
  // The folder of the log: TEMP, or TMP when TEMP is empty, then the separator and "qubel".
  static std::string logFolder(std::string_view temp, std::string_view tmp);

 private:
  void writeLine(std::string_view line);

  std::filesystem::path logFilePath_;
  std::string configuredLevel_;
  std::ofstream stream_;
  bool enabled_ = false;
};

}  // namespace pane
