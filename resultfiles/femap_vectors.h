#pragma once
// Output sets and vectors as FEMAP holds results: one set per subcase, one vector per
// quantity, with the IDs and titles FEMAP gives Nastran's results when it reads them.

#include <string>
#include <vector>

#include "resultfiles/op2_tables.h"

namespace resultfiles {

inline constexpr int kNodalOutput = 7;
inline constexpr int kElementalOutput = 8;

struct OutputVector {
  int id = 0;
  std::string title;
  int entityType = kNodalOutput;  // 7 nodes, 8 elements
  int outputType = 0;             // 1 displacement, 4 stress
  std::vector<int> entities;      // ascending
  std::vector<double> values;
};

struct OutputSet {
  int id = 1;
  std::string title;
  int subcase = 0;  // the Nastran subcase, 0 when unknown
  std::vector<OutputVector> vectors;
};

// The output set FEMAP makes of one subcase: nodal vectors 1-8 (total, T1-T3 translation,
// total, R1-R3 rotation) when the subcase has displacements; then the element vectors of
// the stress entries it has: CROD 3022-3025; CQUAD4 and CTRIA3 fibres, top (Z2) 7020-7033
// and bottom (Z1) 9020-9033; CTETRA and CHEXA centre values 60020-60031. Every real is
// taken as the shortest decimal that reads back to the same single-precision value, so a
// value the solver printed with 7 digits comes back as printed.
OutputSet outputSetFor(const SubcaseResults& subcase, int setId);

// The set's title for a subcase read from an OUTPUT2 file.
std::string outputSetTitle(int subcase);

// The double whose shortest text is that of `value` (1.2e-05f gives 1.2e-05).
double widen(float value);

}  // namespace resultfiles
