#include "resultfiles/stress_math.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace resultfiles {

PlaneStressSummary summarisePlaneStress(double normalX, double normalY, double shearXY) {
  PlaneStressSummary summary;
  double centre = 0.5 * (normalX + normalY);
  double radius = std::hypot(0.5 * (normalX - normalY), shearXY);
  summary.major = centre + radius;
  summary.minor = centre - radius;
  summary.angle = radius == 0 ? 0 : 0.5 * std::atan2(2 * shearXY, normalX - normalY) * 180 / std::numbers::pi;
  summary.vonMises =
      std::sqrt(std::max(0.0, normalX * normalX - normalX * normalY + normalY * normalY + 3 * shearXY * shearXY));
  return summary;
}

SolidStressSummary summariseSolidStress(const Tensor& s) {
  // Jacobi rotations on the symmetric matrix; a handful of sweeps reach full precision.
  double a[3][3] = {{s[0], s[3], s[5]}, {s[3], s[1], s[4]}, {s[5], s[4], s[2]}};
  double v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int sweep = 0; sweep < 50; ++sweep) {
    double off = std::abs(a[0][1]) + std::abs(a[0][2]) + std::abs(a[1][2]);
    double scale = std::abs(a[0][0]) + std::abs(a[1][1]) + std::abs(a[2][2]) + off;
    if (off == 0 || off <= 1e-300 || off < 1e-17 * scale) break;
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (a[p][q] == 0) continue;
        double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        double t = (theta >= 0 ? 1 : -1) / (std::abs(theta) + std::sqrt(theta * theta + 1));
        double c = 1 / std::sqrt(t * t + 1);
        double sn = t * c;
        for (int k = 0; k < 3; ++k) {
          double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - sn * akq;
          a[k][q] = sn * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {
          double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - sn * aqk;
          a[q][k] = sn * apk + c * aqk;
        }
        for (int k = 0; k < 3; ++k) {
          double vkp = v[k][p], vkq = v[k][q];
          v[k][p] = c * vkp - sn * vkq;
          v[k][q] = sn * vkp + c * vkq;
        }
      }
    }
  }
  std::array<int, 3> order = {0, 1, 2};
  std::sort(order.begin(), order.end(), [&](int i, int j) { return a[i][i] > a[j][j]; });
  SolidStressSummary summary;
  for (int i = 0; i < 3; ++i) {
    summary.principal[i] = a[order[i]][order[i]];
    for (int k = 0; k < 3; ++k) summary.directions[i][k] = v[k][order[i]];
  }
  summary.pressure = -(s[0] + s[1] + s[2]) / 3;
  double normal = (s[0] - s[1]) * (s[0] - s[1]) + (s[1] - s[2]) * (s[1] - s[2]) + (s[2] - s[0]) * (s[2] - s[0]);
  double shear = s[3] * s[3] + s[4] * s[4] + s[5] * s[5];
  summary.vonMises = std::sqrt(0.5 * normal + 3 * shear);
  return summary;
}

}  // namespace resultfiles
