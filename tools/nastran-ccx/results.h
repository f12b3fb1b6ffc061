#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ccx_job.h"
#include "ccx_output.h"
#include "model.h"

namespace nastranccx {

struct OutputVector {
  int id = 0;
  std::string title;
  std::vector<int> entities;  // ascending
  std::vector<double> values;
};

struct OutputSet {
  int id = 1;
  std::string title;
  std::vector<OutputVector> vectors;
};

// Vector IDs and titles of the results file.
inline constexpr int kTotalTranslationId = 1;
inline constexpr int kRodAxialStressId = 3022;
inline constexpr int kPlateVonMisesId = 7033;
inline constexpr int kSolidVonMisesId = 60031;

// Turns CalculiX's rows into the output set, after checking that the run is
// whole and sound: one displacement and force row per grid, the expected stress
// rows per element, and equilibrium at every free translational DOF (a singular
// model solves to numbers that do not balance the loads). Throws Failure.
OutputSet makeOutputSet(const Model& model, const CcxJob& job, const CcxDatResults& results,
                        const std::string& datName);

// The results file's text: "FEMAPSIM 1", the outset line and one outvec line per
// vector, CR LF line ends.
std::string formatResultsFile(const OutputSet& set);

// Writes beside the target under a temporary name and renames it over the
// target, so that a reader never sees half a file. Throws Failure.
void writeFileAtomically(const std::filesystem::path& target, const std::string& content);

}  // namespace nastranccx
