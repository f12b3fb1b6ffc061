#pragma once
// Numbers as bulk-data fields hold them, read exactly and written exactly.
//
// Nastran tells integers from reals by their text: an integer is digits with an optional sign;
// a real has a decimal point or an exponent, in any of the forms "1.", ".5", "1.E3", "1.+3",
// "-2.5-3", "1.D3", "+1.5E+03". A real is read as the double nearest to its decimal value (as
// strtod would, but independent of the locale).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace nastran {

enum class FieldKind { Blank, Integer, Real, Character };

// What a field's text (trimmed) holds. Text that starts with a letter is Character; text that
// is neither a number nor starts with a letter is Character too (a bad value, refused by every
// reader that wants a number).
FieldKind classifyField(std::string_view text);

// A real in any Nastran form; integers are read as reals too. Nullopt for anything else, and
// for a value beyond the range of a double.
std::optional<double> parseReal(std::string_view text);
// The same into `value`; false (and `value` as it was) for a text that is no real. A deck's
// reader calls it for every real field: without the std::optional it is quicker.
bool parseReal(std::string_view text, double& value);

// An integer: digits with an optional sign, within the range of an int.
std::optional<int> parseInteger(std::string_view text);

// The text of one field as the writer makes it: no allocation.
struct FieldText {
  char chars[40];
  std::size_t size = 0;
  std::string_view view() const { return {chars, size}; }
};

// The shortest text that reads back as exactly `value`, in a form Nastran reads as a real: it
// always holds a '.' ("1.", ".5", "720.", "1.5E-7"). Zero is "0.". Infinities and NaN have no
// Nastran form: they are bugs in the caller.
FieldText exactRealText(double value);

// exactRealText when it fits `width` (also in Nastran's form without the E, "1.5-7", when only
// that fits); otherwise the value rounded to as many significant digits as fit. `exact` (if given)
// says which of the two it is.
FieldText realText(double value, std::size_t width, bool* exact = nullptr);

FieldText integerText(long long value);

}  // namespace nastran
