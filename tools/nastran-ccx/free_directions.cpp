#include "free_directions.h"

#include <algorithm>
#include <cmath>

namespace nastranccx {
namespace {

// A free direction's eigenvalue, relative to the largest.
constexpr double kZeroStiffness = 1e-9;

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Eigenvalues and unit eigenvectors (columns of `vectors`) of a symmetric 3x3 matrix, by
// cyclic Jacobi rotations.
void symmetricEigen(Matrix3 a, Vec3& values, Matrix3& vectors) {
  vectors = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  for (int sweep = 0; sweep < 50; ++sweep) {
    double off = std::abs(a[0][1]) + std::abs(a[0][2]) + std::abs(a[1][2]);
    double scale = std::abs(a[0][0]) + std::abs(a[1][1]) + std::abs(a[2][2]);
    if (off <= 1e-15 * scale || off == 0) break;
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (a[p][q] == 0) continue;
        double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        double t = (theta >= 0 ? 1 : -1) / (std::abs(theta) + std::sqrt(theta * theta + 1));
        double c = 1 / std::sqrt(t * t + 1), s = t * c;
        for (int k = 0; k < 3; ++k) {  // A <- A J
          double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {  // A <- J' A
          double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
        for (int k = 0; k < 3; ++k) {
          double vkp = vectors[k][p], vkq = vectors[k][q];
          vectors[k][p] = c * vkp - s * vkq;
          vectors[k][q] = s * vkp + c * vkq;
        }
      }
    }
  }
  values = {a[0][0], a[1][1], a[2][2]};
}

// A shear panel (and the rods of its effectiveness) stiffens its grids in its plane only: G T
// across the directions of the plane, none along its normal.
void addShearPanelStiffness(const Model& model, const Element& element, std::map<int, Matrix3>& stiffness) {
  auto at = [&](std::size_t i) { return model.grids.at(element.grids[i]).position; };
  Vec3 d1{at(2)[0] - at(0)[0], at(2)[1] - at(0)[1], at(2)[2] - at(0)[2]};
  Vec3 d2{at(3)[0] - at(1)[0], at(3)[1] - at(1)[1], at(3)[2] - at(1)[2]};
  Vec3 n{d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2], d1[0] * d2[1] - d1[1] * d2[0]};
  double length = std::sqrt(dot(n, n));
  if (length == 0) return;  // refused as no rectangle when the job is written
  for (double& component : n) component /= length;
  const Property& property = model.properties.at(element.propertyId);
  const Material& material = model.materials.at(property.materialId);
  double shear = material.youngsModulus / (2 * (1 + material.poissonRatio)) * property.thickness;
  for (int grid : element.grids)
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) stiffness[grid][i][j] += shear * ((i == j ? 1.0 : 0.0) - n[i] * n[j]);
}

}  // namespace

std::map<int, Matrix3> axialOnlyStiffness(const Model& model) {
  std::map<int, Matrix3> stiffness;
  std::map<int, bool> stiffEverywhere;
  for (const auto& [id, grid] : model.grids) stiffness[id] = Matrix3{};
  for (const auto& [id, element] : model.elements) {
    if (element.type == ElementType::Shear) {
      addShearPanelStiffness(model, element, stiffness);
      continue;
    }
    if (element.type != ElementType::Rod) {
      for (int grid : element.grids) stiffEverywhere[grid] = true;
      continue;
    }
    const Vec3& a = model.grids.at(element.grids[0]).position;
    const Vec3& b = model.grids.at(element.grids[1]).position;
    Vec3 n{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    double length = std::sqrt(dot(n, n));
    if (length == 0) continue;  // refused as a zero-length element when the job is written
    for (double& component : n) component /= length;
    const Property& property = model.properties.at(element.propertyId);
    double axial = model.materials.at(property.materialId).youngsModulus * property.area / length;
    for (int grid : element.grids)
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) stiffness[grid][i][j] += axial * n[i] * n[j];
  }
  for (const auto& [grid, stiff] : stiffEverywhere) stiffness.erase(grid);
  // A spring stiffens its component at each grid it joins.
  for (const Spring& spring : model.springs)
    for (int end = 0; end < 2; ++end) {
      auto grid = stiffness.find(spring.grids[end]);
      if (spring.grids[end] == 0 || grid == stiffness.end()) continue;
      int axis = spring.components[end] - 1;
      grid->second[axis][axis] += spring.stiffness;
    }
  // An RBE3's reference grid moves as its independent grids do.
  for (const Interpolation& interpolation : model.interpolations) stiffness.erase(interpolation.reference);
  // Grids a rigid element ties move with the grids it ties them to.
  for (const RigidLink& link : model.rigidLinks) {
    stiffness.erase(link.independent);
    for (int grid : link.dependents) stiffness.erase(grid);
  }
  return stiffness;
}

std::vector<FreeDirection> freeDirections(const Model& model, const std::map<int, Matrix3>& stiffness,
                                          const std::map<int, std::array<bool, 3>>& fixed) {
  std::vector<FreeDirection> free;
  for (const auto& [id, matrix] : stiffness) {
    const Grid& grid = model.grids.at(id);
    Vec3 values;
    Matrix3 vectors;
    symmetricEigen(matrix, values, vectors);
    double largest = std::max({std::abs(values[0]), std::abs(values[1]), std::abs(values[2])});
    // Constrained CD directions, in basic components.
    std::vector<Vec3> held;
    if (auto found = fixed.find(id); found != fixed.end())
      for (int axis = 0; axis < 3; ++axis)
        if (found->second[axis]) held.push_back(toBasicComponents(grid, Vec3{axis == 0 ? 1.0 : 0, axis == 1 ? 1.0 : 0, axis == 2 ? 1.0 : 0}));
    // The null space of the stiffness, less what the constraints hold: orthogonalise.
    std::vector<Vec3> basis = held;
    for (std::size_t k = 0; k < held.size(); ++k) {
      for (std::size_t j = 0; j < k; ++j) {
        double along = dot(basis[k], basis[j]);
        for (int i = 0; i < 3; ++i) basis[k][i] -= along * basis[j][i];
      }
      double length = std::sqrt(dot(basis[k], basis[k]));
      for (double& component : basis[k]) component = length > 1e-12 ? component / length : 0;
    }
    for (int mode = 0; mode < 3; ++mode) {
      if (largest > 0 && std::abs(values[mode]) > kZeroStiffness * largest) continue;
      Vec3 direction{vectors[0][mode], vectors[1][mode], vectors[2][mode]};
      for (const Vec3& b : basis) {
        double along = dot(direction, b);
        for (int i = 0; i < 3; ++i) direction[i] -= along * b[i];
      }
      double length = std::sqrt(dot(direction, direction));
      if (length < 1e-6) continue;
      for (double& component : direction) component /= length;
      basis.push_back(direction);  // a second null mode is reported apart from the first
      FreeDirection entry{id, direction, 0};
      Vec3 local = toGridComponents(grid, direction);
      for (int axis = 0; axis < 3; ++axis)
        if (std::abs(local[axis]) > 1 - 1e-9) entry.component = axis + 1;
      free.push_back(entry);
    }
  }
  return free;
}

}  // namespace nastranccx
