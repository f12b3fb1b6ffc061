#pragma once
// The Nastran bulk-data deck of a model, in free-field format: case control for one static
// subcase with the active load and constraint sets, then grids, elements, properties,
// materials, loads and constraints with the model's current values.
//
// Cards go in small fields when every value fits in 8 characters and in large fields
// (NAME*, four values a line) otherwise, so no value is rounded that 16 characters can hold.

#include <string>

#include "femapsim/model.h"

namespace femapsim {

std::string formatNastranDeck(const Model& model);

// A real number as a Nastran field of at most `width` characters: exact when the shortest
// exact text fits, otherwise rounded to the most significant digits that fit. Always holds a
// "." so that Nastran reads it as a real.
std::string nastranReal(double value, std::size_t width);

}  // namespace femapsim
