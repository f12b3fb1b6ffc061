#pragma once
// The stress quantities the results tables carry, computed the way Nastran defines them:
// plane-stress principal values, angle and von Mises at a plate fibre; principal values,
// directions, mean pressure and von Mises of a 3-D stress state.

#include <array>

namespace resultfiles {

struct PlaneStressSummary {
  double angle = 0;  // degrees from the element x axis to the major principal direction
  double major = 0;
  double minor = 0;
  double vonMises = 0;
};
PlaneStressSummary summarisePlaneStress(double normalX, double normalY, double shearXY);

// Components xx, yy, zz, xy, yz, zx.
using Tensor = std::array<double, 6>;

struct SolidStressSummary {
  std::array<double, 3> principal{};                  // largest first
  std::array<std::array<double, 3>, 3> directions{};  // unit vector of each principal stress
  double pressure = 0;                                // minus the mean normal stress
  double vonMises = 0;
};
SolidStressSummary summariseSolidStress(const Tensor& stress);

}  // namespace resultfiles
