#include "femapsim/mass_properties.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>

namespace femapsim {
namespace {

using Vec3 = std::array<double, 3>;
using Second = std::array<double, 6>;  // ∫p_i p_j: xx, yy, zz, xy, yz, zx

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

enum class Measure { kLine, kPlate, kSolid, kPoint };

struct Shape {
  Measure measure;
  std::size_t nodes;    // corners and mid-side nodes
  std::size_t corners;
};

std::optional<Shape> shapeOf(int topology) {
  switch (topology) {
    case kLine2: return Shape{Measure::kLine, 2, 2};
    case kTria3: return Shape{Measure::kPlate, 3, 3};
    case kTria6: return Shape{Measure::kPlate, 6, 3};
    case kQuad4: return Shape{Measure::kPlate, 4, 4};
    case kQuad8: return Shape{Measure::kPlate, 8, 4};
    case kTetra4: return Shape{Measure::kSolid, 4, 4};
    case kWedge6: return Shape{Measure::kSolid, 6, 6};
    case kBrick8: return Shape{Measure::kSolid, 8, 8};
    case kPoint: return Shape{Measure::kPoint, 1, 1};
    case kTetra10: return Shape{Measure::kSolid, 10, 4};
    case kWedge15: return Shape{Measure::kSolid, 15, 6};
    case kBrick20: return Shape{Measure::kSolid, 20, 8};
    default: return std::nullopt;
  }
}

// Integrals of 1, p and p_i·p_j over one element's length, area or volume, with p measured
// from a chosen point. Second moments are ordered xx, yy, zz, xy, yz, zx.
struct Moments {
  double measure = 0;
  Vec3 first{};
  Second second{};

