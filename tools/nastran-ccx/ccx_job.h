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

// What a grid must satisfy in one subcase's solution: at each translational DOF that is not
// constrained, CalculiX's internal force (its RF) equals the load applied there.
//
// Every load a subcase applies feeds `applied` at each grid it loads with the nodal force it
// puts there, in basic components, through `addApplied` (FORCE and consistent shares of
// pressures, distributed and body loads). A load whose nodal shares CalculiX works out
// differently from ours gives the size of its share as `looseness` (pressures do not: CalculiX
// is given their nodal forces themselves),
// which widens what the check allows at the grid. DOFs that rigid elements or MPCs tie carry the
// constraint forces in their internal force: mark the grid `tied`, and it is not judged.
// `fixed` is in the grid's CD components, as CalculiX's constraints are.
struct GridBalance {
  Vec3 applied{};
  double looseness = 0;
  std::array<bool, 3> fixed{};
  Vec3 enforced{};  // the value of each fixed DOF (SPC's D, SPCD)
  bool tied = false;
  void addApplied(const Vec3& force, double share = 0) {
    for (int axis = 0; axis < 3; ++axis) applied[axis] += force[axis];
    looseness += share;
  }
};

// One subcase as one CalculiX *STEP. CalculiX's linear static steps each solve from the
// undeformed model, with loads, constraints and temperatures replaced (OP=NEW), so each step
// gives its subcase's answer as if it were solved alone.
struct StepJob {
  const SubcaseSelection* subcase = nullptr;
  std::map<int, GridBalance> balance;  // by grid ID
  // The smallest force by which to judge the balance: round-off is measured against it when
  // no load is larger (pure moments, pure temperatures, enforced displacements).
  double forceScale = 0;
  // The largest stiffness times the model's size: a free DOF's displacement times this is the
  // force it would take to move it that far in a sound model (see results.cpp).
  double stiffnessScale = 0;
  // The largest displacement the step drives without force: enforced values, and thermal
  // strain times the model's size.
  double drivenDisplacement = 0;
  std::map<int, EndValues> lineLoads;  // by CBAR/CBEAM: the equivalent end loads of its PLOAD1s, element axes
};

// A Nastran model turned into a CalculiX input file, with what the run must give
// back: per step one displacement and one force row per grid, and per element a number
// of stress rows that depends on how CalculiX expands the element.
struct CcxJob {
  std::string inputText;
  IdMap nodes{{}};
  IdMap elements{{}};
  std::map<int, std::string> ccxTypes;  // by element ID: T3D2, B31, S4, S8R, M3D4, C3D10, C3D20R, ...
  std::map<int, std::vector<int>> ccxGrids;  // by element ID: its grids in CalculiX's node order
  std::vector<StepJob> steps;  // one per subcase, in the model's order
  // Line elements as CalculiX's U1 beams: every grid has rotations in the listing, rods and
  // bars get their results from the grids' motion.
  bool lineElementsAsBeams = false;
  std::map<int, int> u1PlaneQ;  // CalculiX element number -> the bar whose plane-q U1 element it is
  // The ends of bars with an offset or pin flags: a node of their own, tied to the grid.
  std::map<int, std::pair<int, int>> endNodes;  // CalculiX node -> (bar, end 0 or 1)
  std::map<int, std::size_t> layers;  // laminates, by element ID: their plies, each printing the type's rows
};

// Throws Failure for what CalculiX cannot be given: a moment on a grid without
// rotational DOFs, a pressure on a line or solid element, degenerate elements,
// grids joining materials with different reference temperatures.
CcxJob buildCcxJob(const Model& model);

// How many stress rows CalculiX prints per element of a type; a set because the
// expansion of shells has changed between CalculiX versions.
const std::set<std::size_t>& stressRowsPerElement(const std::string& ccxType);

}  // namespace nastranccx
