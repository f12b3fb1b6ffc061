#include "line_elements.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "numbers.h"
#include "vec3.h"

namespace nastranccx {
namespace {

using vec3::cross;
using vec3::dot;
using vec3::norm;
using vec3::operator+;
using vec3::operator-;
using vec3::operator*;

// The angle from y to the principal axis of the larger-or-first inertia, in the y-z plane.
double principalAngle(const BeamSection& s) { return 0.5 * std::atan2(2 * s.i12, s.i1 - s.i2); }

// A vector (y, z) components turned by `angle` from the y-z axes to the principal ones, and back.
std::array<double, 2> turn(double y, double z, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return {c * y + s * z, -s * y + c * z};
}

}  // namespace

std::optional<BarFrame> barFrame(const Vec3& endA, const Vec3& endB, const Vec3& orientation) {
  Vec3 along = endB - endA;
  double length = norm(along);
  if (length == 0) return std::nullopt;
  BarFrame frame;
  frame.length = length;
  frame.x = (1 / length) * along;
  Vec3 normal = orientation - dot(orientation, frame.x) * frame.x;
  if (norm(normal) <= 1e-9 * norm(orientation)) return std::nullopt;
  frame.y = (1 / norm(normal)) * normal;
  frame.z = cross(frame.x, frame.y);
  return frame;
}

EndValues toElementAxes(const BarFrame& frame, const std::array<double, 6>& motionA, const std::array<double, 6>& motionB) {
  EndValues local{};
  const std::array<double, 6>* ends[2] = {&motionA, &motionB};
  const Vec3* axes[3] = {&frame.x, &frame.y, &frame.z};
  for (int end = 0; end < 2; ++end)
    for (int part = 0; part < 2; ++part) {
      Vec3 v{(*ends[end])[3 * part], (*ends[end])[3 * part + 1], (*ends[end])[3 * part + 2]};
      for (int axis = 0; axis < 3; ++axis) local[6 * end + 3 * part + axis] = dot(v, *axes[axis]);
    }
  return local;
}

EndValues toBasic(const BarFrame& frame, const EndValues& local) {
  EndValues basic{};
  for (int group = 0; group < 4; ++group) {
    Vec3 v = local[3 * group] * frame.x + local[3 * group + 1] * frame.y + local[3 * group + 2] * frame.z;
    for (int axis = 0; axis < 3; ++axis) basic[3 * group + axis] = v[axis];
  }
  return basic;
}

U1Section u1Section(const BarFrame& frame, const BeamSection& section, double youngsModulus, double shearModulus) {
  U1Section u1;
  double angle = principalAngle(section);
  double c = std::cos(angle), s = std::sin(angle);
  u1.direction = c * frame.y + s * frame.z;
  u1.i11 = section.i1 * c * c + 2 * section.i12 * s * c + section.i2 * s * s;
  u1.i22 = section.i1 * s * s - 2 * section.i12 * s * c + section.i2 * c * c;
  u1.area = section.area;
  double polar = u1.i11 + u1.i22;
  // CalculiX takes Poisson's ratios below 0.5 only, so G' > E/3.
  constexpr double kHighestPoisson = 0.49;
  double ratio = polar > 0 ? shearModulus * section.torsion / (youngsModulus * polar) : 0;  // G'/E wanted
  double lowest = 1 / (2 * (1 + kHighestPoisson));
  if (polar == 0) {
    u1.poisson = 0;
  } else if (ratio >= lowest) {
    u1.poisson = 1 / (2 * ratio) - 1;
  } else {
    // (1 + c) * lowest - c * companion = ratio, companion = 1 / (2 (1 - 0.5)) = 1.
    double companion = 1 / (2 * (1 + U1Section::kCompanionPoisson));
    double scale = (lowest - ratio) / (companion - lowest);
    u1.poisson = kHighestPoisson;
    u1.scale = 1 + scale;
    u1.companionScale = -scale;
  }
  return u1;
}

std::string u1SectionText(const std::string& elset, const std::string& material, const U1Section& section, double scale,
                          int plane, const Vec3& axis) {
  Vec3 direction = plane == 0 ? section.direction : cross(axis, section.direction);
  double inertia = plane == 0 ? section.i11 : section.i22;
  std::ostringstream out;
  out << "*BEAM SECTION, ELSET=" << elset << ", MATERIAL=" << material << ", SECTION=GENERAL\n"
      << formatRealLimited(scale * section.area / 2) << ", " << formatRealLimited(scale * inertia) << ", 0., 0., "
      << formatRealLimited(U1Section::kShearFactor) << "\n"
      << formatRealLimited(direction[0]) << ", " << formatRealLimited(direction[1]) << ", "
      << formatRealLimited(direction[2]) << "\n";
  return out.str();
}

EndValues barEndForces(const BarFrame& frame, const BeamSection& section, double youngsModulus, double shearModulus,
                       const EndValues& motion, const EndValues& equivalentLoads) {
  const double length = frame.length, e = youngsModulus;
  double angle = principalAngle(section);
  double c = std::cos(angle), s = std::sin(angle);
  double ip = section.i1 * c * c + 2 * section.i12 * s * c + section.i2 * s * s;  // about the p axis: integral of p^2
  double iq = section.i1 * s * s - 2 * section.i12 * s * c + section.i2 * c * c;
  // Motion on the principal axes x, p, q.
  auto [upA, uqA] = turn(motion[1], motion[2], angle);
  auto [rpA, rqA] = turn(motion[4], motion[5], angle);
  auto [upB, uqB] = turn(motion[7], motion[8], angle);
  auto [rpB, rqB] = turn(motion[10], motion[11], angle);
  double l2 = length * length, l3 = l2 * length;
  EndValues f{};
  f[0] = e * section.area / length * (motion[0] - motion[6]);
  f[6] = -f[0];
  f[3] = shearModulus * section.torsion / length * (motion[3] - motion[9]);
  f[9] = -f[3];
  // Plane x-p: displacement along p, rotation about q.
  double fpA = 12 * e * ip / l3 * (upA - upB) + 6 * e * ip / l2 * (rqA + rqB);
  double mqA = 6 * e * ip / l2 * (upA - upB) + e * ip / length * (4 * rqA + 2 * rqB);
  double mqB = 6 * e * ip / l2 * (upA - upB) + e * ip / length * (2 * rqA + 4 * rqB);
  // Plane x-q: displacement along q, rotation about p.
  double fqA = 12 * e * iq / l3 * (uqA - uqB) - 6 * e * iq / l2 * (rpA + rpB);
  double mpA = -6 * e * iq / l2 * (uqA - uqB) + e * iq / length * (4 * rpA + 2 * rpB);
  double mpB = -6 * e * iq / l2 * (uqA - uqB) + e * iq / length * (2 * rpA + 4 * rpB);
  // Back to y, z.
  auto [fyA, fzA] = turn(fpA, fqA, -angle);
  auto [myA, mzA] = turn(mpA, mqA, -angle);
  auto [myB, mzB] = turn(mpB, mqB, -angle);
  f[1] = fyA, f[2] = fzA, f[4] = myA, f[5] = mzA;
  f[7] = -fyA, f[8] = -fzA, f[10] = myB, f[11] = mzB;
  for (std::size_t i = 0; i < f.size(); ++i) f[i] -= equivalentLoads[i];
  return f;
}

resultfiles::BarForce barForce(int element, const EndValues& f) {
  resultfiles::BarForce bar;
  bar.element = element;
  bar.moment1A = static_cast<float>(f[5]);
  bar.moment1B = static_cast<float>(-f[11]);
  bar.moment2A = static_cast<float>(-f[4]);
  bar.moment2B = static_cast<float>(f[10]);
  bar.shear1 = static_cast<float>(-f[1]);
  bar.shear2 = static_cast<float>(-f[2]);
  bar.axial = static_cast<float>(-f[0]);
  bar.torque = static_cast<float>(-f[3]);
  return bar;
}

resultfiles::BarStress barStress(int element, const BeamSection& s, const resultfiles::BarForce& forces) {
  resultfiles::BarStress bar;
  bar.element = element;
  double determinant = s.i1 * s.i2 - s.i12 * s.i12;
  auto bending = [&](double m1, double m2, const std::array<double, 2>& point) {
    double y = point[0], z = point[1];
    return (m1 * (s.i2 * y - s.i12 * z) + m2 * (s.i1 * z - s.i12 * y)) / determinant;
  };
  double axial = forces.axial / s.area;
  bar.axial = static_cast<float>(axial);
  double maxA = -HUGE_VAL, minA = HUGE_VAL, maxB = -HUGE_VAL, minB = HUGE_VAL;
  for (int i = 0; i < 4; ++i) {
    double a = determinant > 0 ? bending(forces.moment1A, forces.moment2A, s.points[i]) : 0;
    double b = determinant > 0 ? bending(forces.moment1B, forces.moment2B, s.points[i]) : 0;
    bar.endA[i] = static_cast<float>(a);
    bar.endB[i] = static_cast<float>(b);
    maxA = std::max(maxA, a), minA = std::min(minA, a), maxB = std::max(maxB, b), minB = std::min(minB, b);
  }
  bar.maxA = static_cast<float>(axial + maxA);
  bar.minA = static_cast<float>(axial + minA);
  bar.maxB = static_cast<float>(axial + maxB);
  bar.minB = static_cast<float>(axial + minB);
  return bar;
}

resultfiles::BeamForce beamForce(int element, int gridA, int gridB, const resultfiles::BarForce& f) {
  resultfiles::BeamForce beam;
  beam.element = element;
  resultfiles::BeamForceStation a, b;
  a.grid = gridA, a.distance = 0, a.moment1 = f.moment1A, a.moment2 = f.moment2A;
  b.grid = gridB, b.distance = 1, b.moment1 = f.moment1B, b.moment2 = f.moment2B;
  for (resultfiles::BeamForceStation* station : {&a, &b}) {
    station->shear1 = f.shear1, station->shear2 = f.shear2, station->axial = f.axial, station->torque = f.torque;
  }
  beam.stations = {a, b};
  return beam;
}

resultfiles::BeamStress beamStress(int element, int gridA, int gridB, const resultfiles::BarStress& s) {
  resultfiles::BeamStress beam;
  beam.element = element;
  resultfiles::BeamStation a, b;
  a.grid = gridA, a.distance = 0, a.max = s.maxA, a.min = s.minA;
  b.grid = gridB, b.distance = 1, b.max = s.maxB, b.min = s.minB;
  // A beam's long. stresses include the axial stress.
  for (int i = 0; i < 4; ++i) {
    a.points[i] = s.endA[i] + s.axial;
    b.points[i] = s.endB[i] + s.axial;
  }
  beam.stations = {a, b};
  return beam;
}

EndValues lineLoadEquivalent(double length, int axis, double from, std::optional<double> to, double valueA, double valueB) {
  EndValues f{};
  // Shape functions of the bar at xi = x / L: linear for the axial direction, Hermite's
  // cubics for the transverse ones (N2 and N4 in length units).
  auto add = [&](double x, double weight) {
    double xi = x / length;
    if (axis == 0) {
      f[0] += weight * (1 - xi);
      f[6] += weight * xi;
      return;
    }
    double n1 = 1 - 3 * xi * xi + 2 * xi * xi * xi, n2 = length * (xi - 2 * xi * xi + xi * xi * xi);
    double n3 = 3 * xi * xi - 2 * xi * xi * xi, n4 = length * (-xi * xi + xi * xi * xi);
    // A load along y turns about z positively at A; one along z, about y negatively.
    double sign = axis == 1 ? 1 : -1;
    int momentAxis = axis == 1 ? 5 : 4;
    f[axis] += weight * n1;
    f[6 + axis] += weight * n3;
    f[momentAxis] += sign * weight * n2;
    f[6 + momentAxis] += sign * weight * n4;
  };
  if (!to) {
    add(from, valueA);
    return f;
  }
  // Three Gauss points integrate a cubic times a linear load exactly.
  const double points[3] = {-std::sqrt(0.6), 0, std::sqrt(0.6)};
  const double weights[3] = {5.0 / 9, 8.0 / 9, 5.0 / 9};
  double half = (*to - from) / 2, middle = (*to + from) / 2;
  for (int i = 0; i < 3; ++i) {
    double t = (points[i] + 1) / 2;
    add(middle + half * points[i], weights[i] * half * (valueA + t * (valueB - valueA)));
  }
  return f;
}

}  // namespace nastranccx