  void add(double weight, const Vec3& p) {
    measure += weight;
    for (int i = 0; i < 3; ++i) first[i] += weight * p[i];
    second[0] += weight * p[0] * p[0];
    second[1] += weight * p[1] * p[1];
    second[2] += weight * p[2] * p[2];
    second[3] += weight * p[0] * p[1];
    second[4] += weight * p[1] * p[2];
    second[5] += weight * p[2] * p[0];
  }
  void addScaled(double factor, const Moments& other) {
    measure += factor * other.measure;
    for (int i = 0; i < 3; ++i) first[i] += factor * other.first[i];
    for (int c = 0; c < 6; ++c) second[c] += factor * other.second[c];
  }
};

// ------------------------------------------------------------------ closed forms and low-order rules

// A straight segment in closed form: with p(t) = a + t(b − a),
// ∫₀¹ p_i p_j dt = (2a_i a_j + a_i b_j + b_i a_j + 2b_i b_j) / 6.
Moments lineMoments(const Vec3& a, const Vec3& b) {
  Moments m;
  double length = norm(b - a);
  m.measure = length;
  for (int i = 0; i < 3; ++i) m.first[i] = length * (a[i] + b[i]) / 2;
  auto product = [&](int i, int j) {
    return length * (2 * a[i] * a[j] + a[i] * b[j] + b[i] * a[j] + 2 * b[i] * b[j]) / 6;
  };
  m.second = {product(0, 0), product(1, 1), product(2, 2),
              product(0, 1), product(1, 2), product(2, 0)};
  return m;
}

// Three interior points in area coordinates (2/3, 1/6, 1/6) and permutations: exact for quadratics.
Moments triangleMoments(const Vec3* x) {
  Moments m;
  double area = norm(cross(x[1] - x[0], x[2] - x[0])) / 2;
  constexpr double kMajor = 2.0 / 3.0, kMinor = 1.0 / 6.0;
  for (int k = 0; k < 3; ++k) {
    Vec3 p{};
    for (int n = 0; n < 3; ++n) {
      double weight = n == k ? kMajor : kMinor;
      for (int i = 0; i < 3; ++i) p[i] += weight * x[n][i];
    }
    m.add(area / 3, p);
  }
  return m;
}

// Bilinear map over (ξ, η) ∈ [−1, 1]², corners counter-clockwise from (−1, −1); 2×2 Gauss.
// The area element is the norm of ∂x/∂ξ × ∂x/∂η, so a warped quadrilateral is measured on its
// own surface and a reversed one is measured positive.
Moments quadrilateralMoments(const Vec3* x) {
  static constexpr double kXi[4] = {-1, 1, 1, -1};
  static constexpr double kEta[4] = {-1, -1, 1, 1};
  const double g = 1 / std::sqrt(3.0);
  const double points[2] = {-g, g};
  Moments m;
  for (double xi : points) {
    for (double eta : points) {
      Vec3 p{}, dXi{}, dEta{};
      for (int n = 0; n < 4; ++n) {
        double shape = (1 + xi * kXi[n]) * (1 + eta * kEta[n]) / 4;
        double shapeXi = kXi[n] * (1 + eta * kEta[n]) / 4;
        double shapeEta = (1 + xi * kXi[n]) * kEta[n] / 4;
        for (int i = 0; i < 3; ++i) {
          p[i] += shape * x[n][i];
          dXi[i] += shapeXi * x[n][i];
          dEta[i] += shapeEta * x[n][i];
        }
      }
      m.add(norm(cross(dXi, dEta)), p);  // Gauss weights are 1
    }
  }
  return m;
}

// Four points in volume coordinates (a, b, b, b) and permutations: exact for quadratics.
Moments tetrahedronMoments(const Vec3* x) {
  Moments m;
  double volume = std::abs(dot(x[1] - x[0], cross(x[2] - x[0], x[3] - x[0]))) / 6;
  const double b = (5 - std::sqrt(5.0)) / 20;
  const double a = 1 - 3 * b;
  for (int k = 0; k < 4; ++k) {
    Vec3 p{};
    for (int n = 0; n < 4; ++n) {
      double weight = n == k ? a : b;
      for (int i = 0; i < 3; ++i) p[i] += weight * x[n][i];
    }
    m.add(volume / 4, p);
  }
  return m;
}

// Trilinear map over (ξ, η, ζ) ∈ [−1, 1]³: corners 0–3 on the face ζ = −1 and 4–7 above them on
// ζ = +1, each face counter-clockwise from (−1, −1). 3×3×3 Gauss is exact for x²·detJ.
Moments brickMoments(const Vec3* x) {
  static constexpr double kXi[8] = {-1, 1, 1, -1, -1, 1, 1, -1};
  static constexpr double kEta[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
  static constexpr double kZeta[8] = {-1, -1, -1, -1, 1, 1, 1, 1};
  const double g = std::sqrt(0.6);
  const double points[3] = {-g, 0, g};
  const double weights[3] = {5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0};
  Moments m;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 3; ++k) {
        double xi = points[i], eta = points[j], zeta = points[k];
        Vec3 p{}, dXi{}, dEta{}, dZeta{};
        for (int n = 0; n < 8; ++n) {
          double fXi = 1 + xi * kXi[n], fEta = 1 + eta * kEta[n], fZeta = 1 + zeta * kZeta[n];
          double shape = fXi * fEta * fZeta / 8;
          double shapeXi = kXi[n] * fEta * fZeta / 8;
          double shapeEta = fXi * kEta[n] * fZeta / 8;
          double shapeZeta = fXi * fEta * kZeta[n] / 8;
          for (int c = 0; c < 3; ++c) {
            p[c] += shape * x[n][c];
            dXi[c] += shapeXi * x[n][c];
            dEta[c] += shapeEta * x[n][c];
            dZeta[c] += shapeZeta * x[n][c];
          }
        }
        double detJ = std::abs(dot(dXi, cross(dEta, dZeta)));
        m.add(weights[i] * weights[j] * weights[k] * detJ, p);
      }
    }
  }
  return m;
}

// ------------------------------------------------------------------ isoparametric elements

