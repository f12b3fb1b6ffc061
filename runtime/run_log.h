#pragma once
// The log of a run-time program: one file in the working directory, created anew by every
// run, one line per message with CR LF. Lines are collected beside the target and replace
// it when the log is closed, so an earlier run's log is never left half overwritten.
//
// A log that cannot be created drops its lines; the program asks failure() and reports it
// where it still can (standard error).

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "support/err.h"
#include "support/text_file.h"

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

  // Replaces the log file with the lines written; false (see failure()) when it could not.
  bool close();
  bool open() const { return writer_ != nullptr; }
  // Why the log could not be created or written; empty when it could.
  const std::string& failure() const { return failure_; }

 private:
  void line(std::string_view prefix, std::string_view text);
  std::unique_ptr<support::TextFileWriter> writer_;
  std::string cleanWording_;
  std::string failure_;
};

}  // namespace runtime
