#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model.h"

namespace nastranccx {

using StressTensor = std::array<double, 6>;  // xx, yy, zz, xy, xz, yz

// The blocks of a CalculiX .dat file that one static step with
// "*NODE PRINT U, RF" and "*EL PRINT S" writes, keyed by CalculiX numbers.
struct CcxDatResults {
  bool hasDisplacements = false;
  bool hasForces = false;
  bool hasStresses = false;
  std::map<int, Vec3> displacements;
  std::map<int, Vec3> rotations;  // when the model has beams, which give every node six values
  std::map<int, Vec3> forces;
  std::map<int, std::vector<StressTensor>> stresses;  // integration points in printed order
};

// Every step's blocks, in order: a step's displacement block starts it. Throws Failure (naming
// `fileName` and the line) for rows that cannot be read, rows printed twice, and values that
// are not finite, which is how CalculiX shows a singular system.
std::vector<CcxDatResults> readCcxDat(std::string_view text, const std::string& fileName);

// Throws Failure unless the solver's own output says it finished: any "*ERROR"
// line fails, and so does a missing "Job finished".
void checkCcxLog(std::string_view text, const std::string& what);

}  // namespace nastranccx
