#pragma once
// Reader of "FunctionsInputvalues.txt": blocks of lines, each opened by a line that is
// exactly "Function Definition", followed by the function ID, its title, the point count N
// and N point lines "x_y". Lines outside blocks are passed over. Lines are taken as they
// stand (a title may hold any text), CR LF and LF line ends both accepted.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace modprep {

inline constexpr std::string_view kFunctionBlockStart = "Function Definition";

class FunctionInputReader {
 public:
  explicit FunctionInputReader(std::string text);

  // Moves past the next "Function Definition" line; false when none is left.
  bool findBlock();
  // The next line; throws support::RuntimeError at the end of the file.
  std::string readLine();
  bool atEnd() const { return position_ >= text_.size(); }

 private:
  std::string_view nextLine();
  std::string text_;
  std::size_t position_ = 0;
};

// A function ID or point count line as a 32-bit whole number (blanks around it allowed);
// throws support::RuntimeError when it is none.
std::int32_t functionInteger(std::string_view line);

struct FunctionPoint {
  double x;
  double y;
};
// A point line: X before the first "_", Y after it (blanks allowed around each); throws
// support::RuntimeError when either is missing or not a number.
FunctionPoint functionPoint(std::string_view line);

}  // namespace modprep
