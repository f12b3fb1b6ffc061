#include "results.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "failure.h"
#include "line_results.h"
#include "composite_shells.h"
#include "numbers.h"
#include "shear_panels.h"
#include "shell_elements.h"
#include "solid_elements.h"
#include "resultfiles/femap_vectors.h"
#include "resultfiles/neutral_file.h"
#include "support/text_file.h"

namespace nastranccx {
namespace {

using resultfiles::SubcaseResults;

// A free DOF balances when internal and applied force agree to this fraction
// of the largest force in the model; pressures on warped shells are allowed a
// little more, because CalculiX spreads them over the shell's faces.
constexpr double kBalanceTolerance = 1e-4;
constexpr double kWarpedPressureTolerance = 0.05;
constexpr const char* kOutput2Label = "NX8.5";
// How far a sound model may move beyond its strains times its size, and beyond F / (E L)
// (see checkDisplacements).
constexpr double kSoundFlexibility = 1e10;
constexpr double kSlenderness = 1e4;

Vec3 minus(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 unit(const Vec3& a) {
  double length = std::sqrt(dot(a, a));
  return {a[0] / length, a[1] / length, a[2] / length};
}

// s(a, b) = a'Sb for CalculiX's components xx, yy, zz, xy, xz, yz.
double project(const StressTensor& s, const Vec3& a, const Vec3& b) {
  Vec3 sb{s[0] * b[0] + s[3] * b[1] + s[4] * b[2], s[3] * b[0] + s[1] * b[1] + s[5] * b[2],
          s[4] * b[0] + s[5] * b[1] + s[2] * b[2]};
  return dot(a, sb);
}

class ResultsMaker {
 public:
  ResultsMaker(const Model& model, const CcxJob& job, const StepJob& step, const CcxDatResults& results,
               const std::string& datName)
      : model_(model), job_(job), step_(step), results_(results), datName_(datName) {}

  SubcaseResults make() {
    if (!results_.hasDisplacements) fail("no displacement block");
    if (!results_.hasForces) fail("no force block");
    if (!results_.hasStresses) fail("no stress block");
    std::map<int, Vec3> displacements = byGrid(results_.displacements, "displacement");
    std::map<int, Vec3> forces = byGrid(results_.forces, "force");
    for (const auto& [node, row] : results_.rotations)
      if (auto grid = job_.nodes.toNastran(node)) rotations_[*grid] = row;
    std::map<int, std::vector<StressTensor>> stresses = byElement();
    std::map<int, double> roundOff;
    if (job_.lineElementsAsBeams) {
      // CalculiX's force rows are wrong at U1 nodes: the forces the elements need, from the
      // motion in basic components, back in each grid's CD components.
      for (const auto& [id, grid] : model_.grids) {
        basicDisplacements_[id] = toBasicComponents(grid, displacements.at(id));
        auto turn = rotations_.find(id);
        if (turn != rotations_.end()) basicRotations_[id] = toBasicComponents(grid, turn->second);
      }
      for (const auto& [node, end] : job_.endNodes) {
        std::array<double, 6>& motion = endMotions_[end];
        auto u = results_.displacements.find(node);
        auto turn = results_.rotations.find(node);
        if (u == results_.displacements.end() || turn == results_.rotations.end())
          fail("no displacement row for node " + std::to_string(node) + " (the end of CBAR/CBEAM " +
               std::to_string(end.first) + ")");
        for (int axis = 0; axis < 3; ++axis) motion[axis] = u->second[axis], motion[axis + 3] = turn->second[axis];
      }
      forces = lineElementGridForces(model_, basicDisplacements_, basicRotations_, endMotions_, roundOff);
      for (auto& [id, force] : forces) force = toGridComponents(model_.grids.at(id), force);
    } else {
      // Spring grids have no CD system. CalculiX's RF has the springs' forces except at the
      // nodes of the elements it expands (all but its solids).
      std::set<int> expanded;
      for (const auto& [id, element] : model_.elements)
        if (job_.ccxTypes.at(id).rfind("C3D", 0) != 0 &&
            (element.type != ElementType::Shear || !shearPanelEdgeRods(model_, element).empty()))
          expanded.insert(element.grids.begin(), element.grids.end());
      addSpringGridForces(model_, displacements, forces, roundOff, &expanded);
    }
    addShearPanelForces(displacements, forces);
    checkBalance(forces, roundOff);
    if (job_.lineElementsAsBeams) checkRigidGroups(forces, roundOff);
    checkDisplacements(displacements, forces, stresses);

    SubcaseResults subcase;
    const SubcaseSelection& selection = *step_.subcase;
    subcase.subcase = selection.id;
    subcase.loadSet = selection.loadSet.value_or(0);
    subcase.title = selection.title;
    subcase.subtitle = selection.subtitle;
    subcase.label = selection.label;
    addDisplacements(subcase, displacements);
    addSpcForces(subcase, forces);
    for (const auto& [id, element] : model_.elements) {
      if (element.type == ElementType::Shear) {
        subcase.shearPanels.push_back(
            shearPanelStress(element, shearPanelMode(model_, element), cornerDisplacements(element, displacements)));
        continue;
      }
      const std::vector<StressTensor>& points = stresses.at(id);
      if (job_.lineElementsAsBeams &&
          (element.type == ElementType::Rod || element.type == ElementType::Bar || element.type == ElementType::Beam)) {
        addLineElementResults(subcase, model_, step_, element, basicDisplacements_, basicRotations_, endMotions_, points,
                              planeQRows_[id]);
        continue;
      }
      switch (element.type) {
        case ElementType::Rod: addRodResults(subcase, model_, element, rodStress(element, points).axial); break;
        case ElementType::Bar:
        case ElementType::Beam: break;
        case ElementType::Tetra4:
        case ElementType::Tetra10: subcase.tetras.push_back(solidStress(element, job_.ccxGrids.at(id), points)); break;
        case ElementType::Penta6:
        case ElementType::Penta15: subcase.pentas.push_back(solidStress(element, job_.ccxGrids.at(id), points)); break;
        case ElementType::Hexa8:
        case ElementType::Hexa20: subcase.hexas.push_back(solidStress(element, job_.ccxGrids.at(id), points)); break;
        default: addShell(subcase, element, points); break;
      }
    }
    addSpringResults(subcase, model_, displacements);
    return subcase;
  }

 private:
  [[noreturn]] void fail(const std::string& reason) const { throw Failure(datName_ + ": " + reason); }

  std::string subcaseName() const { return "subcase " + std::to_string(step_.subcase->id); }

  std::map<int, Vec3> byGrid(const std::map<int, Vec3>& rows, const char* what) const {
    std::map<int, Vec3> result;
    for (const auto& [node, row] : rows) {
      auto grid = job_.nodes.toNastran(node);
      if (!grid && job_.endNodes.count(node)) continue;  // a bar end's own node
      if (!grid) fail(std::string(what) + " row for node " + std::to_string(node) + ", which is no grid of the deck");
      result.emplace(*grid, row);
    }
    for (const auto& [id, grid] : model_.grids)
      if (!result.count(id)) fail("no " + std::string(what) + " row for grid " + std::to_string(id));
    return result;
  }

  std::map<int, std::vector<StressTensor>> byElement() const {
    std::map<int, std::vector<StressTensor>> result;
    std::map<std::string, std::size_t> rowsByType;
    for (const auto& [number, points] : results_.stresses) {
      if (auto bar = job_.u1PlaneQ.find(number); bar != job_.u1PlaneQ.end()) {
        planeQRows_[bar->second] = points;
        continue;
      }
      auto element = job_.elements.toNastran(number);
      if (!element) fail("stress rows for element " + std::to_string(number) + ", which is no element of the deck");
      result.emplace(*element, points);
    }
    for (const auto& [id, element] : model_.elements) {
      if (element.type == ElementType::Shear) continue;  // printed by no row: see addShearPanelForces
      std::string type = job_.ccxTypes.at(id);
      auto found = result.find(id);
      std::size_t rows = found == result.end() ? 0 : found->second.size();
      std::string label = std::string(cardName(element.type)) + " " + std::to_string(id);
      std::set<std::size_t> expected = stressRowsPerElement(type);
      if (auto laminate = job_.layers.find(id); laminate != job_.layers.end()) {
        expected = {compositeRowsPerPly(type) * laminate->second};
        type += " laminate of " + std::to_string(laminate->second) + " plies";
      }
      if (!expected.count(rows))
        fail(label + " has " + std::to_string(rows) + " stress rows, which is not what a " + type + " element prints");
      auto [sameType, inserted] = rowsByType.emplace(type, rows);
      if (!inserted && sameType->second != rows)
        fail(label + " has " + std::to_string(rows) + " stress rows, other " + type + " elements have " +
             std::to_string(sameType->second));
    }
    return result;
  }

  // A shear panel's corners in basic components.
  std::array<Vec3, 4> cornerDisplacements(const Element& element, const std::map<int, Vec3>& displacements) const {
    std::array<Vec3, 4> corners{};
    for (std::size_t i = 0; i < 4; ++i) {
      int grid = element.grids[i];
      corners[i] = toBasicComponents(model_.grids.at(grid), displacements.at(grid));
    }
    return corners;
  }

  // CalculiX's internal forces leave out what a shear panel puts on its grids (the panel acts
  // through an equation on its own node): it is added from the panel's shear strain, in each
  // grid's CD components as the printed forces are, before the balance and the SPC forces.
  void addShearPanelForces(const std::map<int, Vec3>& displacements, std::map<int, Vec3>& forces) const {
    for (const auto& [id, element] : model_.elements) {
      if (element.type != ElementType::Shear) continue;
      std::array<Vec3, 4> share = shearPanelForces(shearPanelMode(model_, element), cornerDisplacements(element, displacements));
      for (std::size_t i = 0; i < 4; ++i) {
        const Grid& grid = model_.grids.at(element.grids[i]);
        Vec3 local = toGridComponents(grid, share[i]);
        for (int axis = 0; axis < 3; ++axis) forces.at(grid.id)[axis] += local[axis];
      }
    }
  }

  // Internal force (printed as RF) must equal the applied load at every free DOF. A singular
  // system solves to numbers that break this badly. Applied loads are in basic components, the
  // printed forces and the constrained DOFs in each grid's CD components.
  // `roundOff`: by grid, what the forces may be off beyond that (forces worked out here).
  void checkBalance(const std::map<int, Vec3>& forces, const std::map<int, double>& roundOff) const {
    double largest = step_.forceScale;
    for (const auto& [grid, force] : forces)
      for (double component : force) largest = std::max(largest, std::abs(component));
    for (const auto& [grid, balance] : step_.balance)
      for (int axis = 0; axis < 3; ++axis) largest = std::max(largest, std::abs(balance.applied[axis]));
    if (largest == 0) return;

    static const GridBalance kUnloaded;
    for (const auto& [grid, force] : forces) {
      auto found = step_.balance.find(grid);
      const GridBalance& balance = found == step_.balance.end() ? kUnloaded : found->second;
      if (balance.tied) continue;
      Vec3 applied = toGridComponents(model_.grids.at(grid), balance.applied);
      for (int axis = 0; axis < 3; ++axis) {
        if (balance.fixed[axis]) continue;
        double allowed = kBalanceTolerance * largest + kWarpedPressureTolerance * balance.looseness;
        if (auto extra = roundOff.find(grid); extra != roundOff.end()) allowed += extra->second;
        if (std::abs(force[axis] - applied[axis]) > allowed)
          throw Failure(model_.fileName + ": " + subcaseName() +
                        ": the model is singular or a mechanism (is it supported against every "
                        "rigid-body motion?): at grid " + std::to_string(grid) + ", direction " +
                        std::to_string(axis + 1) + ", the solution carries a force of " + formatReal(force[axis]) +
                        " where " + formatReal(applied[axis]) + " is applied");
      }
    }
  }

  // The grids a rigid element ties are not judged one by one, but together: their internal
  // forces less their loads sum to nothing, the constraint forces cancelling, unless a
  // constraint holds one of them.
  void checkRigidGroups(const std::map<int, Vec3>& forces, const std::map<int, double>& roundOff) const {
    double largest = step_.forceScale;
    for (const auto& [grid, force] : forces)
      for (double component : force) largest = std::max(largest, std::abs(component));
    std::vector<std::pair<std::string, std::vector<int>>> groups;
    for (const RigidLink& link : model_.rigidLinks) {
      groups.emplace_back("RBE2 " + std::to_string(link.id), link.dependents);
      groups.back().second.push_back(link.independent);
    }
    for (const Interpolation& interpolation : model_.interpolations) {
      groups.emplace_back("RBE3 " + std::to_string(interpolation.id), std::vector<int>{interpolation.reference});
      for (const auto& point : interpolation.points) groups.back().second.push_back(point.first);
    }
    for (const auto& group : groups) {
      const std::vector<int>& grids = group.second;
      Vec3 residual{};
      double allowed = kBalanceTolerance * largest;
      bool held = false;
      for (int grid : grids) {
        auto balance = step_.balance.find(grid);
        Vec3 applied = balance == step_.balance.end() ? Vec3{} : balance->second.applied;
        if (balance != step_.balance.end())
          for (bool fixed : balance->second.fixed) held = held || fixed;
        for (int axis = 0; axis < 3; ++axis) residual[axis] += forces.at(grid)[axis] - applied[axis];
        if (auto extra = roundOff.find(grid); extra != roundOff.end()) allowed += extra->second;
      }
      if (held) continue;
      for (int axis = 0; axis < 3; ++axis)
        if (std::abs(residual[axis]) > allowed)
          throw Failure(model_.fileName + ": " + subcaseName() +
                        ": the model is singular or a mechanism (is it supported against every rigid-body motion?): "
                        "the grids of " + group.first + " carry a force of " +
                        formatReal(residual[axis]) + " in direction " + std::to_string(axis + 1) +
                        " beyond their loads");
    }
  }

  // A mechanism loaded gently balances to round-off, but its free motion is out of all
  // proportion to how much the model deforms. CalculiX's solver (SPOOLES) replaces a zero pivot
  // by a tiny one without a word, so a free part moves by about its load over that pivot while
  // hardly straining. A sound structure's displacements are its strains summed along it: at
  // most the largest strain times its size L times its slenderness (a cantilever's tip moves
  // 2/3 eps L (L / h), a plate's centre about 0.2 eps a (a / t)). kSlenderness (1e4) is far
  // beyond real structures, and mechanisms show 1e8 and more. The strain is the largest stress
  // component over E in any element; what the step drives without strain (enforced values,
  // thermal growth) is allowed the same factor. Elements whose deformation their stresses do
  // not show (springs, bushes: property types other than rod, bar, shell, solid) make this
  // bound unusable, and then only the force bound applies: kSoundFlexibility (1e10) times
  // F / (E L), F the largest force on the model, E its stiffest material (a cantilever reaches
  // 4 (L / h)^4 F / (E L), a plate 0.2 (a / t)^3 F / (E L)). Grids where only rods meet are
  // checked exactly before the solution (free_directions.h).
  void checkDisplacements(const std::map<int, Vec3>& displacements, const std::map<int, Vec3>& forces,
                          const std::map<int, std::vector<StressTensor>>& stresses) const {
    double largestForce = step_.forceScale;
    for (const auto& [grid, force] : forces)
      for (double component : force) largestForce = std::max(largestForce, std::abs(component));
    if (step_.stiffnessScale <= 0) return;
    double size = step_.stiffnessScale / largestModulus();
    double bound = kSoundFlexibility * largestForce / step_.stiffnessScale;
    if (auto strain = largestStrain(stresses)) bound = std::min(bound, kSlenderness * *strain * size);
    bound = std::max(bound, kSlenderness * step_.drivenDisplacement);
    if (bound <= 0) return;
    std::vector<std::pair<int, int>> free;  // (grid, direction) beyond the bound
    double worst = 0;
    for (const auto& [grid, u] : displacements)
      for (int axis = 0; axis < 3; ++axis)
        if (std::abs(u[axis]) > bound) {
          free.emplace_back(grid, axis + 1);
          worst = std::max(worst, std::abs(u[axis]));
        }
    if (free.empty()) return;
    std::string where;
    for (std::size_t i = 0; i < free.size() && i < 8; ++i)
      where += (i ? ", grid " : "grid ") + std::to_string(free[i].first) + " T" + std::to_string(free[i].second);
    if (free.size() > 8) where += " and " + std::to_string(free.size() - 8) + " more";
    throw Failure(model_.fileName + ": " + subcaseName() + ": the stiffness is singular (a mechanism): " + where +
                  " free, moving up to " + formatReal(worst) + ", beyond any sound response to the loads (" +
                  formatReal(bound) + ")");
  }

  double largestModulus() const {
    double largest = 0;
    for (const auto& [id, material] : model_.materials) largest = std::max(largest, material.youngsModulus);
    return largest;
  }

  // The largest stress component over E in any element; nullopt when an element's deformation
  // does not show in stresses.
  std::optional<double> largestStrain(const std::map<int, std::vector<StressTensor>>& stresses) const {
    // Springs stretch without stress; U1 elements print section forces, not stresses.
    if (!model_.springs.empty() || job_.lineElementsAsBeams) return std::nullopt;
    double largest = 0;
    for (const auto& [id, element] : model_.elements) {
      const Property& property = model_.properties.at(element.propertyId);
      if (property.type != PropertyType::Rod && property.type != PropertyType::Bar &&
          property.type != PropertyType::Shell && property.type != PropertyType::Solid)
        return std::nullopt;
      auto points = stresses.find(id);
      if (points == stresses.end()) continue;
      double modulus = model_.materials.at(property.materialId).youngsModulus;
      for (const StressTensor& stress : points->second)
        for (double component : stress) largest = std::max(largest, std::abs(component) / modulus);
    }
    return largest;
  }

  void addSpcForces(SubcaseResults& subcase, const std::map<int, Vec3>& forces) const {
    for (const auto& [grid, force] : forces) {
      auto balance = step_.balance.find(grid);
      if (balance == step_.balance.end()) continue;
      const std::array<bool, 3>& fixed = balance->second.fixed;
      if (!fixed[0] && !fixed[1] && !fixed[2]) continue;
      // CalculiX's RF is the internal force K u; the constraint supplies what the loads at the
      // DOF do not.
      Vec3 applied = toGridComponents(model_.grids.at(grid), balance->second.applied);
      resultfiles::GridValues row;
      row.grid = grid;
      for (int axis = 0; axis < 3; ++axis)
        row.values[axis] = fixed[axis] ? static_cast<float>(force[axis] - applied[axis]) : 0.0f;
      subcase.spcForces.push_back(row);
    }
  }

  const Vec3& position(int grid) const { return model_.grids.at(grid).position; }

  void addDisplacements(SubcaseResults& subcase, const std::map<int, Vec3>& displacements) const {
    subcase.displacements.reserve(displacements.size());
    for (auto [grid, u] : displacements) {
      // A constrained DOF is where it is held; CalculiX prints round-off there.
      if (auto balance = step_.balance.find(grid); balance != step_.balance.end())
        for (int axis = 0; axis < 3; ++axis)
          if (balance->second.fixed[axis]) u[axis] = balance->second.enforced[axis];
      resultfiles::GridValues row;
      row.grid = grid;
      for (int axis = 0; axis < 3; ++axis) row.values[axis] = static_cast<float>(u[axis]);
      if (auto turn = rotations_.find(grid); turn != rotations_.end())
        for (int axis = 0; axis < 3; ++axis) row.values[axis + 3] = static_cast<float>(turn->second[axis]);
      subcase.displacements.push_back(row);
    }
  }

  resultfiles::RodStress rodStress(const Element& element, const std::vector<StressTensor>& points) const {
    Vec3 n = unit(minus(position(element.grids[1]), position(element.grids[0])));
    double sum = 0;
    for (const StressTensor& stress : points) sum += project(stress, n, n);
    resultfiles::RodStress rod;
    rod.element = element.id;
    rod.axial = static_cast<float>(sum / static_cast<double>(points.size()));
    return rod;
  }

  // A shell's centre (and, where its type has them, corner) stresses, and for CQUAD4 and
  // CTRIA3 its forces per unit length.
  void addShell(SubcaseResults& subcase, const Element& element, const std::vector<StressTensor>& points) const {
    if (model_.properties.at(element.propertyId).composite()) {
      addLaminate(subcase, element, points);
      return;
    }
    bool quad4Corners = element.type == ElementType::Quad4 && step_.subcase->quad4Corners;
    ShellResults shell = shellResults(model_, element, points, shellHasCorners(element.type) || quad4Corners);
    switch (element.type) {
      case ElementType::Quad4:
        if (quad4Corners)
          subcase.quads.push_back(shell.centre, shell.corners);
        else
          subcase.quads.push_back(shell.centre);
        subcase.quadForces.push_back({element.id, shell.forces});
        break;
      case ElementType::Tria3:
        subcase.trias.push_back(shell.centre);
        subcase.triaForces.push_back({element.id, shell.forces});
        break;
      case ElementType::Quad8: subcase.quad8s.push_back(shell.centre, shell.corners); break;
      case ElementType::Tria6: subcase.tria6s.push_back(shell.centre, shell.corners); break;
      case ElementType::QuadR: subcase.quadRs.push_back(shell.centre, shell.corners); break;
      case ElementType::TriaR: subcase.triaRs.push_back(shell.centre, shell.corners); break;
      default: break;
    }
  }

  // A laminate's plies (OES1C) and forces, for CQUAD4 and CTRIA3; Nastran writes no OES1X
  // entry for a laminate.
  void addLaminate(SubcaseResults& subcase, const Element& element, const std::vector<StressTensor>& points) const {
    CompositeResults laminate = compositeResults(model_, element, points);
    if (element.type == ElementType::Quad4) {
      subcase.quadPlies.measure = resultfiles::StressMeasure::MaxShear;
      for (const resultfiles::PlyStress& ply : laminate.plies) subcase.quadPlies.push_back(ply);
      subcase.quadForces.push_back({element.id, laminate.forces});
    } else if (element.type == ElementType::Tria3) {
      subcase.triaPlies.measure = resultfiles::StressMeasure::MaxShear;
      for (const resultfiles::PlyStress& ply : laminate.plies) subcase.triaPlies.push_back(ply);
      subcase.triaForces.push_back({element.id, laminate.forces});
    }
  }

  const Model& model_;
  const CcxJob& job_;
  const StepJob& step_;
  const CcxDatResults& results_;
  std::map<int, Vec3> rotations_;  // by grid, when the model has beams
  std::map<int, Vec3> basicDisplacements_, basicRotations_;  // U1 models: the motion in basic components
  EndMotions endMotions_;
  mutable std::map<int, std::vector<StressTensor>> planeQRows_;  // by bar: the rows of its plane-q U1 element
  std::string datName_;
};

}  // namespace

SubcaseResults makeSubcaseResults(const Model& model, const CcxJob& job, const StepJob& step,
                                  const CcxDatResults& results, const std::string& datName) {
  return ResultsMaker(model, job, step, results, datName).make();
}

std::string formatResultsFile(const std::vector<SubcaseResults>& subcases, ResultsFormat format,
                              const resultfiles::Op2Date& date) {
  if (format == ResultsFormat::Output2)
    return resultfiles::writeOp2(resultfiles::makeOp2File(subcases, date, kOutput2Label));
  resultfiles::NeutralFile file;
  for (std::size_t i = 0; i < subcases.size(); ++i)
    file.sets.push_back(resultfiles::outputSetFor(subcases[i], static_cast<int>(i) + 1));
  return resultfiles::writeNeutral(file);
}

void writeFileAtomically(const std::filesystem::path& target, const std::string& content) {
  try {
    support::writeFileAtomically(target, content);
  } catch (const std::exception& error) {
    throw Failure(target.string() + ": cannot write the results file: " + error.what());
  }
}

}  // namespace nastranccx