// A number with its derivatives along the three reference coordinates, so that each shape
// function is written once and its derivatives come with it.
struct Dual {
  double v = 0;
  Vec3 d{};
};
Dual operator+(const Dual& a, const Dual& b) { return {a.v + b.v, {a.d[0] + b.d[0], a.d[1] + b.d[1], a.d[2] + b.d[2]}}; }
Dual operator-(const Dual& a, const Dual& b) { return {a.v - b.v, {a.d[0] - b.d[0], a.d[1] - b.d[1], a.d[2] - b.d[2]}}; }
Dual operator*(const Dual& a, const Dual& b) {
  return {a.v * b.v, {a.d[0] * b.v + a.v * b.d[0], a.d[1] * b.v + a.v * b.d[1], a.d[2] * b.v + a.v * b.d[2]}};
}
Dual operator*(double s, const Dual& a) { return {s * a.v, {s * a.d[0], s * a.d[1], s * a.d[2]}}; }
Dual operator+(double s, const Dual& a) { return {s + a.v, a.d}; }
Dual operator-(double s, const Dual& a) { return {s - a.v, {-a.d[0], -a.d[1], -a.d[2]}}; }
Dual variable(double value, int axis) {
  Dual x{value, {}};
  x.d[static_cast<std::size_t>(axis)] = 1;
  return x;
}

constexpr double kHex[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                               {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};

// The shape functions of a topology at reference point (a, b, c): triangles and tetrahedra in
// the area / volume coordinates r = a, s = b (t = c); quadrilaterals and bricks in ξ, η, ζ;
// wedges in r, s and ζ. Nastran's node order.
void shapeFunctions(int topology, const Dual& a, const Dual& b, const Dual& c, Dual* N) {
  switch (topology) {
    case kTria6: {
      Dual L[3] = {1.0 - a - b, a, b};
      for (int i = 0; i < 3; ++i) N[i] = L[i] * (2.0 * L[i] - Dual{1, {}});
      N[3] = 4.0 * (L[0] * L[1]);
      N[4] = 4.0 * (L[1] * L[2]);
      N[5] = 4.0 * (L[2] * L[0]);
      return;
    }
    case kQuad8: {
      static constexpr double kXi[4] = {-1, 1, 1, -1}, kEta[4] = {-1, -1, 1, 1};
      for (int i = 0; i < 4; ++i) {
        Dual fx = 1.0 + kXi[i] * a, fy = 1.0 + kEta[i] * b;
        N[i] = 0.25 * (fx * fy * (kXi[i] * a + kEta[i] * b - Dual{1, {}}));
      }
      Dual ax = 1.0 - a * a, by = 1.0 - b * b;
      N[4] = 0.5 * (ax * (1.0 - b));
      N[5] = 0.5 * ((1.0 + a) * by);
      N[6] = 0.5 * (ax * (1.0 + b));
      N[7] = 0.5 * ((1.0 - a) * by);
      return;
    }
    case kTetra10: {
      Dual L[4] = {1.0 - a - b - c, a, b, c};
      for (int i = 0; i < 4; ++i) N[i] = L[i] * (2.0 * L[i] - Dual{1, {}});
      static constexpr int kEdges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
      for (int e = 0; e < 6; ++e) N[4 + e] = 4.0 * (L[kEdges[e][0]] * L[kEdges[e][1]]);
      return;
    }
    case kWedge6: {
      Dual L[3] = {1.0 - a - b, a, b};
      for (int i = 0; i < 3; ++i) {
        N[i] = 0.5 * (L[i] * (1.0 - c));
        N[i + 3] = 0.5 * (L[i] * (1.0 + c));
      }
      return;
    }
    case kWedge15: {
      Dual L[3] = {1.0 - a - b, a, b};
      Dual bubble = 1.0 - c * c;
      for (int i = 0; i < 3; ++i) {
        for (int level = 0; level < 2; ++level) {
          double zeta = level == 0 ? -1 : 1;
          N[i + 3 * level] = 0.5 * (L[i] * (2.0 * L[i] - Dual{1, {}}) * (1.0 + zeta * c)) - 0.5 * (L[i] * bubble);
        }
      }
      static constexpr int kEdges[3][2] = {{0, 1}, {1, 2}, {2, 0}};
      for (int e = 0; e < 3; ++e) {
        Dual pair = L[kEdges[e][0]] * L[kEdges[e][1]];
        N[6 + e] = 2.0 * (pair * (1.0 - c));
        N[12 + e] = 2.0 * (pair * (1.0 + c));
        N[9 + e] = L[e] * bubble;
      }
      return;
    }
    case kBrick20: {
      for (int i = 0; i < 8; ++i) {
        Dual fx = 1.0 + kHex[i][0] * a, fy = 1.0 + kHex[i][1] * b, fz = 1.0 + kHex[i][2] * c;
        N[i] = 0.125 * (fx * fy * fz * (kHex[i][0] * a + kHex[i][1] * b + kHex[i][2] * c - Dual{2, {}}));
      }
      static constexpr int kEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5},
                                            {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};
      const Dual* xyz[3] = {&a, &b, &c};
      for (int e = 0; e < 12; ++e) {
        Dual product{1, {}};
        for (int axis = 0; axis < 3; ++axis) {
          double position = (kHex[kEdges[e][0]][axis] + kHex[kEdges[e][1]][axis]) / 2;
          product = product * (position == 0 ? 1.0 - *xyz[axis] * *xyz[axis] : 1.0 + position * *xyz[axis]);
        }
        N[8 + e] = 0.25 * product;
      }
      return;
    }
    default: return;
  }
}

