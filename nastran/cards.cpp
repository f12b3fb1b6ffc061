#include "nastran/cards.h"

#include <algorithm>
#include <array>
#include <utility>

namespace nastran {

std::optional<Components> Components::parse(std::string_view digits) {
  Components components;
  for (char c : digits) {
    if (c < '0' || c > '6') return std::nullopt;
    int digit = c - '0';
    if (components.has(digit)) return std::nullopt;
    components.add(digit);
  }
  return components;
}

std::string Components::digits() const {
  std::string digits;
  for (int digit = 0; digit <= 6; ++digit)
    if (has(digit)) digits += static_cast<char>('0' + digit);
  return digits;
}

namespace {

std::string_view coordinateName(CoordinateKind kind, std::string_view rectangular, std::string_view cylindrical,
                                std::string_view spherical) {
  switch (kind) {
    case CoordinateKind::Rectangular: return rectangular;
    case CoordinateKind::Cylindrical: return cylindrical;
    case CoordinateKind::Spherical: return spherical;
  }
  return rectangular;
}

}  // namespace

std::string_view cardName(const Cord1& system) { return coordinateName(system.kind, "CORD1R", "CORD1C", "CORD1S"); }
std::string_view cardName(const Cord2& system) { return coordinateName(system.kind, "CORD2R", "CORD2C", "CORD2S"); }

std::string_view cardName(PlateShape shape) {
  switch (shape) {
    case PlateShape::Quad4: return "CQUAD4";
    case PlateShape::Tria3: return "CTRIA3";
    case PlateShape::Quad8: return "CQUAD8";
    case PlateShape::Tria6: return "CTRIA6";
    case PlateShape::QuadR: return "CQUADR";
    case PlateShape::TriaR: return "CTRIAR";
  }
  return "CQUAD4";
}

std::string_view cardName(SolidShape shape) {
  switch (shape) {
    case SolidShape::Tetra: return "CTETRA";
    case SolidShape::Penta: return "CPENTA";
    case SolidShape::Hexa: return "CHEXA";
  }
  return "CTETRA";
}

int Plate::corners() const {
  return shape == PlateShape::Quad4 || shape == PlateShape::QuadR || shape == PlateShape::Quad8 ? 4 : 3;
}

int Solid::corners() const {
  switch (shape) {
    case SolidShape::Tetra: return 4;
    case SolidShape::Penta: return 6;
    case SolidShape::Hexa: return 8;
  }
  return 4;
}

int Solid::maxGrids() const {
  switch (shape) {
    case SolidShape::Tetra: return 10;
    case SolidShape::Penta: return 15;
    case SolidShape::Hexa: return 20;
  }
  return 10;
}

int Solid::gridCount() const {
  for (int i = corners(); i < maxGrids(); ++i)
    if (g[static_cast<std::size_t>(i)] != 0) return maxGrids();
  return corners();
}

int sectionDimensionCount(std::string_view type) {
  static constexpr std::array<std::pair<std::string_view, int>, 22> kTypes = {{
      {"BAR", 2},   {"BOX", 4},   {"BOX1", 6}, {"CHAN", 4}, {"CHAN1", 4}, {"CHAN2", 4}, {"CROSS", 4}, {"DBOX", 10},
      {"H", 4},     {"HAT", 4},   {"HAT1", 5}, {"HEXA", 3}, {"I", 6},     {"I1", 4},    {"L", 4},     {"ROD", 1},
      {"T", 4},     {"T1", 4},    {"T2", 4},   {"TUBE", 2}, {"TUBE2", 2}, {"Z", 4},
  }};
  for (const auto& [name, count] : kTypes)
    if (name == type) return count;
  return 0;
}

// E, G and NU as Nastran completes them: two given give the third; E or G alone leaves the
// others 0.
double Mat1::youngsModulus() const {
  if (e) return *e;
  if (g && nu) return 2 * (1 + *nu) * *g;
  return 0;
}

double Mat1::shearModulus() const {
  if (g) return *g;
  if (e && nu) return *e / (2 * (1 + *nu));
  return 0;
}

double Mat1::poissonRatio() const {
  if (nu) return *nu;
  if (e && g && *g != 0) return *e / (2 * *g) - 1;
  return 0;
}

}  // namespace nastran
