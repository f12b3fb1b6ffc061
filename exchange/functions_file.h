#pragma once
// "FunctionsInputvalues.txt": the X-Y points of every function input, which "Apply" writes and
// Modprep puts into the model's functions. A block per function:
//   "Function Definition"
//   the function ID with a blank before it (where a minus sign would stand) and one after it
//   the function's title
//   the point count N, with a blank before it when not negative
//   N point lines: x, "_", y, each with a blank before it when not negative
// The reader takes lines as they stand (a title may hold any text) and passes over lines
// outside blocks; CR LF and LF line ends are both accepted.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/text_buffer.h"

namespace exchange {

inline constexpr std::string_view kFunctionBlockStart = "Function Definition";

// ---- writer ----

// The four lines that open a block.
void writeFunctionHead(support::TextBuffer& file, std::int32_t id, std::string_view title,
                       std::int32_t pointCount);
void writePointLine(support::TextBuffer& file, double x, double y);

// ---- reader ----

struct FunctionPoint {
  double x;
  double y;
};

// One point line as read: its point, or why it is none.
struct PointLine {
  std::optional<FunctionPoint> point;
  std::string error;
};

struct FunctionBlock {
  std::string idLine;  // as written
  std::string title;
  std::int32_t id = 0;
  std::int32_t count = 0;
  // Why the ID or count line cannot be used (not a 32-bit whole number, a negative count, no
  // count line); empty when both can. Without them the block's point lines cannot be told from
  // other text, so none are read.
  std::string headerError;
  std::vector<PointLine> lines;  // the point lines, fewer than `count` where the file ends
  bool pointsMissing() const { return headerError.empty() && lines.size() < static_cast<std::size_t>(count); }
};

struct FunctionsFile {
  std::vector<FunctionBlock> blocks;
  // A block whose ID or title line is missing ends the file: reading stops there.
  bool endsInsideBlock = false;
};

FunctionsFile parseFunctionsFile(std::string_view text);

// A function ID or point count line as a 32-bit whole number (blanks around it allowed);
// throws support::RuntimeError when it is none.
std::int32_t functionInteger(std::string_view line);
// A point line: X before the first "_", Y after it (blanks allowed around each); throws
// support::RuntimeError when either is missing or not a number.
FunctionPoint functionPoint(std::string_view line);

}  // namespace exchange
