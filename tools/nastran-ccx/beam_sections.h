#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nastranccx {

// A bar's or beam's cross-section in Nastran's element axes: y is plane 1's
// transverse axis, z plane 2's. I1 = integral of y^2, I2 of z^2, I12 of y*z over
// the section. The stress recovery points C, D, E, F are (y, z) pairs.
struct BeamSection {
  double area = 0;
  double i1 = 0, i2 = 0, i12 = 0;
  double torsion = 0;  // J
  std::array<std::array<double, 2>, 4> points{};
};

// The section of a PBARL/PBEAML shape from its dimensions, or the reason it
// cannot be given exactly (an unknown shape, dimensions that do not close).
struct ShapeResult {
  std::optional<BeamSection> section;
  std::string reason;
  // The centroid lies off the shear centre, the bar's axis: PBARL leaves the offset out, a
  // PBEAML keeps it as the neutral axis's offset.
  bool centroidOffAxis = false;
};
ShapeResult standardSection(std::string_view type, const std::vector<double>& dims);

// The shapes standardSection knows, for messages.
const char* knownSectionShapes();

}  // namespace nastranccx
