#pragma once
// The log of a run-time program: one file in the working directory, started afresh at the
// beginning of every run, one line per message with CR LF. Every line is on disk as soon as it
// is written, so a run that is killed leaves its own log up to that moment (never the log of
// an earlier run looking like this one's).
//
// A log that cannot be created drops its lines; the program asks failure() and reports it
// where it still can (standard error). A line that cannot be written is a failure too.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "support/err.h"

namespace runtime {

inline constexpr std::string_view kLogPrefix = "LOG: ";
inline constexpr std::string_view kErrorPrefix = "ERROR: ";

class RunLog {
 public:
  // `cleanWording` is the program's text of a checkpoint that found no pending error.
  RunLog(const std::filesystem::path& file, std::string cleanWording);
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // A line as it stands.
  void line(std::string_view text);
  // "LOG: " + text and "ERROR: " + text.
  void log(std::string_view text);
  void error(std::string_view text);
  // Reports the pending error of `err` (a three-line block) or the clean checkpoint line, and
  // clears it. Returns true when an error was pending.
  bool checkError(support::Err& err, std::string_view position);

  // Closes the log; false (see failure()) when a line could not be written.
  bool close();
  bool open() const { return file_.is_open(); }
  // Why the log could not be created or written; empty when it could.
  const std::string& failure() const { return failure_; }

 private:
  void line(std::string_view prefix, std::string_view text);
  void written();  // after each line: to disk, or the failure noted
  std::filesystem::path path_;
  std::ofstream file_;
  std::string cleanWording_;
  std::string failure_;
};

}  // namespace runtime
