#include "beam_sections.h"

#include <cmath>

namespace nastranccx {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The four recovery points at the corners of a box `height` along y and `width` along z:
// C (+y, +z), D (-y, +z), E (-y, -z), F (+y, -z).
std::array<std::array<double, 2>, 4> cornerPoints(double height, double width) {
  double y = height / 2, z = width / 2;
  return {{{y, z}, {-y, z}, {-y, -z}, {y, -z}}};
}

// On a circle of radius r: C (+y), D (+z), E (-y), F (-z).
std::array<std::array<double, 2>, 4> circlePoints(double r) { return {{{r, 0}, {0, r}, {-r, 0}, {0, -r}}}; }

ShapeResult refused(std::string reason) { return {std::nullopt, std::move(reason)}; }

}  // namespace

const char* knownSectionShapes() { return "BAR, ROD, TUBE, I (equal flanges), BOX, T"; }

// Dimensions as Nastran's section library draws them: y up, z across; depths
// along y, widths along z.
ShapeResult standardSection(std::string_view type, const std::vector<double>& d) {
  auto needs = [&](std::size_t count) { return d.size() >= count; };
  for (double value : d)
    if (!(value > 0)) return refused("every dimension must be positive");
  BeamSection s;
  if (type == "BAR" && needs(2)) {
    double b = d[0], h = d[1];  // width along z, depth along y
    s.area = b * h;
    s.i1 = b * h * h * h / 12;
    s.i2 = h * b * b * b / 12;
    double a = std::max(b, h) / 2, c = std::min(b, h) / 2;  // St. Venant's series, first terms
    s.torsion = a * c * c * c * (16.0 / 3 - 3.36 * (c / a) * (1 - std::pow(c / a, 4) / 12));
    s.points = cornerPoints(h, b);
    return {s, ""};
  }
  if (type == "ROD" && needs(1)) {
    double r = d[0];
    s.area = kPi * r * r;
    s.i1 = s.i2 = kPi * r * r * r * r / 4;
    s.torsion = 2 * s.i1;
    s.points = circlePoints(r);
    return {s, ""};
  }
  if (type == "TUBE" && needs(2)) {
    double outer = d[0], inner = d[1];
    if (inner >= outer) return refused("TUBE: the inner radius DIM2 must be below the outer radius DIM1");
    s.area = kPi * (outer * outer - inner * inner);
    s.i1 = s.i2 = kPi * (std::pow(outer, 4) - std::pow(inner, 4)) / 4;
    s.torsion = 2 * s.i1;
    s.points = circlePoints(outer);
    return {s, ""};
  }
  if (type == "I" && needs(6)) {
    double depth = d[0], bottomWidth = d[1], topWidth = d[2], web = d[3], bottom = d[4], top = d[5];
    if (bottomWidth != topWidth || bottom != top)
      return refused("I: only equal flanges (DIM2 = DIM3, DIM5 = DIM6) are solved: unequal ones move the "
                     "neutral axis off the shear centre");
    double width = topWidth, flange = top, clear = depth - 2 * flange;
    if (clear <= 0 || web >= width) return refused("I: the flanges overlap or the web is wider than the flanges");
    s.area = 2 * width * flange + clear * web;
    s.i1 = (width * std::pow(depth, 3) - (width - web) * std::pow(clear, 3)) / 12;
    s.i2 = (2 * flange * std::pow(width, 3) + clear * std::pow(web, 3)) / 12;
    s.torsion = (2 * width * std::pow(flange, 3) + (depth - flange) * std::pow(web, 3)) / 3;  // thin walls
    s.points = cornerPoints(depth, width);
    return {s, ""};
  }
  if (type == "BOX" && needs(4)) {
    double width = d[0], height = d[1], flange = d[2], wall = d[3];  // flange: top and bottom; wall: sides
    double innerWidth = width - 2 * wall, innerHeight = height - 2 * flange;
    if (innerWidth <= 0 || innerHeight <= 0) return refused("BOX: the walls fill the box");
    s.area = width * height - innerWidth * innerHeight;
    s.i1 = (width * std::pow(height, 3) - innerWidth * std::pow(innerHeight, 3)) / 12;
    s.i2 = (height * std::pow(width, 3) - innerHeight * std::pow(innerWidth, 3)) / 12;
    // Bredt's formula on the walls' mid-lines.
    double midWidth = width - wall, midHeight = height - flange;
    s.torsion = 4 * std::pow(midWidth * midHeight, 2) / (2 * midWidth / flange + 2 * midHeight / wall);
    s.points = cornerPoints(height, width);
    return {s, ""};
  }
  if (type == "T" && needs(4)) {
    // Flange DIM1 wide (z) and DIM3 thick on top, web DIM4 thick, DIM2 the whole depth (y).
    double width = d[0], depth = d[1], flange = d[2], web = d[3], stem = depth - flange;
    if (stem <= 0 || web >= width) return refused("T: the flange fills the depth or the web is wider than the flange");
    s.area = width * flange + stem * web;
    double centroid = (width * flange * flange / 2 + stem * web * (flange + stem / 2)) / s.area;  // below the top
    s.i1 = width * std::pow(flange, 3) / 12 + width * flange * std::pow(centroid - flange / 2, 2) +
           web * std::pow(stem, 3) / 12 + stem * web * std::pow(flange + stem / 2 - centroid, 2);
    s.i2 = (flange * std::pow(width, 3) + stem * std::pow(web, 3)) / 12;
    // Thin walls: the flange and the web from the flange's mid-line to its foot.
    s.torsion = (width * std::pow(flange, 3) + (depth - flange / 2) * std::pow(web, 3)) / 3;
    // The bar's axis is the shear centre, where the flange's and the web's mid-lines meet, and
    // the inertias are the centroid's, with the offset between the two left out.
    double top = flange / 2, foot = -(depth - flange / 2);
    s.points = {{{top, width / 2}, {foot, web / 2}, {foot, -web / 2}, {top, -width / 2}}};
    return {s, "", true};
  }
  if (type == "BAR" || type == "ROD" || type == "TUBE" || type == "I" || type == "BOX" || type == "T")
    return refused(std::string(type) + ": too few dimensions");
  return refused("section shape " + std::string(type) + " is not solved (solved: " + knownSectionShapes() + ")");
}

}  // namespace nastranccx
