#pragma once
// What `taskrun --help` prints: the command line, the plans, the study file's keys, the files a
// study writes, the exit statuses and an example.

#include <string>

namespace taskrun {

extern const char kUsage[];
std::string helpText();

}  // namespace taskrun
