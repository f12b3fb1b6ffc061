#pragma once

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "line_elements.h"
#include "model.h"

namespace nastranccx {

// Numbers for CalculiX: the Nastran IDs themselves when they are small, else
// 1..n in ascending ID order, because CalculiX sizes its arrays by the largest
// node and element number.
class IdMap {
 public:
  explicit IdMap(std::vector<int> ascendingIds);
  int toCcx(int id) const;
  std::optional<int> toNastran(int ccxNumber) const;
  const std::vector<int>& ids() const { return ids_; }

 private:
  std::vector<int> ids_;
  bool identity_ = true;
};

// What a grid must satisfy in the solution: at each translational DOF that is
// not constrained, the internal force equals the applied load.
struct GridBalance {
  Vec3 pointForce{};      // FORCE cards
  Vec3 pressureForce{};   // consistent nodal share of PLOAD4 pressures (exact for flat elements)
  double pressureShare = 0;  // size of that share, to allow for warped elements
  std::array<bool, 3> fixed{};
  // Tied by a rigid element: the forces there include the constraint's, which the listing
  // does not give, so the DOF is not judged (it does move).
  std::array<bool, 3> tied{};
};

// A Nastran model turned into a CalculiX input file, with what the run must give
// back: one displacement and one force row per grid, and per element a number
// of stress rows that depends on how CalculiX expands the element.
struct CcxJob {
  std::string inputText;
  IdMap nodes{{}};
  IdMap elements{{}};
  std::map<int, std::string> ccxTypes;  // by element ID: T3D2, B31, S4, S3, C3D4, C3D8
  std::map<int, std::vector<int>> ccxGrids;  // by element ID: its grids in CalculiX's node order
  std::map<int, GridBalance> balance;   // by grid ID
  // Line elements as CalculiX's U1 beams: every grid has rotations in the listing, rods and
  // bars get their results from the grids' motion.
  bool lineElementsAsBeams = false;
  std::map<int, int> u1PlaneQ;  // CalculiX element number -> the bar whose plane-q U1 element it is
  std::map<int, EndValues> lineLoads;  // by CBAR/CBEAM: the equivalent end loads of its PLOAD1s, element axes
  // The smallest force by which to judge the balance: round-off is measured
  // against it when no load is larger (pure moments, pure temperatures).
  double forceScale = 0;
};

// Throws Failure for what CalculiX cannot be given: a moment on a grid without
// rotational DOFs, a pressure on a line or solid element, degenerate elements,
// grids joining materials with different reference temperatures.
CcxJob buildCcxJob(const Model& model);

// How many stress rows CalculiX prints per element of a type; a set because the
// expansion of shells has changed between CalculiX versions.
const std::set<std::size_t>& stressRowsPerElement(const std::string& ccxType);

}  // namespace nastranccx
