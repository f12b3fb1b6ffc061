#pragma once
// What a failed step says about itself: the last lines of its own output for the reason, and
// whether the failure is transient, that is likely to pass when the design runs again in a
// fresh folder:
//
// - the step could not be started (no process to be had), or it was killed by SIGKILL,
//   SIGTERM or SIGHUP (the out-of-memory killer, a node or a batch system taking it back);
// - its output ends in a message of a licence that is not to be had, a full or failing disk,
//   a resource that is temporarily unavailable, or a batch system that could not place the
//   step (the texts of transientTexts(), and those the study file adds), and the same for a
//   folder that could not be prepared.
//
// A step that ran out of its time is not transient: the same design takes as long again and
// holds its licence and processors all that time; a longer "ElapseTime:" is the cure.

#include <filesystem>
#include <string>
#include <vector>

namespace taskrun {

// The built-in texts that mark a failure transient (compared without regard to case).
const std::vector<std::string>& transientTexts();

// True for a signal that ends a process from outside (SIGKILL, SIGTERM, SIGHUP); Windows has
// none of them.
bool killedFromOutside(int signal);

// True when `text` holds one of transientTexts() or of `more` (without regard to case).
bool mentionsTransientFailure(const std::string& text, const std::vector<std::string>& more);

// The end of a step's output file: its last `lines` non-empty lines joined by " | " (each cut
// to 200 characters); "" when the file is missing or empty. `all` receives the last few
// kilobytes as they are, for the transient texts.
std::string outputTail(const std::filesystem::path& file, std::size_t lines, std::string* all = nullptr);

// "; taskrun-Nastran.out ends: "..."" for a reason, or "" when the output is empty.
std::string outputNote(const std::filesystem::path& file, const std::string& tail);

}  // namespace taskrun
