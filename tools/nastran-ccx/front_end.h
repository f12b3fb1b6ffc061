#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "results.h"

namespace nastranccx {

// Where one run reads and writes.
struct RunPaths {
  std::filesystem::path deck;
  std::filesystem::path results;  // base + ".fno" for a .nas deck, else base + ".op2"
  std::string deckName;           // the deck as the command line names it
  ResultsFormat format = ResultsFormat::Output2;
};

// Picks the deck among the arguments (the last one ending in .dat, .nas or
// .bdf, else the last argument) and names the results file beside it.
// Throws Failure when there are no arguments.
RunPaths choosePaths(const std::vector<std::string>& arguments);

// The whole run: read the deck, write the CalculiX input, run ccx, check and
// read its results, write the results file. Returns the exit code: 0 on
// success; 2 after printing one line on `errors`, with no results file left.
int runFrontEnd(const std::vector<std::string>& arguments, std::ostream& errors);

}  // namespace nastranccx
