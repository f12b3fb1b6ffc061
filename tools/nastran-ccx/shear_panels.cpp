#include "shear_panels.h"

#include <cmath>

#include "numbers.h"
#include "shell_elements.h"
#include "vec3.h"

namespace nastranccx {
namespace {

using namespace vec3;

// Above this F the effectiveness is a rod area of 0.5 F T**2 rather than a fraction of the panel.
constexpr double kFractionLimit = 1.01;

}  // namespace

Element shearPanelElement(const nastran::Deck& deck, const nastran::Cshear& card) {
  std::string subject = "CSHEAR " + std::to_string(card.eid);
  for (std::size_t i = 0; i < 4; ++i)
    if (card.g[i] == 0) throw deck.errorAt(card.origin, 3 + i, subject, "grid G" + std::to_string(i + 1) + " is blank");
  Element element{card.eid, ElementType::Shear, card.pid == 0 ? card.eid : card.pid, {}, {}, {}, card.origin.at};
  element.grids.assign(card.g.begin(), card.g.end());
  return element;
}

Property shearPanelProperty(const nastran::Deck& deck, const nastran::Pshear& card) {
  std::string subject = "PSHEAR " + std::to_string(card.pid);
  if (card.t <= 0) throw deck.errorAt(card.origin, 3, subject, "field 3 (T) must be positive, not " + formatReal(card.t));
  if (card.f1 < 0) throw deck.errorAt(card.origin, 5, subject, "F1 must not be negative, not " + formatReal(card.f1));
  if (card.f2 < 0) throw deck.errorAt(card.origin, 6, subject, "F2 must not be negative, not " + formatReal(card.f2));
  Property property{card.pid, PropertyType::Shear, card.mid, 0, 0, 0, card.t, card.origin.at};
  property.effectiveness = {card.f1, card.f2};
  property.nonstructuralMass = card.nsm;  // mass only: a gravity load refuses it
  return property;
}

std::string shearPanelShapeProblem(const Model& model, const Element& element) {
  constexpr double kTolerance = 1e-4;
  auto at = [&](std::size_t i) { return model.grids.at(element.grids[i]).position; };
  Vec3 e12 = sub(at(1), at(0)), e23 = sub(at(2), at(1)), e34 = sub(at(3), at(2));
  double l12 = norm(e12), l23 = norm(e23);
  if (l12 == 0 || l23 == 0) return "two of its corners coincide";
  if (norm(add(e12, e34)) > kTolerance * l12)
    return "its edges 1-2 and 3-4 are not equal and parallel (the panel is no rectangle); only rectangular "
           "shear panels, whose shear flow is uniform, are solved";
  double skew = dot(e12, e23) / (l12 * l23);
  if (std::abs(skew) > kTolerance)
    return "its corners are not square (off by " + formatReal(std::asin(std::min(1.0, std::abs(skew))) * 180 / 3.14159265358979323846) +
           " degrees); only rectangular shear panels, whose shear flow is uniform, are solved";
  return {};
}

ShearMode shearPanelMode(const Model& model, const Element& element) {
  const Property& property = model.properties.at(element.propertyId);
  const Material& material = model.materials.at(property.materialId);
  std::array<Vec3, 3> axes = plateAxes(model, element);
  std::array<double, 4> x{}, y{};
  Vec3 origin = model.grids.at(element.grids[0]).position;
  for (std::size_t i = 0; i < 4; ++i) {
    Vec3 r = sub(model.grids.at(element.grids[i]).position, origin);
    x[i] = dot(r, axes[0]);
    y[i] = dot(r, axes[1]);
  }
  // The shape functions' derivatives at the centre (xi = eta = 0), through the Jacobian there.
  const std::array<double, 4> dXi = {-0.25, 0.25, 0.25, -0.25}, dEta = {-0.25, -0.25, 0.25, 0.25};
  double j11 = 0, j12 = 0, j21 = 0, j22 = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    j11 += dXi[i] * x[i];
    j12 += dXi[i] * y[i];
    j21 += dEta[i] * x[i];
    j22 += dEta[i] * y[i];
  }
  double det = j11 * j22 - j12 * j21;
  ShearMode mode;
  for (std::size_t i = 0; i < 4; ++i) {
    double dx = (j22 * dXi[i] - j12 * dEta[i]) / det, dy = (-j21 * dXi[i] + j11 * dEta[i]) / det;
    // gamma = du/dy + dv/dx in the panel's axes.
    mode.coefficients[i] = add(scale(dy, axes[0]), scale(dx, axes[1]));
  }
  const std::vector<int>& g = element.grids;
  auto at = [&](std::size_t i) { return model.grids.at(g[i]).position; };
  double area = 0.5 * norm(cross(sub(at(2), at(0)), sub(at(3), at(1))));
  mode.shearModulus = material.youngsModulus / (2 * (1 + material.poissonRatio));
  mode.stiffness = mode.shearModulus * property.thickness * area;
  return mode;
}

std::vector<EdgeRod> shearPanelEdgeRods(const Model& model, const Element& element) {
  const Property& property = model.properties.at(element.propertyId);
  const std::vector<int>& g = element.grids;
  auto at = [&](std::size_t i) { return model.grids.at(g[i]).position; };
  auto length = [&](std::size_t i, std::size_t j) { return norm(sub(at(j), at(i))); };
  double area = 0.5 * norm(cross(sub(at(2), at(0)), sub(at(3), at(1))));
  const std::array<std::array<std::size_t, 4>, 2> edges = {{{0, 1, 2, 3}, {1, 2, 0, 3}}};  // 1-2, 3-4; 2-3, 1-4
  std::vector<EdgeRod> rods;
  for (std::size_t k = 0; k < 2; ++k) {
    double f = property.effectiveness[k];
    if (f == 0) continue;
    const std::array<std::size_t, 4>& e = edges[k];
    double rodArea = f > kFractionLimit ? 0.5 * f * property.thickness * property.thickness
                                        : f * property.thickness * area / (length(e[0], e[1]) + length(e[2], e[3]));
    rods.push_back({g[e[0]], g[e[1]], rodArea});
    rods.push_back({g[e[2]], g[e[3]], rodArea});
  }
  return rods;
}

namespace {

double shearStrain(const ShearMode& mode, const std::array<Vec3, 4>& displacements) {
  double gamma = 0;
  for (std::size_t i = 0; i < 4; ++i) gamma += dot(mode.coefficients[i], displacements[i]);
  return gamma;
}

}  // namespace

resultfiles::ShearPanelStress shearPanelStress(const Element& element, const ShearMode& mode,
                                               const std::array<Vec3, 4>& displacements) {
  resultfiles::ShearPanelStress panel;
  panel.element = element.id;
  float stress = static_cast<float>(mode.shearModulus * shearStrain(mode, displacements));
  panel.maxShear = stress;
  panel.averageShear = stress;
  return panel;
}

std::array<Vec3, 4> shearPanelForces(const ShearMode& mode, const std::array<Vec3, 4>& displacements) {
  double force = mode.stiffness * shearStrain(mode, displacements);
  std::array<Vec3, 4> forces{};
  for (std::size_t i = 0; i < 4; ++i) forces[i] = scale(force, mode.coefficients[i]);
  return forces;
}

}  // namespace nastranccx