struct RulePoint {
  Vec3 at;
  double weight;
};

// Gauss–Legendre points and weights on [−1, 1].
std::vector<std::pair<double, double>> gaussLegendre(int n) {
  switch (n) {
    case 3: {
      double g = std::sqrt(0.6);
      return {{-g, 5.0 / 9}, {0, 8.0 / 9}, {g, 5.0 / 9}};
    }
    case 4: {
      double a = std::sqrt(3.0 / 7 - 2.0 / 7 * std::sqrt(1.2)), b = std::sqrt(3.0 / 7 + 2.0 / 7 * std::sqrt(1.2));
      double wa = (18 + std::sqrt(30.0)) / 36, wb = (18 - std::sqrt(30.0)) / 36;
      return {{-b, wb}, {-a, wa}, {a, wa}, {b, wb}};
    }
    default: {  // 5
      double a = std::sqrt(5 - 2 * std::sqrt(10.0 / 7)) / 3, b = std::sqrt(5 + 2 * std::sqrt(10.0 / 7)) / 3;
      double wa = (322 + 13 * std::sqrt(70.0)) / 900, wb = (322 - 13 * std::sqrt(70.0)) / 900;
      return {{-b, wb}, {-a, wa}, {0, 128.0 / 225}, {a, wa}, {b, wb}};
    }
  }
}

// Gauss–Legendre on [0, 1].
std::vector<std::pair<double, double>> unitGauss(int n) {
  auto rule = gaussLegendre(n);
  for (auto& [x, w] : rule) {
    x = (x + 1) / 2;
    w /= 2;
  }
  return rule;
}

