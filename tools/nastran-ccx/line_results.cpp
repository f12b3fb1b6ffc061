#include "line_results.h"

#include <cmath>

#include "failure.h"
#include "line_elements.h"

namespace nastranccx {
namespace {

// The motion is printed to 7 digits: forces summed from it may be off by this much of the
// sizes of their terms.
constexpr double kListingPrecision = 2e-6;

double springForce(const Spring& spring, const std::map<int, Vec3>& displacements) {
  double stretch = displacements.at(spring.grids[0])[spring.components[0] - 1];
  if (spring.grids[1] != 0) stretch -= displacements.at(spring.grids[1])[spring.components[1] - 1];
  return spring.stiffness * stretch;
}

double dot3(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

std::array<double, 6> motionOf(int grid, const std::map<int, Vec3>& displacements, const std::map<int, Vec3>& rotations) {
  std::array<double, 6> motion{};
  const Vec3& u = displacements.at(grid);
  auto turn = rotations.find(grid);
  for (int axis = 0; axis < 3; ++axis) {
    motion[axis] = u[axis];
    motion[axis + 3] = turn == rotations.end() ? 0 : turn->second[axis];
  }
  return motion;
}

double rodStretch(const Model& model, const Element& element, const std::array<double, 6>& a,
                  const std::array<double, 6>& b, Vec3& unitAxis, double& length) {
  const Vec3& pa = model.grids.at(element.grids[0]).position;
  const Vec3& pb = model.grids.at(element.grids[1]).position;
  Vec3 along{pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
  length = std::sqrt(along[0] * along[0] + along[1] * along[1] + along[2] * along[2]);
  double stretch = 0;
  for (int axis = 0; axis < 3; ++axis) {
    unitAxis[axis] = along[axis] / length;
    stretch += (b[axis] - a[axis]) * unitAxis[axis];
  }
  return stretch;
}

// A U1 element's rows, at end A and B, are the tensor of its section forces in its axes
// (x, its direction e2, e3 = x cross e2), turned into the basic system: along x x the axial
// force N, along e2 e2 -E I11 times the curvature about e3, which is minus the internal
// moment about e3. The plane-p element's e3 is q, the plane-q element's is -p.
double along(const std::array<double, 6>& s, const Vec3& e) {
  Vec3 se{s[0] * e[0] + s[3] * e[1] + s[4] * e[2], s[3] * e[0] + s[1] * e[1] + s[5] * e[2],
          s[4] * e[0] + s[5] * e[1] + s[2] * e[2]};
  return dot3(e, se);
}
EndValues endForcesFromSectionForces(const BarFrame& frame, const BeamSection& section, double youngsModulus,
                                     double shearModulus, const std::vector<std::array<double, 6>>& rows,
                                     const std::vector<std::array<double, 6>>& planeQRows, const EndValues& equivalent,
                                     double torqueAtA) {
  U1Section u1 = u1Section(frame, section, youngsModulus, shearModulus);
  double c = dot3(u1.direction, frame.y), s = dot3(u1.direction, frame.z);
  double share = 1 / u1.scale;  // the element's part of the section's stiffness
  // Nastran's M1 = -Mz and M2 = My (internal moments on the face towards end B), turned
  // from the principal axes p (U1's direction) and q back to y and z.
  const Vec3& p = u1.direction;
  Vec3 q{frame.x[1] * p[2] - frame.x[2] * p[1], frame.x[2] * p[0] - frame.x[0] * p[2], frame.x[0] * p[1] - frame.x[1] * p[0]};
  auto moments = [&](const std::array<double, 6>& row, const std::array<double, 6>& rowQ) {
    double alongP = share * along(rowQ, q), alongQ = -share * along(row, p);  // internal moment about p and q
    double my = c * alongP - s * alongQ, mz = s * alongP + c * alongQ;
    return std::array<double, 2>{-mz, my};  // M1, M2
  };
  auto [m1A, m2A] = moments(rows[0], planeQRows[0]);
  auto [m1B, m2B] = moments(rows[1], planeQRows[1]);
  double length = frame.length;
  EndValues f{};
  f[0] = -share * (along(rows[0], frame.x) + along(planeQRows[0], frame.x));
  f[6] = share * (along(rows[1], frame.x) + along(planeQRows[1], frame.x));
  f[3] = torqueAtA;
  f[9] = -torqueAtA - (equivalent[3] + equivalent[9]);
  // End moments the grids put on the element: Mz_A = M1A, Mz_B = -M1B, My_A = -M2A, My_B = M2B.
  f[5] = m1A, f[11] = -m1B, f[4] = -m2A, f[10] = m2B;
  // U1's section forces come from the motion alone: less the equivalent loads, as Nastran's.
  for (int i : {0, 4, 5, 6, 10, 11}) f[i] -= equivalent[i];
  // Moment equilibrium of the element about end A with the loads along it, whose resultant
  // the equivalent end loads carry.
  double spanZ = equivalent[5] + equivalent[11] + length * equivalent[7];
  double spanY = equivalent[4] + equivalent[10] - length * equivalent[8];
  f[7] = -(f[5] + f[11] + spanZ) / length;
  f[1] = -f[7] - (equivalent[1] + equivalent[7]);
  f[8] = (f[4] + f[10] + spanY) / length;
  f[2] = -f[8] - (equivalent[2] + equivalent[8]);
  return f;
}

}  // namespace

std::array<double, 6> endMotion(const Element& element, int end, const std::map<int, Vec3>& displacements,
                                const std::map<int, Vec3>& rotations, const EndMotions& ends) {
  auto own = ends.find({element.id, end});
  return own != ends.end() ? own->second : motionOf(element.grids[end], displacements, rotations);
}

std::map<int, Vec3> lineElementGridForces(const Model& model, const std::map<int, Vec3>& displacements,
                                          const std::map<int, Vec3>& rotations, const EndMotions& ends,
                                          std::map<int, double>& roundOff) {
  std::map<int, Vec3> forces;
  for (const auto& [id, grid] : model.grids) forces[id] = Vec3{}, roundOff[id] = 0;
  for (const auto& entry : model.elements) {
    const Element& element = entry.second;  // named, not bound: the lambda below takes it
    if (element.type != ElementType::Rod && element.type != ElementType::Bar && element.type != ElementType::Beam)
      continue;
    const Property& property = model.properties.at(element.propertyId);
    const Material& material = model.materials.at(property.materialId);
    // An offset or pinned end passes its force to the grid unchanged (its moment differs).
    std::array<double, 6> a = endMotion(element, 0, displacements, rotations, ends);
    std::array<double, 6> b = endMotion(element, 1, displacements, rotations, ends);
    // The forces of the motion of both ends, and of each end alone, whose sizes bound round-off.
    auto endForces = [&](const std::array<double, 6>& atA, const std::array<double, 6>& atB) {
      EndValues basic{};
      if (element.type == ElementType::Rod) {
        Vec3 n{};
        double length = 0;
        double axial = material.youngsModulus * property.area * rodStretch(model, element, atA, atB, n, length) / length;
        for (int axis = 0; axis < 3; ++axis) basic[axis] = -axial * n[axis], basic[6 + axis] = axial * n[axis];
        return basic;
      }
      std::optional<BarFrame> frame = barFrameOf(model, element);
      if (!frame) return basic;
      double shear = material.youngsModulus / (2 * (1 + material.poissonRatio));
      return toBasic(*frame, barEndForces(*frame, property.section, material.youngsModulus, shear,
                                          toElementAxes(*frame, atA, atB), EndValues{}));
    };
    EndValues basic = endForces(a, b);
    EndValues ofA = endForces(a, std::array<double, 6>{});
    EndValues ofB = endForces(std::array<double, 6>{}, b);
    for (int end = 0; end < 2; ++end) {
      Vec3& total = forces[element.grids[end]];
      double size = 0;
      for (int axis = 0; axis < 3; ++axis) {
        total[axis] += basic[6 * end + axis];
        size += std::abs(ofA[6 * end + axis]) + std::abs(ofB[6 * end + axis]);
      }
      roundOff[element.grids[end]] += kListingPrecision * size;
    }
  }
  addSpringGridForces(model, displacements, forces, roundOff);
  return forces;
}

void addSpringGridForces(const Model& model, const std::map<int, Vec3>& displacements, std::map<int, Vec3>& forces,
                         std::map<int, double>& roundOff, const std::set<int>* only) {
  for (const Spring& spring : model.springs) {
    double force = springForce(spring, displacements);
    auto counted = [&](int grid) { return grid != 0 && (!only || only->count(grid)); };
    if (counted(spring.grids[0])) forces[spring.grids[0]][spring.components[0] - 1] += force;
    if (counted(spring.grids[1])) forces[spring.grids[1]][spring.components[1] - 1] -= force;
    double size = 0;
    for (int end = 0; end < 2; ++end)
      if (spring.grids[end] != 0) size += std::abs(spring.stiffness * displacements.at(spring.grids[end])[spring.components[end] - 1]);
    for (int end = 0; end < 2; ++end)
      if (spring.grids[end] != 0) roundOff[spring.grids[end]] += kListingPrecision * size;
  }
}

void addSpringResults(resultfiles::SubcaseResults& subcase, const Model& model, const std::map<int, Vec3>& displacements) {
  std::map<int, resultfiles::BushStress> bushes;
  for (const Spring& spring : model.springs) {
    if (spring.bushComponent != 0) {
      resultfiles::BushStress& bush = bushes[spring.id];
      bush.element = spring.id;
      bush.values[spring.bushComponent - 1] =
          static_cast<float>(-spring.stressCoefficient * springForce(spring, displacements));
      continue;
    }
    resultfiles::SpringStress stress;
    stress.element = spring.id;
    // Positive in tension: k (u2 - u1).
    stress.stress = static_cast<float>(-spring.stressCoefficient * springForce(spring, displacements));
    (spring.onCard ? subcase.springs2 : subcase.springs1).push_back(stress);
  }
  for (const auto& [id, bush] : bushes) subcase.bushes.push_back(bush);
}

void addRodResults(resultfiles::SubcaseResults& subcase, const Model& model, const Element& element, double axialStress) {
  const Property& property = model.properties.at(element.propertyId);
  bool conrod = property.cardName == "CONROD";
  resultfiles::RodStress stress;
  stress.element = element.id;
  stress.axial = static_cast<float>(axialStress);
  resultfiles::RodForce force;
  force.element = element.id;
  force.axial = static_cast<float>(axialStress * property.area);
  (conrod ? subcase.conrods : subcase.rods).push_back(stress);
  (conrod ? subcase.conrodForces : subcase.rodForces).push_back(force);
}

void addLineElementResults(resultfiles::SubcaseResults& subcase, const Model& model, const StepJob& step,
                           const Element& element, const std::map<int, Vec3>& displacements,
                           const std::map<int, Vec3>& rotations, const EndMotions& ends,
                           const std::vector<std::array<double, 6>>& rows,
                           const std::vector<std::array<double, 6>>& planeQRows) {
  const Property& property = model.properties.at(element.propertyId);
  const Material& material = model.materials.at(property.materialId);
  std::array<double, 6> a = endMotion(element, 0, displacements, rotations, ends);
  std::array<double, 6> b = endMotion(element, 1, displacements, rotations, ends);
  if (element.type == ElementType::Rod) {
    Vec3 n{};
    double length = 0;
    double stretch = rodStretch(model, element, a, b, n, length);
    addRodResults(subcase, model, element, material.youngsModulus * stretch / length);
    return;
  }
  std::optional<BarFrame> frame = barFrameOf(model, element);
  if (!frame) throw Failure(std::string(cardName(element.type)) + " " + std::to_string(element.id) + ": no element axes");
  double shear = material.youngsModulus / (2 * (1 + material.poissonRatio));
  auto loads = step.lineLoads.find(element.id);
  EndValues equivalent = loads == step.lineLoads.end() ? EndValues{} : loads->second;
  EndValues forces = barEndForces(*frame, property.section, material.youngsModulus, shear, toElementAxes(*frame, a, b),
                                  equivalent);
  if (rows.size() == 2 && planeQRows.size() == 2)
    forces = endForcesFromSectionForces(*frame, property.section, material.youngsModulus, shear, rows, planeQRows,
                                        equivalent, forces[3]);
  resultfiles::BarForce barForces = barForce(element.id, forces);
  resultfiles::BarStress barStresses = barStress(element.id, property.section, barForces);
  if (element.type == ElementType::Bar) {
    subcase.barForces.push_back(barForces);
    subcase.bars.push_back(barStresses);
  } else {
    subcase.beamForces.push_back(beamForce(element.id, element.grids[0], element.grids[1], barForces));
    subcase.beams.push_back(beamStress(element.id, element.grids[0], element.grids[1], barStresses));
  }
}

}  // namespace nastranccx
