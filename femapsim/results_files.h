#pragma once
// The results files the simulated FEMAP reads: Nastran OUTPUT2 (feFileReadNastranResults) and
// FEMAP neutral results (feFileReadNeutral), turned into output sets and vectors as FEMAP
// makes them, and the simulator's own grammar (a file whose first line is "FEMAPSIM 1", with
// outset and outvec lines only), which stays readable for tests.

#include <filesystem>

#include "femapsim/model.h"

namespace femapsim {

enum class ResultsFormat {
  Detect,   // by the file's first bytes
  Output2,
  Neutral,
};

// A model holding only the file's output sets and vectors, sets numbered from 1. A file that
// cannot be read is refused whole: throws ModelFileError (own grammar, or a file that cannot be
// opened) or resultfiles::FormatError (byte offset or line).
Model loadResultsFile(const std::filesystem::path& path, ResultsFormat format);

}  // namespace femapsim
