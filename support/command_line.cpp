#include "support/command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "support/wide_text.h"
#endif

namespace support {

std::string argumentsOfRawCommandLine(std::string_view rawCommandLine) {
  std::size_t position = 0;
  if (!rawCommandLine.empty() && rawCommandLine.front() == '"') {
    const std::size_t closing = rawCommandLine.find('"', 1);
    position = closing == std::string_view::npos ? rawCommandLine.size() : closing + 1;
  } else {
    while (position < rawCommandLine.size() && rawCommandLine[position] != ' ' &&
           rawCommandLine[position] != '\t') {
      ++position;
    }
  }
  while (position < rawCommandLine.size() &&
         (rawCommandLine[position] == ' ' || rawCommandLine[position] == '\t')) {
    ++position;
  }
  return std::string(rawCommandLine.substr(position));
}

std::string programCommandLine([[maybe_unused]] int argc,
                               [[maybe_unused]] const char* const* argv) {
#ifdef _WIN32
  return argumentsOfRawCommandLine(fromWide(GetCommandLineW()));
#else
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return commandLine;
#endif
}

}  // namespace support
