#include "femapsim/sections.h"

#include <array>
#include <numbers>

namespace femapsim {
namespace {

struct ShapeInfo {
  std::string_view name;
  int dimensions;
};

constexpr std::array<ShapeInfo, 22> kShapes = {{
    {"ROD", 1},   {"TUBE", 2},  {"TUBE2", 2}, {"I", 6},     {"CHAN", 4},  {"T", 4},     {"BOX", 4},
    {"BAR", 2},   {"CROSS", 4}, {"H", 4},     {"T1", 4},    {"I1", 4},    {"CHAN1", 4}, {"Z", 4},
    {"CHAN2", 4}, {"T2", 4},    {"BOX1", 6},  {"HEXA", 3},  {"HAT", 4},   {"HAT1", 5},  {"DBOX", 10},
    {"L", 4},
}};

}  // namespace

int shapeCode(std::string_view name) {
  for (std::size_t i = 0; i < kShapes.size(); ++i) {
    if (kShapes[i].name == name) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::string_view shapeName(int code) {
  return code >= 1 && code <= static_cast<int>(kShapes.size()) ? kShapes[static_cast<std::size_t>(code) - 1].name
                                                                 : std::string_view();
}

int shapeDimensions(int code) {
  return code >= 1 && code <= static_cast<int>(kShapes.size()) ? kShapes[static_cast<std::size_t>(code) - 1].dimensions
                                                                 : 0;
}

// The walls of each shape as Nastran draws them, DIM1 = d[1].
double shapeArea(int code, std::span<const double> dims) {
  if (static_cast<int>(dims.size()) < shapeDimensions(code) || shapeDimensions(code) == 0) return 0;
  auto d = [&](int i) { return dims[static_cast<std::size_t>(i) - 1]; };
  constexpr double pi = std::numbers::pi;
  switch (code) {
    case 1: return pi * d(1) * d(1);                                                    // ROD: radius
    case 2: return pi * (d(1) * d(1) - d(2) * d(2));                                    // TUBE: outer, inner radius
    case 3: return pi * (d(1) * d(1) - (d(1) - d(2)) * (d(1) - d(2)));                  // TUBE2: radius, wall
    case 4: return d(2) * d(5) + d(3) * d(6) + (d(1) - d(5) - d(6)) * d(4);             // I: two flanges, web
    case 5: return 2 * d(1) * d(4) + (d(2) - 2 * d(4)) * d(3);                          // CHAN: two flanges, web
    case 6: return d(1) * d(3) + (d(2) - d(3)) * d(4);                                  // T: flange, web
    case 7: return 2 * d(1) * d(3) + 2 * (d(2) - 2 * d(3)) * d(4);                      // BOX: two walls each way
    case 8: return d(1) * d(2);                                                         // BAR
    case 9: return d(2) * d(3) + d(1) * d(4);                                           // CROSS: two arms, centre
    case 10: return d(2) * d(3) + d(1) * d(4);                                          // H: two flanges, web
    case 11: return d(1) * d(3) + d(2) * d(4);                                          // T1: flange, web
    case 12: return d(2) * d(3) + (d(4) - d(3)) * (d(1) + d(2));                        // I1: web, flanges
    case 13: return d(2) * d(3) + (d(4) - d(3)) * (d(1) + d(2));                        // CHAN1
    case 14: return d(2) * d(3) + (d(4) - d(3)) * (d(1) + d(2));                        // Z
    case 15: return 2 * d(1) * d(3) + (d(4) - 2 * d(1)) * d(2);                         // CHAN2
    case 16: return d(1) * d(3) + (d(2) - d(3)) * d(4);                                 // T2
    case 17: return d(2) * (d(5) + d(6)) + (d(1) - d(5) - d(6)) * (d(3) + d(4));        // BOX1: four walls
    case 18: return (d(2) - 2 * d(1)) * d(3) + d(1) * d(3);                             // HEXA: centre, two corners
    case 19: return d(2) * d(3) + 2 * (d(1) - d(2)) * d(2) + 2 * d(2) * d(4);           // HAT: top, webs, brims
    case 20: return d(1) * d(5) + d(3) * d(4) + (d(1) - d(3)) * d(4) + 2 * (d(2) - d(5) - d(4)) * d(4);  // HAT1
    case 21:                                                                            // DBOX: two cells
      return d(2) * d(3) - (d(2) - d(7) - d(8)) * (d(3) - d(5) / 2 - d(4)) + (d(1) - d(3)) * d(2) -
             (d(2) - d(9) - d(10)) * (d(1) - d(3) - d(5) / 2 - d(6));
    case 22: return d(1) * d(3) + (d(2) - d(3)) * d(4);                                 // L: two legs
    default: return 0;
  }
}

}  // namespace femapsim
