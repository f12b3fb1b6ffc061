#pragma once
// The lines of the exchange files, shared by the exchange-file writer and the description-file
// writer. A record copies grid columns as they stand, separated by two blanks; nothing is
// checked or skipped here.

#include <string_view>

#include "generate/text_buffer.h"
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
void writeReferenceLine(TextBuffer& file, std::string_view base, std::string_view extension);
// The three head lines of "Modprep.txt": reference model, input deck by solver, values file.
void writeModprepHead(TextBuffer& file, std::string_view base, std::string_view extension,
                      std::string_view solver);
// The three head lines of "Respull.txt": reference model, results file by solver, output file.
void writeRespullHead(TextBuffer& file, std::string_view base, std::string_view extension,
                      std::string_view solver);

// The columns of one input row, read from the grid once for every file that copies them.
struct InputRow {
  std::string_view name, value, type, id, member, index;  // columns 0 to 5
  static InputRow of(const ui::Grid& inputs, int row) {
    return {inputs.cell(row, 0), inputs.cell(row, 1), inputs.cell(row, 2),
            inputs.cell(row, 3), inputs.cell(row, 4), inputs.cell(row, 5)};
  }
};

// The columns of one output row.
struct OutputRow {
  std::string_view name, value, entity, vector, kind;  // columns 0 to 4
  static OutputRow of(const ui::Grid& outputs, int row) {
    return {outputs.cell(row, 0), outputs.cell(row, 1), outputs.cell(row, 2), outputs.cell(row, 3),
            outputs.cell(row, 4)};
  }
};

inline constexpr std::string_view kTwoBlanks = "  ";

// Columns 2, 0, 3, 4, 5.
inline void writeModprepRecord(TextBuffer& file, const InputRow& row) {
  file.add(row.type);
  file.add(kTwoBlanks);
  file.add(row.name);
  file.add(kTwoBlanks);
  file.add(row.id);
  file.add(kTwoBlanks);
  file.add(row.member);
  file.add(kTwoBlanks);
  file.line(row.index);
}

// Columns 4, 0, 2, 3.
inline void writeRespullRecord(TextBuffer& file, const OutputRow& row) {
  file.add(row.kind);
  file.add(kTwoBlanks);
  file.add(row.name);
  file.add(kTwoBlanks);
  file.add(row.entity);
  file.add(kTwoBlanks);
  file.line(row.vector);
}

// Name (column 0), two blanks, value (column 1).
inline void writeValueLine(TextBuffer& file, std::string_view name, std::string_view value) {
  file.add(name);
  file.add(kTwoBlanks);
  file.line(value);
}

// Name, two blanks, "!<", name, "%f!", value, ">!".
inline void writeTemplateLine(TextBuffer& file, std::string_view name, std::string_view value) {
  file.add(name);
  file.add("  !<");
  file.add(name);
  file.add("%f!");
  file.add(value);
  file.line(">!");
}

}  // namespace generate
