#include "shell_elements.h"

#include <cmath>

#include "vec3.h"

namespace nastranccx {
namespace {

using namespace vec3;

// s(a, b) = a'Sb for CalculiX's components xx, yy, zz, xy, xz, yz.
double project(const StressTensor& s, const Vec3& a, const Vec3& b) {
  Vec3 sb{s[0] * b[0] + s[3] * b[1] + s[4] * b[2], s[3] * b[0] + s[1] * b[1] + s[5] * b[2],
          s[4] * b[0] + s[5] * b[1] + s[2] * b[2]};
  return dot(a, sb);
}

// How CalculiX lays out a shell's integration points: `layers` layers of `inPlane` points,
// bottom first, at natural thickness coordinates `zeta`, with Gauss weights `weights`.
struct Layout {
  std::size_t layers = 2, inPlane = 1;
  std::vector<double> zeta, weights;
};

Layout layoutOf(std::size_t count, int corners) {
  const double g2 = 1 / std::sqrt(3.0), g3 = std::sqrt(0.6);
  if (count == 9) {
    // Three layers of three points (S6, M3D6), or of what an S3 prints in some versions.
    return {3, 3, {-g3, 0, g3}, {5.0 / 9, 8.0 / 9, 5.0 / 9}};
  }
  if (count == 8 && corners == 4) return {2, 4, {-g2, g2}, {1, 1}};
  return {2, count / 2, {-g2, g2}, {1, 1}};
}

StressTensor layerMean(const std::vector<StressTensor>& points, const Layout& layout, std::size_t layer) {
  StressTensor sum{};
  for (std::size_t i = 0; i < layout.inPlane; ++i)
    for (int k = 0; k < 6; ++k) sum[k] += points[layer * layout.inPlane + i][k];
  for (double& component : sum) component /= static_cast<double>(layout.inPlane);
  return sum;
}

// The in-plane field of one layer at corner `corner` (CalculiX's corner order): bilinear
// through 2x2 points (xi fastest), linear through three points near the corners (area
// coordinate 2/3 at their own corner, 1/6 at the others), else the mean.
StressTensor layerCorner(const std::vector<StressTensor>& points, const Layout& layout, std::size_t layer,
                         std::size_t corner) {
  StressTensor value{};
  std::size_t first = layer * layout.inPlane;
  auto addTerm = [&](std::size_t point, double weight) {
    for (int k = 0; k < 6; ++k) value[k] += weight * points[first + point][k];
  };
  if (layout.inPlane == 4) {
    static const int kSigns[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const double reach = std::sqrt(3.0);
    for (std::size_t point = 0; point < 4; ++point) {
      int signs[2] = {point & 1 ? 1 : -1, point & 2 ? 1 : -1};
      addTerm(point, (1 + reach * kSigns[corner][0] * signs[0]) / 2 * (1 + reach * kSigns[corner][1] * signs[1]) / 2);
    }
  } else if (layout.inPlane == 3) {
    for (std::size_t point = 0; point < 3; ++point) addTerm(point, ((point == corner ? 1.0 : 0.0) - 1.0 / 6) / 0.5);
  } else {
    return layerMean(points, layout, layer);
  }
  return value;
}

// Stress through the thickness from per-layer values: the fitted line (two layers) or
// parabola (three) at natural coordinate `to`.
StressTensor throughThickness(const std::vector<StressTensor>& layers, const Layout& layout, double to) {
  StressTensor value{};
  for (std::size_t i = 0; i < layers.size(); ++i) {
    double weight = 1;
    for (std::size_t j = 0; j < layers.size(); ++j)
      if (j != i) weight *= (to - layout.zeta[j]) / (layout.zeta[i] - layout.zeta[j]);
    for (int k = 0; k < 6; ++k) value[k] += weight * layers[i][k];
  }
  return value;
}

}  // namespace

resultfiles::PlateForceValues plateForceValues(const std::array<double, 3>& membrane, const std::array<double, 3>& moments,
                                               const std::array<double, 2>& shears) {
  auto single = [](double value) { return static_cast<float>(value); };
  return {single(membrane[0]), single(membrane[1]), single(membrane[2]), single(moments[0]),
          single(moments[1]),  single(moments[2]),  single(shears[0]),   single(shears[1])};
}

bool isShell(ElementType type) {
  switch (type) {
    case ElementType::Quad4:
    case ElementType::Tria3:
    case ElementType::Quad8:
    case ElementType::Tria6:
    case ElementType::QuadR:
    case ElementType::TriaR: return true;
    default: return false;
  }
}

int shellCorners(ElementType type) {
  return type == ElementType::Quad4 || type == ElementType::Quad8 || type == ElementType::QuadR ||
                 type == ElementType::Shear
             ? 4
             : 3;
}

bool hasCornerThickness(const Element& element) {
  for (const std::optional<double>& thickness : element.cornerThickness)
    if (thickness) return true;
  return false;
}

double cornerThickness(const Model& model, const Element& element, std::size_t corner) {
  double property = model.properties.at(element.propertyId).thickness;
  const std::optional<double>& given = element.cornerThickness[corner];
  if (!given) return property;
  return element.relativeThickness ? *given * property : *given;
}

double centreThickness(const Model& model, const Element& element) {
  if (!hasCornerThickness(element)) return model.properties.at(element.propertyId).thickness;
  std::size_t corners = static_cast<std::size_t>(shellCorners(element.type));
  double sum = 0;
  for (std::size_t i = 0; i < corners; ++i) sum += cornerThickness(model, element, i);
  return sum / static_cast<double>(corners);
}

bool shellHasCorners(ElementType type) { return type != ElementType::Quad4 && type != ElementType::Tria3; }

const char* shellCcxType(ElementType type, bool membraneOnly) {
  switch (type) {
    case ElementType::Quad4:
    case ElementType::QuadR: return membraneOnly ? "M3D4" : "S4";
    case ElementType::Tria3:
    case ElementType::TriaR: return membraneOnly ? "M3D3" : "S3";
    case ElementType::Quad8: return membraneOnly ? "M3D8R" : "S8R";
    case ElementType::Tria6: return membraneOnly ? "M3D6" : "S6";
    default: return "?";
  }
}

std::array<Vec3, 3> plateAxes(const Model& model, const Element& element) {
  const std::vector<int>& g = element.grids;
  auto at = [&](std::size_t i) { return model.grids.at(g[i]).position; };
  Vec3 x, z;
  if (shellCorners(element.type) == 3) {
    x = unit(sub(at(1), at(0)));
    z = unit(cross(sub(at(1), at(0)), sub(at(2), at(0))));
  } else {
    Vec3 d1 = unit(sub(at(2), at(0)));
    Vec3 d2 = unit(sub(at(3), at(1)));
    x = unit(sub(d1, d2));
    z = unit(cross(d1, d2));
  }
  return {x, cross(z, x), z};
}

ShellResults shellResults(const Model& model, const Element& element, const std::vector<StressTensor>& points,
                          bool wantCorners) {
  int corners = shellCorners(element.type);
  Layout layout = layoutOf(points.size(), corners);
  auto axes = plateAxes(model, element);
  const Vec3 &x = axes[0], &y = axes[1], &z = axes[2];
  double thickness = centreThickness(model, element);

  auto fibres = [&](const std::vector<StressTensor>& layers) {
    auto fibre = [&](double side) {
      StressTensor s = throughThickness(layers, layout, side);
      return resultfiles::plateFibre(side * thickness / 2, project(s, x, x), project(s, y, y), project(s, x, y));
    };
    return std::make_pair(fibre(-1), fibre(1));
  };

  ShellResults results;
  std::vector<StressTensor> means;
  for (std::size_t layer = 0; layer < layout.layers; ++layer) means.push_back(layerMean(points, layout, layer));
  auto [bottom, top] = fibres(means);
  results.centre = {element.id, bottom, top};

  if (wantCorners)
    for (std::size_t corner = 0; corner < static_cast<std::size_t>(corners); ++corner) {
      std::vector<StressTensor> layers;
      for (std::size_t layer = 0; layer < layout.layers; ++layer) layers.push_back(layerCorner(points, layout, layer, corner));
      auto [cornerBottom, cornerTop] = fibres(layers);
      results.corners.push_back({element.grids[corner], cornerBottom, cornerTop});
    }

  // Forces per unit length: N = integral of s dz, M = integral of s z dz (positive M pulls
  // the top fibre, z along the element normal), Q = integral of the transverse shear dz, each
  // by Gauss quadrature over the layers (dz = t/2 dzeta).
  std::array<double, 3> n{}, m{};
  std::array<double, 2> q{};
  for (std::size_t layer = 0; layer < layout.layers; ++layer) {
    const StressTensor& s = means[layer];
    double w = layout.weights[layer] * thickness / 2;
    double lever = layout.zeta[layer] * thickness / 2;
    double inPlane[3] = {project(s, x, x), project(s, y, y), project(s, x, y)};
    for (int k = 0; k < 3; ++k) {
      n[k] += w * inPlane[k];
      m[k] += w * lever * inPlane[k];
    }
    q[0] += w * project(s, x, z);
    q[1] += w * project(s, y, z);
  }
  results.forces = plateForceValues(n, m, q);
  return results;
}

}  // namespace nastranccx
