#include "pressure_loads.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "failure.h"
#include "shell_elements.h"
#include "solid_elements.h"
#include "vec3.h"

namespace nastranccx {
namespace {

using namespace vec3;

const char* cardText(PressureCard card) {
  switch (card) {
    case PressureCard::Pload: return "PLOAD";
    case PressureCard::Pload2: return "PLOAD2";
    case PressureCard::Pload4: return "PLOAD4";
  }
  return "?";
}

[[noreturn]] void failAt(const Model& model, const PressureLoad& load, const std::string& reason) {
  throw Failure(nastran::problemMessage(model.files.at(load.at.file), load.at.line, "",
                                        std::string(cardText(load.card)) + " " + std::to_string(load.setId) + ": " +
                                            reason));
}

// A face: its corners in order (three or four), then the mid-side grids of its edges
// (corner i to corner i + 1) when it has them.
struct Face {
  std::vector<int> grids;
  int corners = 0;
  bool quadratic() const { return static_cast<int>(grids.size()) > corners; }
};

// Shape functions of the face at natural coordinates (r, s): triangles in area coordinates
// (corner 1 at r = s = 0), quadrilaterals on [-1, 1]^2; with their derivatives.
struct Shape {
  std::vector<double> n, dr, ds;
};

Shape shapeAt(const Face& face, double r, double s) {
  Shape shape;
  if (face.corners == 3) {
    double l[3] = {1 - r - s, r, s};
    double dl[3][2] = {{-1, -1}, {1, 0}, {0, 1}};
    if (!face.quadratic()) {
      for (int i = 0; i < 3; ++i) {
        shape.n.push_back(l[i]);
        shape.dr.push_back(dl[i][0]);
        shape.ds.push_back(dl[i][1]);
      }
      return shape;
    }
    for (int i = 0; i < 3; ++i) {
      shape.n.push_back(l[i] * (2 * l[i] - 1));
      shape.dr.push_back((4 * l[i] - 1) * dl[i][0]);
      shape.ds.push_back((4 * l[i] - 1) * dl[i][1]);
    }
    for (int i = 0; i < 3; ++i) {
      int j = (i + 1) % 3;
      shape.n.push_back(4 * l[i] * l[j]);
      shape.dr.push_back(4 * (dl[i][0] * l[j] + l[i] * dl[j][0]));
      shape.ds.push_back(4 * (dl[i][1] * l[j] + l[i] * dl[j][1]));
    }
    return shape;
  }
  static const double kR[4] = {-1, 1, 1, -1}, kS[4] = {-1, -1, 1, 1};
  for (int i = 0; i < 4; ++i) {
    double a = 1 + r * kR[i], b = 1 + s * kS[i];
    if (!face.quadratic()) {
      shape.n.push_back(a * b / 4);
      shape.dr.push_back(kR[i] * b / 4);
      shape.ds.push_back(a * kS[i] / 4);
    } else {
      shape.n.push_back(a * b * (r * kR[i] + s * kS[i] - 1) / 4);
      shape.dr.push_back(kR[i] * b * (2 * r * kR[i] + s * kS[i]) / 4);
      shape.ds.push_back(kS[i] * a * (r * kR[i] + 2 * s * kS[i]) / 4);
    }
  }
  if (face.quadratic()) {
    // Mid-sides of edges 1-2 (s = -1), 2-3 (r = 1), 3-4 (s = 1), 4-1 (r = -1).
    shape.n.push_back((1 - r * r) * (1 - s) / 2);
    shape.dr.push_back(-r * (1 - s));
    shape.ds.push_back(-(1 - r * r) / 2);
    shape.n.push_back((1 + r) * (1 - s * s) / 2);
    shape.dr.push_back((1 - s * s) / 2);
    shape.ds.push_back(-(1 + r) * s);
    shape.n.push_back((1 - r * r) * (1 + s) / 2);
    shape.dr.push_back(-r * (1 + s));
    shape.ds.push_back((1 - r * r) / 2);
    shape.n.push_back((1 - r) * (1 - s * s) / 2);
    shape.dr.push_back(-(1 - s * s) / 2);
    shape.ds.push_back(-(1 - r) * s);
  }
  return shape;
}

// The pressure's corner interpolation: linear (triangles) or bilinear (quadrilaterals).
double pressureAt(const Face& face, const std::array<double, 4>& corners, double r, double s) {
  if (face.corners == 3) return (1 - r - s) * corners[0] + r * corners[1] + s * corners[2];
  return ((1 - r) * (1 - s) * corners[0] + (1 + r) * (1 - s) * corners[1] + (1 + r) * (1 + s) * corners[2] +
          (1 - r) * (1 + s) * corners[3]) /
         4;
}

// Quadrature points (r, s, weight): 7 points of degree 5 on the triangle, 3x3 on the square.
std::vector<std::array<double, 3>> quadrature(int corners) {
  if (corners == 3) {
    const double a1 = 0.0597158717897698, b1 = 0.4701420641051151, w1 = 0.1323941527885062 / 2;
    const double a2 = 0.7974269853530873, b2 = 0.1012865073234563, w2 = 0.1259391805448271 / 2;
    return {{1.0 / 3, 1.0 / 3, 0.225 / 2}, {a1, b1, w1}, {b1, a1, w1}, {b1, b1, w1},
            {a2, b2, w2},                 {b2, a2, w2}, {b2, b2, w2}};
  }
  const double g = std::sqrt(0.6);
  const double points[3] = {-g, 0, g}, weights[3] = {5.0 / 9, 8.0 / 9, 5.0 / 9};
  std::vector<std::array<double, 3>> rule;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) rule.push_back({points[i], points[j], weights[i] * weights[j]});
  return rule;
}

// The face of a solid that G1 and G34 name, its corners from G1 around so that the right-hand
// normal points into the element (where a positive pressure pushes).
Face solidFace(const Model& model, const Element& element, const PressureLoad& load) {
  static const std::vector<std::vector<int>> kTetraFaces = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}};
  static const std::vector<std::vector<int>> kPentaFaces = {{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
  static const std::vector<std::vector<int>> kHexaFaces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                           {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  const std::vector<int>& g = element.grids;
  std::size_t cornerCount = static_cast<std::size_t>(solidCorners(element.type));
  const auto& faces = cornerCount == 4 ? kTetraFaces : cornerCount == 6 ? kPentaFaces : kHexaFaces;
  auto cornerOf = [&](int grid) -> int {
    for (std::size_t i = 0; i < cornerCount; ++i)
      if (g[i] == grid) return static_cast<int>(i);
    return -1;
  };
  std::string element_ = std::string(cardName(element.type)) + " " + std::to_string(element.id);
  int c1 = cornerOf(load.g1);
  if (c1 < 0) failAt(model, load, "G1 " + std::to_string(load.g1) + " is no corner of " + element_);
  int c34 = load.g34 == 0 ? -1 : cornerOf(load.g34);
  if (load.g34 != 0 && c34 < 0) failAt(model, load, "G34 " + std::to_string(load.g34) + " is no corner of " + element_);
  const std::vector<int>* chosen = nullptr;
  for (const std::vector<int>& face : faces) {
    auto has = [&](int corner) { return std::find(face.begin(), face.end(), corner) != face.end(); };
    if (!has(c1)) continue;
    bool match = false;
    if (cornerCount == 4) match = c34 >= 0 && !has(c34);
    else if (c34 < 0) match = face.size() == 3;
    else match = face.size() == 4 && has(c34) && face[(std::find(face.begin(), face.end(), c1) - face.begin() + 2) % 4] == c34;
    if (match) chosen = &face;
  }
  if (!chosen)
    failAt(model, load,
           cornerCount == 4 ? "G34 must be the corner of the CTETRA that is not on the loaded face"
           : c34 < 0        ? "G34 is blank, which names a triangular face, and " + element_ + " has none at G1"
                            : "G1 and G34 are not diagonally opposite corners of one face of " + element_);
  std::vector<int> corners = *chosen;
  std::rotate(corners.begin(), std::find(corners.begin(), corners.end(), c1), corners.end());
  auto at = [&](int corner) { return model.grids.at(g[static_cast<std::size_t>(corner)]).position; };
  Vec3 normal = corners.size() == 3 ? cross(sub(at(corners[1]), at(corners[0])), sub(at(corners[2]), at(corners[0])))
                                    : cross(sub(at(corners[2]), at(corners[0])), sub(at(corners[3]), at(corners[1])));
  Vec3 faceCentre{}, elementCentre{};
  for (int corner : corners) faceCentre = add(faceCentre, scale(1.0 / static_cast<double>(corners.size()), at(corner)));
  for (std::size_t i = 0; i < cornerCount; ++i)
    elementCentre = add(elementCentre, scale(1.0 / static_cast<double>(cornerCount), at(static_cast<int>(i))));
  if (dot(normal, sub(elementCentre, faceCentre)) < 0) std::reverse(corners.begin() + 1, corners.end());
  Face face;
  face.corners = static_cast<int>(corners.size());
  for (int corner : corners) face.grids.push_back(g[static_cast<std::size_t>(corner)]);
  if (g.size() > cornerCount) {
    // The mid-side grid of each edge, found from Nastran's edge order of the shape.
    const auto& edges = solidEdges(element.type);
    for (std::size_t i = 0; i < corners.size(); ++i) {
      int a = corners[i], b = corners[(i + 1) % corners.size()];
      for (std::size_t e = 0; e < edges.size(); ++e)
        if ((edges[e].first == a && edges[e].second == b) || (edges[e].first == b && edges[e].second == a))
          face.grids.push_back(g[cornerCount + e]);
    }
  }
  return face;
}

}  // namespace

std::vector<GridForce> pressureNodalForces(const Model& model, const PressureLoad& load) {
  Face face;
  if (load.card == PressureCard::Pload) {
    face.grids = load.faceGrids;
    face.corners = static_cast<int>(load.faceGrids.size());
  } else {
    const Element& element = model.elements.at(load.element);
    std::string name = std::string(cardName(element.type)) + " " + std::to_string(element.id);
    if (isShell(element.type)) {
      face.grids = element.grids;
      face.corners = shellCorners(element.type);
    } else if (isSolid(element.type) && load.card == PressureCard::Pload4) {
      face = solidFace(model, element, load);
    } else {
      failAt(model, load, "element " + std::to_string(load.element) + " is a " + cardName(element.type) + "; " +
                              (load.card == PressureCard::Pload2 ? "PLOAD2 loads shells only"
                                                                 : "PLOAD4 loads shells and the faces of solids only"));
    }
  }

  std::vector<Vec3> positions;
  for (int grid : face.grids) positions.push_back(model.grids.at(grid).position);
  bool directed = load.direction != Vec3{0, 0, 0};
  Vec3 direction = directed ? unit(load.direction) : Vec3{};
  std::vector<Vec3> forces(face.grids.size());
  double area = 0;
  for (const auto& [r, s, weight] : quadrature(face.corners)) {
    Shape shape = shapeAt(face, r, s);
    Vec3 alongR{}, alongS{};
    for (std::size_t i = 0; i < positions.size(); ++i) {
      alongR = add(alongR, scale(shape.dr[i], positions[i]));
      alongS = add(alongS, scale(shape.ds[i], positions[i]));
    }
    Vec3 normalArea = cross(alongR, alongS);  // the normal times the area per unit (r, s)
    area += weight * norm(normalArea);
    Vec3 traction = directed ? scale(norm(normalArea), direction) : normalArea;
    double pressure = pressureAt(face, load.cornerPressures, r, s);
    for (std::size_t i = 0; i < forces.size(); ++i) forces[i] = add(forces[i], scale(weight * pressure * shape.n[i], traction));
  }
  double size = 0;
  for (const Vec3& position : positions) size = std::max(size, norm(sub(position, positions[0])));
  if (area <= 1e-12 * size * size) failAt(model, load, "the loaded face has no area");

  std::vector<GridForce> result;
  for (std::size_t i = 0; i < forces.size(); ++i) result.push_back({face.grids[i], forces[i]});
  return result;
}

}  // namespace nastranccx
