#pragma once
// The lines of the exchange files, shared by the exchange-file writer and the description-file
// writer. A record copies grid columns as they stand, separated by two blanks; nothing is
// checked or skipped here. Rows are written straight into the file's buffer, piece by piece.

#include <string_view>

#include "support/text_file.h"
#include "ui/grid.h"

namespace generate {

inline constexpr std::string_view kFunctionType = "Function";
inline constexpr std::string_view kNENastran = "NENastran";
inline constexpr std::string_view kNXNastran = "NXNastran";

inline constexpr std::string_view kModprepFile = "Modprep.txt";
inline constexpr std::string_view kInputValuesFile = "InputValues.txt";
inline constexpr std::string_view kInputTemplateFile = "InputValues.txt.template";
inline constexpr std::string_view kRespullFile = "Respull.txt";
inline constexpr std::string_view kOutputValuesFile = "OutputValues.txt";
inline constexpr std::string_view kOutputTemplateFile = "OutputValues.txt.template";
inline constexpr std::string_view kFunctionsFile = "FunctionsInputvalues.txt";
inline constexpr std::string_view kBatchFile = "VOVarir.bat";

// "Reference Model (FEMAP) = " base "." extension (trimmed).
void writeReferenceLine(support::TextFileWriter& file, std::string_view base,
                        std::string_view extension);
// The three head lines of "Modprep.txt": reference model, input deck by solver, values file.
void writeModprepHead(support::TextFileWriter& file, std::string_view base,
                      std::string_view extension, std::string_view solver);
// The three head lines of "Respull.txt": reference model, results file by solver, output file.
void writeRespullHead(support::TextFileWriter& file, std::string_view base,
                      std::string_view extension, std::string_view solver);

// Input row: columns 2, 0, 3, 4, 5.
void writeModprepRecord(support::TextFileWriter& file, const ui::Grid& inputs, int row);
// Output row: columns 4, 0, 2, 3.
void writeRespullRecord(support::TextFileWriter& file, const ui::Grid& outputs, int row);
// Either grid: column 0, two blanks, column 1.
void writeValueLine(support::TextFileWriter& file, const ui::Grid& grid, int row);
// Either grid: column 0, two blanks, "!<", column 0, "%f!", column 1, ">!".
void writeTemplateLine(support::TextFileWriter& file, const ui::Grid& grid, int row);

// `indent` blanks, then `text`, as one line.
void writeIndented(support::TextFileWriter& file, int indent, std::string_view text);

}  // namespace generate
