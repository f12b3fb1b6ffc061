#include "composite_shells.h"

#include <cmath>
#include <cstdio>

#include "shell_elements.h"
#include "vec3.h"

namespace nastranccx {
namespace {

using namespace vec3;

constexpr double kDegree = 3.14159265358979323846 / 180;

Vec3 rotated(const Vec3& x, const Vec3& y, double angleDegrees) {
  double c = std::cos(angleDegrees * kDegree), s = std::sin(angleDegrees * kDegree);
  return add(scale(c, x), scale(s, y));
}

}  // namespace

std::array<Vec3, 3> materialAxes(const Model& model, const Element& element) {
  std::array<Vec3, 3> element_ = plateAxes(model, element);
  const Vec3& z = element_[2];
  Vec3 x;
  if (element.materialAxisFromBasic) {
    Vec3 basic{1, 0, 0};
    x = sub(basic, scale(dot(basic, z), z));
    // The basic X along the normal leaves the element's own axis.
    x = norm(x) < 1e-6 ? element_[0] : unit(x);
  } else {
    Vec3 edge = sub(model.grids.at(element.grids[1]).position, model.grids.at(element.grids[0]).position);
    x = unit(sub(edge, scale(dot(edge, z), z)));
  }
  Vec3 y = cross(z, x);
  Vec3 turned = rotated(x, y, element.materialAxisFromBasic ? 0 : element.materialAngle);
  return {turned, cross(z, turned), z};
}

std::array<Vec3, 3> plyAxes(const std::array<Vec3, 3>& material, double angleDegrees) {
  Vec3 x = rotated(material[0], material[1], angleDegrees);
  return {x, cross(material[2], x), material[2]};
}

std::size_t compositeRowsPerPly(const std::string& ccxType) { return ccxType == "S8R" ? 8 : 6; }

const char* compositeCcxType(ElementType type) { return shellCorners(type) == 4 ? "S8R" : "S6"; }

bool needsMidsideNodes(const Element& element, const Property& property) {
  return property.composite() && isShell(element.type) && element.type != ElementType::Quad8 &&
         element.type != ElementType::Tria6;
}

std::string orientationKey(const Model& model, const Element& element) {
  std::array<Vec3, 3> axes = materialAxes(model, element);
  std::string key;
  char part[32];
  for (int axis : {0, 2})
    for (double component : axes[axis]) {
      std::snprintf(part, sizeof part, "%.6f,", component + 0.0);
      key += part;
    }
  return key;
}

CompositeResults compositeResults(const Model& model, const Element& element, const std::vector<StressTensor>& points) {
  const Property& property = model.properties.at(element.propertyId);
  std::array<Vec3, 3> material = materialAxes(model, element);
  std::array<Vec3, 3> axes = plateAxes(model, element);
  std::size_t perPly = points.size() / property.plies.size(), perLayer = perPly / 2;
  const double zeta = 1 / std::sqrt(3.0);

  CompositeResults results;
  std::array<double, 3> n{}, m{};
  std::array<double, 2> q{};
  double bottom = -property.thickness / 2;
  for (std::size_t p = 0; p < property.plies.size(); ++p) {
    const Property::Ply& ply = property.plies[p];
    std::array<Vec3, 3> own = plyAxes(material, ply.angle);
    StressTensor middle{};
    for (std::size_t layer = 0; layer < 2; ++layer) {
      StressTensor mean{};
      for (std::size_t i = 0; i < perLayer; ++i)
        for (int k = 0; k < 6; ++k) mean[k] += points[p * perPly + layer * perLayer + i][k] / static_cast<double>(perLayer);
      for (int k = 0; k < 6; ++k) middle[k] += mean[k] / 2;
      // The layer's stress in the element's axes (CalculiX prints it in the ply's), weighted
      // by its Gauss weight through the ply.
      auto component = [&](const Vec3& a, const Vec3& b) {
        // s = sum over i, j of a.e_i S_ij e_j.b with e the ply's axes; CalculiX's order xx, yy, zz, xy, xz, yz.
        double s[3][3] = {{mean[0], mean[3], mean[4]}, {mean[3], mean[1], mean[5]}, {mean[4], mean[5], mean[2]}};
        double sum = 0;
        for (int i = 0; i < 3; ++i)
          for (int j = 0; j < 3; ++j) sum += dot(a, own[i]) * s[i][j] * dot(own[j], b);
        return sum;
      };
      double weight = ply.thickness / 2;
      double z = bottom + ply.thickness / 2 + (layer == 0 ? -zeta : zeta) * ply.thickness / 2;
      double inPlane[3] = {component(axes[0], axes[0]), component(axes[1], axes[1]), component(axes[0], axes[1])};
      for (int k = 0; k < 3; ++k) {
        n[k] += weight * inPlane[k];
        m[k] += weight * z * inPlane[k];
      }
      q[0] += weight * component(axes[0], axes[2]);
      q[1] += weight * component(axes[1], axes[2]);
    }
    bottom += ply.thickness;
    resultfiles::PlateFibre summary = resultfiles::plateFibre(0, middle[0], middle[1], middle[3], resultfiles::StressMeasure::MaxShear);
    resultfiles::PlyStress entry;
    entry.element = element.id;
    entry.ply = ply.id;
    entry.normal1 = summary.normalX;
    entry.normal2 = summary.normalY;
    entry.shear12 = summary.shearXY;
    entry.shear1Z = static_cast<float>(middle[4]);
    entry.shear2Z = static_cast<float>(middle[5]);
    entry.angle = summary.angle;
    entry.major = summary.major;
    entry.minor = summary.minor;
    entry.equivalent = summary.equivalent;
    results.plies.push_back(entry);
  }
  results.forces = plateForceValues(n, m, q);
  return results;
}

}  // namespace nastranccx