namespace nastranccx {

std::optional<BarFrame> barFrameOf(const Model& model, const Element& element) {
  Vec3 a = model.grids.at(element.grids[0]).position + element.offsets[0];
  Vec3 b = model.grids.at(element.grids[1]).position + element.offsets[1];
  Vec3 orientation = element.orientationGrid
                         ? model.grids.at(*element.orientationGrid).position - model.grids.at(element.grids[0]).position
                         : element.orientation;
  return barFrame(a, b, orientation);
}

bool solvesLinesAsBeams(const Model& model) {
  bool lines = !model.rigidLinks.empty() || !model.masses.empty();
  for (const auto& [id, element] : model.elements) {
    switch (element.type) {
      case ElementType::Bar:
      case ElementType::Beam: lines = true; break;
      case ElementType::Rod: break;
      default: return false;
    }
  }
  return lines;
}

}  // namespace nastranccx

namespace nastranccx {

std::optional<std::vector<InterpolationMatrix>> interpolationMatrices(const Vec3& reference,
                                                                     const std::vector<std::pair<Vec3, double>>& points) {
  // A_i = [I, -[r_i]x] (3 x 6); the fit is N^-1 sum w_i A_i' u_i, N = sum w_i A_i' A_i.
  auto rowsOf = [&](const Vec3& r) {
    std::array<std::array<double, 6>, 3> a{};
    for (int k = 0; k < 3; ++k) a[k][k] = 1;
    // -[r]x theta = theta x r: rows (0, r_z, -r_y), (-r_z, 0, r_x), (r_y, -r_x, 0).
    a[0][4] = r[2], a[0][5] = -r[1];
    a[1][3] = -r[2], a[1][5] = r[0];
    a[2][3] = r[1], a[2][4] = -r[0];
    return a;
  };
  std::array<std::array<double, 12>, 6> n{};  // [N | I], reduced to [I | N^-1]
  double scale = 0;
  for (const auto& [at, weight] : points) {
    auto a = rowsOf(at - reference);
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 6; ++j)
        for (int k = 0; k < 3; ++k) n[i][j] += weight * a[k][i] * a[k][j];
  }
  for (int i = 0; i < 6; ++i) {
    n[i][6 + i] = 1;
    scale = std::max(scale, std::abs(n[i][i]));
  }
  for (int column = 0; column < 6; ++column) {
    int pivot = column;
    for (int row = column + 1; row < 6; ++row)
      if (std::abs(n[row][column]) > std::abs(n[pivot][column])) pivot = row;
    if (std::abs(n[pivot][column]) <= 1e-10 * scale) return std::nullopt;
    std::swap(n[pivot], n[column]);
    double divisor = n[column][column];
    for (double& value : n[column]) value /= divisor;
    for (int row = 0; row < 6; ++row) {
      if (row == column || n[row][column] == 0) continue;
      double factor = n[row][column];
      for (int j = 0; j < 12; ++j) n[row][j] -= factor * n[column][j];
    }
  }
  std::vector<InterpolationMatrix> matrices;
  for (const auto& [at, weight] : points) {
    auto a = rowsOf(at - reference);
    InterpolationMatrix m{};
    for (int i = 0; i < 6; ++i)
      for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 6; ++j) m[i][k] += n[i][6 + j] * weight * a[k][j];
    matrices.push_back(m);
  }
  return matrices;
}

}  // namespace nastranccx