// Integration rules over each reference shape. Triangles, tetrahedra and wedges are mapped from
// the unit square or cube by collapsing (r = u, s = v(1 − u), t = w(1 − u)(1 − v)), whose
// Jacobian joins the weights; the point counts make every rule exact for the polynomial
// integrands p_i p_j detJ of its element (x² of degree 4 times a Jacobian of degree 3 for a
// curved tetrahedron; degree 2 in each variable times 5 for a curved 20-node brick, and so on).
std::vector<RulePoint> makeRule(int topology) {
  std::vector<RulePoint> rule;
  switch (topology) {
    case kTria6:
      for (auto [u, wu] : unitGauss(4)) {
        for (auto [v, wv] : unitGauss(4)) rule.push_back({{u, v * (1 - u), 0}, wu * wv * (1 - u)});
      }
      break;
    case kQuad8:
      for (auto [x, wx] : gaussLegendre(4)) {
        for (auto [y, wy] : gaussLegendre(4)) rule.push_back({{x, y, 0}, wx * wy});
      }
      break;
    case kTetra10:
      for (auto [u, wu] : unitGauss(5)) {
        for (auto [v, wv] : unitGauss(5)) {
          for (auto [w, ww] : unitGauss(5)) {
            rule.push_back({{u, v * (1 - u), w * (1 - u) * (1 - v)}, wu * wv * ww * (1 - u) * (1 - u) * (1 - v)});
          }
        }
      }
      break;
    case kWedge6:
    case kWedge15: {
      int n = topology == kWedge6 ? 3 : 5;
      for (auto [u, wu] : unitGauss(n)) {
        for (auto [v, wv] : unitGauss(n)) {
          for (auto [z, wz] : gaussLegendre(n)) rule.push_back({{u, v * (1 - u), z}, wu * wv * (1 - u) * wz});
        }
      }
      break;
    }
    case kBrick20:
      for (auto [x, wx] : gaussLegendre(5)) {
        for (auto [y, wy] : gaussLegendre(5)) {
          for (auto [z, wz] : gaussLegendre(5)) rule.push_back({{x, y, z}, wx * wy * wz});
        }
      }
      break;
    default: break;
  }
  return rule;
}

const std::vector<RulePoint>& ruleOf(int topology) {
  static const std::vector<RulePoint> kRules[] = {makeRule(kTria6), makeRule(kQuad8), makeRule(kTetra10),
                                                  makeRule(kWedge6), makeRule(kWedge15), makeRule(kBrick20)};
  switch (topology) {
    case kTria6: return kRules[0];
    case kQuad8: return kRules[1];
    case kTetra10: return kRules[2];
    case kWedge6: return kRules[3];
    case kWedge15: return kRules[4];
    default: return kRules[5];
  }
}

// An isoparametric plate (two reference directions) or solid (three) by its rule.
Moments isoparametricMoments(int topology, const Vec3* x, std::size_t nodes, bool solid) {
  Moments m;
  Dual N[20];
  for (const RulePoint& point : ruleOf(topology)) {
    shapeFunctions(topology, variable(point.at[0], 0), variable(point.at[1], 1), variable(point.at[2], 2), N);
    Vec3 p{};
    Vec3 J[3] = {};
    for (std::size_t n = 0; n < nodes; ++n) {
      for (int c = 0; c < 3; ++c) {
        p[c] += N[n].v * x[n][c];
        for (int axis = 0; axis < 3; ++axis) J[axis][c] += N[n].d[axis] * x[n][c];
      }
    }
    double jacobian = solid ? std::abs(dot(J[0], cross(J[1], J[2]))) : norm(cross(J[0], J[1]));
    m.add(point.weight * jacobian, p);
  }
  return m;
}

// The corner pair of each mid-side node, in node order after the corners.
}  // namespace

std::span<const std::array<int, 2>> midsideEdgesOf(int topology) {
  static constexpr std::array<int, 2> kTria[] = {{0, 1}, {1, 2}, {2, 0}};
  static constexpr std::array<int, 2> kQuad[] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
  static constexpr std::array<int, 2> kTetra[] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
  static constexpr std::array<int, 2> kWedge[] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 4},
                                                  {2, 5}, {3, 4}, {4, 5}, {5, 3}};
  static constexpr std::array<int, 2> kBrick[] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5},
                                                  {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};
  switch (topology) {
    case kTria6: return kTria;
    case kQuad8: return kQuad;
    case kTetra10: return kTetra;
    case kWedge15: return kWedge;
    case kBrick20: return kBrick;
    default: return {};
  }
}

