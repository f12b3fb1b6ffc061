#pragma once
// The results files the simulated FEMAP reads: Nastran OUTPUT2 (feFileReadNastranResults) and
// FEMAP neutral results (feFileReadNeutral), turned into output sets and vectors as FEMAP
// makes them, and the simulator's own grammar (a file whose first line is "FEMAPSIM 1", with
// outset and outvec lines only), which stays readable for tests.

#include <filesystem>
#include <string>

#include "femapsim/model.h"

namespace femapsim {

enum class ResultsFormat {
  Detect,  // by the file's first bytes
  Output2,
  Neutral,
};

struct LoadedResults {
  Model model;  // the file's output sets and vectors only, sets numbered from 1
  // Why the file gave no output set, where the file says (an OUTPUT2 file of modes only:
  // "the file holds normal modes (approach code 2), and only linear static results are read").
  std::string whyNoOutputSet;
};

// A file that cannot be read is refused whole: throws ModelFileError (own grammar, or a file
// that cannot be opened) or resultfiles::FormatError (byte offset or line).
LoadedResults loadResults(const std::filesystem::path& path, ResultsFormat format);

// The model alone.
Model loadResultsFile(const std::filesystem::path& path, ResultsFormat format);

}  // namespace femapsim
