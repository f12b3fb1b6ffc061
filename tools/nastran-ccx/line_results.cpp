#include "line_results.h"

#include <cmath>

#include "failure.h"
#include "line_elements.h"

namespace nastranccx {
namespace {

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

}  // namespace

std::map<int, Vec3> lineElementGridForces(const Model& model, const std::map<int, Vec3>& displacements,
                                          const std::map<int, Vec3>& rotations, std::map<int, double>& roundOff) {
  constexpr double kListingPrecision = 2e-6;
  std::map<int, Vec3> forces;
  for (const auto& [id, grid] : model.grids) forces[id] = Vec3{}, roundOff[id] = 0;
  for (const auto& [id, element] : model.elements) {
    if (element.type != ElementType::Rod && element.type != ElementType::Bar && element.type != ElementType::Beam)
      continue;
    const Property& property = model.properties.at(element.propertyId);
    const Material& material = model.materials.at(property.materialId);
    std::array<double, 6> a = motionOf(element.grids[0], displacements, rotations);
    std::array<double, 6> b = motionOf(element.grids[1], displacements, rotations);
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
  return forces;
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

void addLineElementResults(resultfiles::SubcaseResults& subcase, const Model& model, const CcxJob& job,
                           const Element& element, const std::map<int, Vec3>& displacements,
                           const std::map<int, Vec3>& rotations) {
  const Property& property = model.properties.at(element.propertyId);
  const Material& material = model.materials.at(property.materialId);
  std::array<double, 6> a = motionOf(element.grids[0], displacements, rotations);
  std::array<double, 6> b = motionOf(element.grids[1], displacements, rotations);
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
  auto loads = job.lineLoads.find(element.id);
  EndValues forces = barEndForces(*frame, property.section, material.youngsModulus, shear,
                                  toElementAxes(*frame, a, b), loads == job.lineLoads.end() ? EndValues{} : loads->second);
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
