#include "femapsim/mass_properties.h"

#include <cmath>
#include <cstddef>
#include <optional>

namespace femapsim {
namespace {

using Vec3 = std::array<double, 3>;

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

enum class Kind { kLine, kPlate, kSolid };

struct Shape {
  Kind kind;
  std::size_t corners;
};

std::optional<Shape> shapeOf(int topology) {
  switch (topology) {
    case 0: return Shape{Kind::kLine, 2};
    case 2: return Shape{Kind::kPlate, 3};
    case 4: return Shape{Kind::kPlate, 4};
    case 6: return Shape{Kind::kSolid, 4};
    case 8: return Shape{Kind::kSolid, 8};
    default: return std::nullopt;
  }
}

// Integrals of 1, p and p_i·p_j over one element's length, area or volume, with p measured
// from a chosen point. Second moments are ordered xx, yy, zz, xy, yz, zx.
struct Moments {
  double measure = 0;
  Vec3 first{};
  std::array<double, 6> second{};

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
};

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
Moments triangleMoments(const std::array<Vec3, 3>& x) {
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
Moments quadrilateralMoments(const std::array<Vec3, 4>& x) {
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
Moments tetrahedronMoments(const std::array<Vec3, 4>& x) {
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
Moments brickMoments(const std::array<Vec3, 8>& x) {
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

template <std::size_t N>
std::array<Vec3, N> cornersFrom(const MassElement& element, const Vec3& about) {
  std::array<Vec3, N> corners;
  for (std::size_t n = 0; n < N; ++n) corners[n] = element.nodes[n] - about;
  return corners;
}

// The element's moments with positions measured from `about`; the element has its corners.
Moments elementMoments(const MassElement& element, const Vec3& about) {
  switch (element.topology) {
    case 0: {
      auto x = cornersFrom<2>(element, about);
      return lineMoments(x[0], x[1]);
    }
    case 2: return triangleMoments(cornersFrom<3>(element, about));
    case 4: return quadrilateralMoments(cornersFrom<4>(element, about));
    case 6: return tetrahedronMoments(cornersFrom<4>(element, about));
    case 8: return brickMoments(cornersFrom<8>(element, about));
    default: return {};
  }
}

// Mass per unit of the element's measure (length, area or volume).
struct MassDensities {
  double structural;
  double nonStructural;
};

MassDensities densitiesOf(const MassElement& element, Kind kind) {
  if (kind == Kind::kSolid) return {element.density, 0};
  return {element.section * element.density, element.nonStructural};
}

std::optional<Shape> usableShape(const MassElement& element) {
  std::optional<Shape> shape = shapeOf(element.topology);
  if (!shape || element.nodes.size() < shape->corners) return std::nullopt;
  return shape;
}

Vec3 centreOf(const Vec3& firstMoment, double mass) {
  if (mass == 0) return {};
  return {firstMoment[0] / mass, firstMoment[1] / mass, firstMoment[2] / mass};
}

// Inertia components from mass-weighted second moments ∫p_i p_j dm (xx, yy, zz, xy, yz, zx).
std::array<double, 6> inertiaFrom(const std::array<double, 6>& second) {
  return {second[1] + second[2], second[0] + second[2], second[0] + second[1],
          second[3], second[4], second[5]};
}

}  // namespace

MassProperties measureMassProperties(std::span<const MassElement> elements) {
  MassProperties result;
  Vec3 structuralFirst{}, nonStructuralFirst{};
  std::array<double, 6> secondAboutOrigin{};

  for (const MassElement& element : elements) {
    std::optional<Shape> shape = usableShape(element);
    if (!shape) continue;
    Moments m = elementMoments(element, Vec3{});
    switch (shape->kind) {
      case Kind::kLine: result.length += m.measure; break;
      case Kind::kPlate: result.area += m.measure; break;
      case Kind::kSolid: result.volume += m.measure; break;
    }
    MassDensities rho = densitiesOf(element, shape->kind);
    result.structuralMass += rho.structural * m.measure;
    result.nonStructuralMass += rho.nonStructural * m.measure;
    for (int i = 0; i < 3; ++i) {
      structuralFirst[i] += rho.structural * m.first[i];
      nonStructuralFirst[i] += rho.nonStructural * m.first[i];
    }
    double total = rho.structural + rho.nonStructural;
    for (int c = 0; c < 6; ++c) secondAboutOrigin[c] += total * m.second[c];
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
  std::array<double, 6> secondAboutCG{};
  for (const MassElement& element : elements) {
    std::optional<Shape> shape = usableShape(element);
    if (!shape) continue;
    Moments m = elementMoments(element, result.totalCG);
    MassDensities rho = densitiesOf(element, shape->kind);
    double total = rho.structural + rho.nonStructural;
    for (int c = 0; c < 6; ++c) secondAboutCG[c] += total * m.second[c];
  }
  result.inertiaCG = inertiaFrom(secondAboutCG);
  return result;
}

}  // namespace femapsim
