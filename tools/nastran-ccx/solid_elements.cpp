#include "solid_elements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

#include "failure.h"
#include "vec3.h"

namespace nastranccx {
namespace {

using namespace vec3;
using Edge = std::pair<int, int>;  // two corners, by their index in the element

// Each shape's edges in the order its mid-side grids are given: Nastran's, then CalculiX's.
const std::vector<Edge> kTetraEdges = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
const std::vector<Edge> kPentaEdgesNastran = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 4}, {2, 5}, {3, 4}, {4, 5}, {5, 3}};
const std::vector<Edge> kPentaEdgesCcx = {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {0, 3}, {1, 4}, {2, 5}};
const std::vector<Edge> kHexaEdgesNastran = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5},
                                             {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};
const std::vector<Edge> kHexaEdgesCcx = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                         {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

int cornerCount(ElementType type) { return solidCorners(type); }

[[noreturn]] void failAt(const Model& model, const Element& element, const std::string& reason) {
  throw Failure(nastran::problemMessage(model.files.at(element.at.file), element.at.line, "",
                                        std::string(cardName(element.type)) + " " + std::to_string(element.id) +
                                            ": " + reason));
}

Vec3 centroid(const Model& model, const std::vector<int>& grids, std::initializer_list<int> corners) {
  Vec3 sum{};
  for (int corner : corners) sum = add(sum, model.grids.at(grids[corner]).position);
  return scale(1.0 / static_cast<double>(corners.size()), sum);
}

// Six times the volume, roughly (exact for flat faces): positive when the element is numbered
// as CalculiX expects.
double signedVolume(const Model& model, const Element& element) {
  const std::vector<int>& g = element.grids;
  auto at = [&](int corner) { return model.grids.at(g[corner]).position; };
  switch (cornerCount(element.type)) {
    case 4: return dot(sub(at(1), at(0)), cross(sub(at(2), at(0)), sub(at(3), at(0))));
    case 6: {
      Vec3 bottomNormal = cross(sub(at(1), at(0)), sub(at(2), at(0)));
      return dot(bottomNormal, sub(centroid(model, g, {3, 4, 5}), centroid(model, g, {0, 1, 2})));
    }
    default: {
      Vec3 alongXi = sub(centroid(model, g, {1, 2, 6, 5}), centroid(model, g, {0, 3, 7, 4}));
      Vec3 alongEta = sub(centroid(model, g, {2, 3, 7, 6}), centroid(model, g, {0, 1, 5, 4}));
      Vec3 alongZeta = sub(centroid(model, g, {4, 5, 6, 7}), centroid(model, g, {0, 1, 2, 3}));
      return dot(alongXi, cross(alongEta, alongZeta));
    }
  }
}

// CalculiX's value at natural thickness coordinate `to` of a field known at points `at`
// (Lagrange interpolation through them).
double lagrangeWeight(const std::vector<double>& at, std::size_t i, double to) {
  double weight = 1;
  for (std::size_t j = 0; j < at.size(); ++j)
    if (j != i) weight *= (to - at[j]) / (at[i] - at[j]);
  return weight;
}

StressTensor weighted(const std::vector<StressTensor>& points, const std::vector<std::pair<std::size_t, double>>& terms) {
  StressTensor value{};
  for (const auto& [point, weight] : terms)
    for (int k = 0; k < 6; ++k) value[k] += weight * points[point][k];
  return value;
}

// The linear field through the integration points of a triangle (point i at area coordinate
// `near` of corner i, `far` of the others) at corner `corner`, in one layer of `layerStart`.
std::vector<std::pair<std::size_t, double>> triangleCorner(std::size_t layerStart, std::size_t corner, double near,
                                                           double far) {
  std::vector<std::pair<std::size_t, double>> terms;
  for (std::size_t i = 0; i < 3; ++i)
    terms.emplace_back(layerStart + i, ((i == corner ? 1.0 : 0.0) - far) / (near - far));
  return terms;
}

// The trilinear field through 2x2x2 points (natural coordinates +-1/sqrt(3), xi fastest, then
// eta, then zeta) at corner `corner` of CalculiX's brick.
std::vector<std::pair<std::size_t, double>> brickCorner(std::size_t corner) {
  static const int kSigns[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                   {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
  const double reach = std::sqrt(3.0);
  std::vector<std::pair<std::size_t, double>> terms;
  for (std::size_t point = 0; point < 8; ++point) {
    int signs[3] = {point & 1 ? 1 : -1, point & 2 ? 1 : -1, point & 4 ? 1 : -1};
    double weight = 1;
    for (int axis = 0; axis < 3; ++axis) weight *= (1 + reach * kSigns[corner][axis] * signs[axis]) / 2;
    terms.emplace_back(point, weight);
  }
  return terms;
}

// Terms giving the stress at CalculiX's corner `corner` of a solid from its integration points:
// C3D4 one point; C3D10 four (point i near corner i, area coordinates 0.585/0.138); C3D6 two
// (the centroid of the bottom and top layer, zeta -+1/sqrt(3)); C3D15 nine (three triangle
// points, each near its corner, in three layers at zeta -sqrt(0.6), 0, sqrt(0.6)); bricks 2x2x2.
std::vector<std::pair<std::size_t, double>> cornerTerms(std::size_t pointCount, std::size_t corner) {
  const double tetraNear = 0.5854101966249685, tetraFar = 0.1381966011250105;
  switch (pointCount) {
    case 1: return {{0, 1.0}};
    case 4: {
      std::vector<std::pair<std::size_t, double>> terms;
      for (std::size_t i = 0; i < 4; ++i)
        terms.emplace_back(i, ((i == corner ? 1.0 : 0.0) - tetraFar) / (tetraNear - tetraFar));
      return terms;
    }
    case 2: {
      std::vector<double> layers = {-1 / std::sqrt(3.0), 1 / std::sqrt(3.0)};
      double to = corner < 3 ? -1 : 1;
      return {{0, lagrangeWeight(layers, 0, to)}, {1, lagrangeWeight(layers, 1, to)}};
    }
    case 9: {
      std::vector<double> layers = {-std::sqrt(0.6), 0, std::sqrt(0.6)};
      double to = corner < 3 ? -1 : 1;
      std::vector<std::pair<std::size_t, double>> terms;
      for (std::size_t layer = 0; layer < 3; ++layer)
        for (auto [point, weight] : triangleCorner(3 * layer, corner % 3, 2.0 / 3, 1.0 / 6))
          terms.emplace_back(point, weight * lagrangeWeight(layers, layer, to));
      return terms;
    }
    default: return brickCorner(corner);
  }
}

// The centre: the mean of the points of a layer through it (the middle layer of C3D15).
StressTensor centreOf(const std::vector<StressTensor>& points) {
  std::size_t first = points.size() == 9 ? 3 : 0, count = points.size() == 9 ? 3 : points.size();
  StressTensor sum{};
  for (std::size_t i = first; i < first + count; ++i)
    for (int k = 0; k < 6; ++k) sum[k] += points[i][k];
  for (double& component : sum) component /= static_cast<double>(count);
  return sum;
}

// CalculiX's components (xx, yy, zz, xy, xz, yz) in the tables' order (xx, yy, zz, xy, yz, zx).
resultfiles::Tensor tableOrder(const StressTensor& s) { return {s[0], s[1], s[2], s[3], s[5], s[4]}; }

}  // namespace

int solidCorners(ElementType type) {
  switch (type) {
    case ElementType::Tetra4:
    case ElementType::Tetra10: return 4;
    case ElementType::Penta6:
    case ElementType::Penta15: return 6;
    default: return 8;
  }
}

const std::vector<std::pair<int, int>>& solidEdges(ElementType type) {
  int corners = solidCorners(type);
  return corners == 4 ? kTetraEdges : corners == 6 ? kPentaEdgesNastran : kHexaEdgesNastran;
}

bool isSolid(ElementType type) {
  switch (type) {
    case ElementType::Tetra4:
    case ElementType::Tetra10:
    case ElementType::Penta6:
    case ElementType::Penta15:
    case ElementType::Hexa8:
    case ElementType::Hexa20: return true;
    default: return false;
  }
}

const char* solidCcxType(ElementType type) {
  switch (type) {
    case ElementType::Tetra4: return "C3D4";
    case ElementType::Tetra10: return "C3D10";
    case ElementType::Penta6: return "C3D6";
    case ElementType::Penta15: return "C3D15";
    case ElementType::Hexa8: return "C3D8I";
    case ElementType::Hexa20: return "C3D20R";
    default: return "?";
  }
}

std::vector<int> solidCcxNodeOrder(const Model& model, const Element& element, double modelSize) {
  int corners = cornerCount(element.type);
  double volume = signedVolume(model, element);
  if (std::abs(volume) <= 1e-12 * std::pow(modelSize, 3)) failAt(model, element, "the element has no volume");
  std::vector<int> order(static_cast<std::size_t>(corners));
  for (int i = 0; i < corners; ++i) order[static_cast<std::size_t>(i)] = i;
  if (volume < 0) {
    if (corners == 4) order = {0, 2, 1, 3};
    if (corners == 6) order = {0, 2, 1, 3, 5, 4};
    if (corners == 8) order = {0, 3, 2, 1, 4, 7, 6, 5};
  }
  std::vector<int> grids;
  for (int corner : order) grids.push_back(element.grids[static_cast<std::size_t>(corner)]);
  if (element.grids.size() == static_cast<std::size_t>(corners)) return grids;

  const std::vector<Edge>& nastranEdges = solidEdges(element.type);
  const std::vector<Edge>& ccxEdges = corners == 4 ? kTetraEdges : corners == 6 ? kPentaEdgesCcx : kHexaEdgesCcx;
  std::map<std::pair<int, int>, int> midSide;  // Nastran corners (low, high) -> grid
  for (std::size_t i = 0; i < nastranEdges.size(); ++i) {
    auto [a, b] = nastranEdges[i];
    midSide[{std::min(a, b), std::max(a, b)}] = element.grids[static_cast<std::size_t>(corners) + i];
  }
  for (auto [a, b] : ccxEdges) {
    int na = order[static_cast<std::size_t>(a)], nb = order[static_cast<std::size_t>(b)];
    grids.push_back(midSide.at({std::min(na, nb), std::max(na, nb)}));
  }
  return grids;
}

resultfiles::SolidStress solidStress(const Element& element, const std::vector<int>& ccxGrids,
                                     const std::vector<StressTensor>& points) {
  resultfiles::SolidStress solid;
  solid.element = element.id;
  int corners = cornerCount(element.type);
  if (element.grids.size() > static_cast<std::size_t>(corners)) solid.gridCount = static_cast<int>(element.grids.size());
  solid.points.push_back(resultfiles::solidPoint(0, tableOrder(centreOf(points))));
  std::map<int, StressTensor> atGrid;
  for (std::size_t corner = 0; corner < static_cast<std::size_t>(corners); ++corner)
    atGrid[ccxGrids[corner]] = weighted(points, cornerTerms(points.size(), corner));
  for (std::size_t corner = 0; corner < static_cast<std::size_t>(corners); ++corner) {
    int grid = element.grids[corner];
    solid.points.push_back(resultfiles::solidPoint(grid, tableOrder(atGrid.at(grid))));
  }
  return solid;
}

}  // namespace nastranccx
