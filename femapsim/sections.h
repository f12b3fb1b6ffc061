#pragma once
// The cross-section shapes of Nastran's PBARL and PBEAML cards as the simulated FEMAP keeps
// them on a bar or beam property: a shape code (member `shape`) and the shape's dimensions
// (member `shapeDim`, DIM1 first), and the area that the dimensions give.

#include <span>
#include <string_view>

namespace femapsim {

// The simulator's shape codes, in the order of Nastran's shape list: 1 ROD, 2 TUBE, 3 TUBE2,
// 4 I, 5 CHAN, 6 T, 7 BOX, 8 BAR, 9 CROSS, 10 H, 11 T1, 12 I1, 13 CHAN1, 14 Z, 15 CHAN2,
// 16 T2, 17 BOX1, 18 HEXA, 19 HAT, 20 HAT1, 21 DBOX, 22 L. 0: no shape (a PBAR or PBEAM).
int shapeCode(std::string_view name);
std::string_view shapeName(int code);  // empty for an unknown code
// The number of dimensions of a shape; 0 for an unknown code.
int shapeDimensions(int code);
// The area of a shape with these dimensions (as many as the shape has); 0 for an unknown code.
double shapeArea(int code, std::span<const double> dims);

}  // namespace femapsim