namespace {

// Whether every mid-side node lies in the middle of its edge (to rounding), so that the
// element has the shape of its straight-edged counterpart.
bool straightEdged(int topology, const Vec3* x, std::size_t corners) {
  double size = 0;
  for (std::size_t n = 1; n < corners; ++n) size = std::max(size, norm(x[n] - x[0]));
  std::span<const std::array<int, 2>> edges = midsideEdgesOf(topology);
  for (std::size_t e = 0; e < edges.size(); ++e) {
    const Vec3& a = x[edges[e][0]];
    const Vec3& b = x[edges[e][1]];
    Vec3 middle{(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
    if (norm(x[corners + e] - middle) > 1e-12 * size) return false;
  }
  return true;
}

Moments elementGeometry(int topology, const Vec3* x) {
  switch (topology) {
    case kLine2: return lineMoments(x[0], x[1]);
    case kTria3: return triangleMoments(x);
    case kQuad4: return quadrilateralMoments(x);
    case kTetra4: return tetrahedronMoments(x);
    case kBrick8: return brickMoments(x);
    case kWedge6: return isoparametricMoments(kWedge6, x, 6, true);
    case kTria6: return straightEdged(kTria6, x, 3) ? triangleMoments(x) : isoparametricMoments(kTria6, x, 6, false);
    case kQuad8:
      return straightEdged(kQuad8, x, 4) ? quadrilateralMoments(x) : isoparametricMoments(kQuad8, x, 8, false);
    case kTetra10:
      return straightEdged(kTetra10, x, 4) ? tetrahedronMoments(x) : isoparametricMoments(kTetra10, x, 10, true);
    case kWedge15:
      return straightEdged(kWedge15, x, 6) ? isoparametricMoments(kWedge6, x, 6, true)
                                           : isoparametricMoments(kWedge15, x, 15, true);
    case kBrick20:
      return straightEdged(kBrick20, x, 8) ? brickMoments(x) : isoparametricMoments(kBrick20, x, 20, true);
    default: return {};
  }
}

// ------------------------------------------------------------------ mass of one element

// One element's measure and the moments of its structural and non-structural mass.
struct ElementMass {
  double measure = 0;
  Moments structural, nonStructural;  // measure holds the mass
};

// A line whose mass per length varies: each stretch by 3-point Gauss, exact for its quadratic
// mass per length times the quadratic p_i p_j.
void addStretches(const MassElement& element, const Vec3& a, const Vec3& b, ElementMass& out) {
  double length = norm(b - a);
  out.measure = length;
  for (const LineStretch& stretch : element.stretches) {
    double span = stretch.to - stretch.from;
    for (auto [x, w] : gaussLegendre(3)) {
      double local = (x + 1) / 2;  // within the stretch
      double t = stretch.from + local * span;
      Vec3 p{a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])};
      // Lagrange through the stretch's start, middle and end.
      double l0 = 2 * (local - 0.5) * (local - 1), l1 = -4 * local * (local - 1), l2 = 2 * local * (local - 0.5);
      auto perLength = [&](const std::array<double, 3>& v) { return l0 * v[0] + l1 * v[1] + l2 * v[2]; };
      double weight = w / 2 * span * length;
      out.structural.add(weight * perLength(stretch.structural), p);
      out.nonStructural.add(weight * perLength(stretch.nonStructural), p);
    }
  }
}

ElementMass elementMass(const MassElement& element, const Shape& shape, const Vec3& about) {
  Vec3 x[20];
  for (std::size_t n = 0; n < shape.nodes; ++n) x[n] = element.nodes[n] - about;
  ElementMass out;
  if (shape.measure == Measure::kPoint) {
    out.structural.add(element.pointMass, x[0]);
    for (int c = 0; c < 6; ++c) out.structural.second[c] += element.pointSecond[c];
    return out;
  }
  if (shape.measure == Measure::kLine && !element.stretches.empty()) {
    addStretches(element, x[0], x[1], out);
    return out;
  }
  Moments geometry = elementGeometry(element.topology, x);
  out.measure = geometry.measure;
  double structural = 0, nonStructural = 0;
  switch (shape.measure) {
    case Measure::kSolid: structural = element.density; break;
    case Measure::kPlate:
      structural = element.massPerArea > 0 ? element.massPerArea : element.section * element.density;
      nonStructural = element.nonStructural;
      break;
    default:
      structural = element.section * element.density;
      nonStructural = element.nonStructural;
      break;
  }
  out.structural.addScaled(structural, geometry);
  out.nonStructural.addScaled(nonStructural, geometry);
  return out;
}

std::optional<Shape> usableShape(const MassElement& element) {
  std::optional<Shape> shape = shapeOf(element.topology);
  if (!shape || element.nodes.size() < shape->nodes) return std::nullopt;
  return shape;
}

Vec3 centreOf(const Vec3& firstMoment, double mass) {
  if (mass == 0) return {};
  return {firstMoment[0] / mass, firstMoment[1] / mass, firstMoment[2] / mass};
}

// Inertia components from mass-weighted second moments ∫p_i p_j dm (xx, yy, zz, xy, yz, zx).
Second inertiaFrom(const Second& second) {
  return {second[1] + second[2], second[0] + second[2], second[0] + second[1],
          second[3], second[4], second[5]};
}

}  // namespace

