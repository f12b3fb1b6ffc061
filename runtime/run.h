#pragma once
// What every step of a Modprep or Respull run shares: the working directory, the run log,
// the pending error of the resume-after-error policy, the FEMAP application, and whether
// the run has failed.
//
// A run has failed when it could not do its job: it wrote an error line (error()), a
// checkpoint found a pending error (CheckError), or a step said so (fail()). The exit
// status tells the caller: 0 for a run that did its job, 1 otherwise.

#include <string>
#include <string_view>
#include <vector>

#include "femap/wrappers.h"
#include "runtime/run_log.h"
#include "support/err.h"

namespace runtime {

enum class FemapConnection { Attached, Created, Unavailable };

class Run {
 public:
  // Opens the log `logName` in the working directory given by the command line. `program`
  // names the program in the few messages that cannot go to the log (standard error).
  Run(std::string_view program, std::string_view commandLine, std::string_view logName,
      std::string checkWording);

  // False when the log could not be created; the reason has then gone to standard error.
  bool logOpen();

  const std::string& workingDirectory() const { return workingDirectory_; }
  // The working directory joined with `name`.
  std::string inWorkingDirectory(std::string_view name) const;

  // Log lines: "LOG: " + text; "ERROR: " + text (the run has then failed); a line as it stands.
  void log(std::string_view text) { log_.log(text); }
  void error(std::string_view text);
  void writeLine(std::string_view text) { log_.line(text); }
  // Reports and clears the pending error; a reported error fails the run.
  void CheckError(std::string_view position);
  void fail() { failed_ = true; }
  bool failed() const { return failed_; }
  const RunLog& runLog() const { return log_; }
  RunLog& runLog() { return log_; }

  // Attaches to a running FEMAP, else starts one. Attached: messages go to FEMAP's message
  // window (`messagesToFemap`); started: they don't, and `femapCreatedHere` is set.
  FemapConnection connectFemap();
  const femap::Application& femap() const { return femap_; }
  bool messagesToFemap() const { return messagesToFemap_; }
  bool femapCreatedHere() const { return femapCreatedHere_; }
  // Sends `text` to FEMAP's message window in the error colour, only while messagesToFemap.
  void message(std::string_view text);
  // Drops this run's reference to FEMAP (a FEMAP it started then ends with its last one).
  void releaseFemap() { femap_ = femap::Application(); }

  // The working directory joined with `name`, or `name` as it stands when it is absolute.
  std::string pathOf(std::string_view name) const;
  // Removes the temporary files that a run killed before it finished left beside this run's
  // log and `targets` (see support::removeAbandonedTemporaries), with a log line for each.
  void removeLeftovers(const std::vector<std::string>& targets);

  // Closes the log and answers the exit status: 0 when the run did its job, else 1. A log
  // that cannot be written is reported on standard error.
  int finish();

  support::Err err;

 private:
  std::string program_;
  std::string workingDirectory_;
  std::string logPath_;
  RunLog log_;
  femap::Application femap_;
  bool messagesToFemap_ = true;
  bool femapCreatedHere_ = false;
  bool failed_ = false;
};

}  // namespace runtime
