#pragma once
// The ProgID probe: answers in a one-line result file whether an automation object can be
// created from a ProgID. The command line is the result file's path and the ProgID joined
// by "$$" (further "$$" parts are ignored; nothing is trimmed).
//
// Creation goes through the creator given (on Windows COM, elsewhere the in-process ProgID
// registry); any failure of it is the answer "does not exist". The created object is held
// until the probe is destroyed, as a program holds it until it ends.

#include <functional>
#include <ostream>
#include <string_view>

#include "femap/object.h"

namespace regprobe {

inline constexpr std::string_view kProgIdExists = "0 : The Prog ID exist.";
inline constexpr std::string_view kProgIdMissing = "1 : The Prog ID does not exist.";

// Exit statuses: the answer was written; the result file could not be written; the command
// line is not "RESULT_FILE$$PROGID".
inline constexpr int kAnswered = 0;
inline constexpr int kNoResultFile = 1;
inline constexpr int kUsage = 2;

class Probe {
 public:
  using Creator = std::function<femap::Object(std::string_view progId)>;
  explicit Probe(Creator create);

  // Runs the probe; problems that leave no answer go to `diagnostics`, one line each.
  int run(std::string_view commandLine, std::ostream& diagnostics);

 private:
  Creator create_;
  femap::Object created_;
};

}  // namespace regprobe
