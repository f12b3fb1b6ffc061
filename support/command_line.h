#pragma once
// The program's command line as one text: what follows the program's own name. On Windows
// that is the raw text the process was started with (GetCommandLineW), quotes and blanks as
// the caller wrote them, so that the programs split it by their own rules as the platform's
// programs do; elsewhere the arguments joined by single blanks.

#include <string>
#include <string_view>

namespace support {

std::string programCommandLine(int argc, const char* const* argv);

// The text after the program token of a raw Windows command line: the token ends at the
// closing quote when it starts with one, else at the first blank or tab; the blanks and tabs
// after it are skipped.
std::string argumentsOfRawCommandLine(std::string_view rawCommandLine);

}  // namespace support