std::size_t nodeCountOf(int topology) {
  auto shape = shapeOf(topology);
  return shape ? shape->nodes : 0;
}

std::size_t cornerCountOf(int topology) {
  auto shape = shapeOf(topology);
  return shape ? shape->corners : 0;
}

MassProperties measureMassProperties(std::span<const MassElement> elements) {
  MassProperties result;
  Vec3 structuralFirst{}, nonStructuralFirst{};
  Second secondAboutOrigin{};

  for (const MassElement& element : elements) {
    std::optional<Shape> shape = usableShape(element);
    if (!shape) continue;
    ElementMass m = elementMass(element, *shape, Vec3{});
    switch (shape->measure) {
      case Measure::kLine: result.length += m.measure; break;
      case Measure::kPlate: result.area += m.measure; break;
      case Measure::kSolid: result.volume += m.measure; break;
      case Measure::kPoint: break;
    }
    result.structuralMass += m.structural.measure;
    result.nonStructuralMass += m.nonStructural.measure;
    for (int i = 0; i < 3; ++i) {
      structuralFirst[i] += m.structural.first[i];
      nonStructuralFirst[i] += m.nonStructural.first[i];
    }
    for (int c = 0; c < 6; ++c) secondAboutOrigin[c] += m.structural.second[c] + m.nonStructural.second[c];
  }

  result.totalMass = result.structuralMass + result.nonStructuralMass;
  Vec3 totalFirst{};
  for (int i = 0; i < 3; ++i) totalFirst[i] = structuralFirst[i] + nonStructuralFirst[i];
  result.structuralCG = centreOf(structuralFirst, result.structuralMass);
  result.nonStructuralCG = centreOf(nonStructuralFirst, result.nonStructuralMass);
  result.totalCG = centreOf(totalFirst, result.totalMass);
  result.inertia = inertiaFrom(secondAboutOrigin);

  // About the centre of gravity the moments are integrated directly rather than by subtracting
  // m·d² from the origin values, which loses digits for a model far from the origin.
  Second secondAboutCG{};
  for (const MassElement& element : elements) {
    std::optional<Shape> shape = usableShape(element);
    if (!shape) continue;
    ElementMass m = elementMass(element, *shape, result.totalCG);
    for (int c = 0; c < 6; ++c) secondAboutCG[c] += m.structural.second[c] + m.nonStructural.second[c];
  }
  result.inertiaCG = inertiaFrom(secondAboutCG);
  return result;
}

}  // namespace femapsim
