#pragma once
// The values files and their templates:
// - "InputValues.txt": one line per input variable, name, two blanks, value. "Apply" writes
//   the values of the moment; before every run the PIDO tool writes the design's values;
//   Modprep reads it.
// - "OutputValues.txt": the same layout for the output variables. "Apply" writes the values of
//   the moment; Respull writes one line per output it could take; the PIDO tool reads it.
// - The templates ("InputValues.txt.template", "OutputValues.txt.template"): name, two blanks,
//   then the marked field "!<" name "%f!" value ">!" that tells the PIDO tool where the value
//   stands.
//
// The readers skip blank lines and lines that begin with "#" and split a line at runs of
// blanks: field 1 is the name, field 2 the value. A name holding blanks therefore reads back
// as its first word (the template's marked field keeps it whole).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/text_buffer.h"

namespace exchange {

// ---- writers ----

// Name, two blanks, value.
void writeValueLine(support::TextBuffer& file, std::string_view name, std::string_view value);
// Name, two blanks, "!<", name, "%f!", value, ">!".
void writeTemplateLine(support::TextBuffer& file, std::string_view name, std::string_view value);

// ---- readers ----

struct NamedValue {
  std::string name;
  std::string valueText;        // field 2 as written; empty when missing
  std::optional<double> value;  // nullopt when missing or not a number
};

// Every line of a values file, in order.
std::vector<NamedValue> parseValueLines(std::string text);

// Every line of a template: the name and the value of its marked field (a line without one
// gives the name and an empty value).
std::vector<NamedValue> parseTemplateLines(std::string_view text);

// The content of "InputValues.txt" as Modprep uses it. A name may stand more than once; the
// last occurrence holds. Names are matched exactly. A value that is not a number keeps its
// text, so that the update can name it instead of applying some default.
class InputValues {
 public:
  InputValues() = default;
  // The index refers to the names it holds, so the values move but are not copied.
  InputValues(InputValues&&) = default;
  InputValues& operator=(InputValues&&) = default;
  InputValues(const InputValues&) = delete;
  InputValues& operator=(const InputValues&) = delete;

  static InputValues parse(std::string text);

  // `variableCount`: the number of lines read.
  std::size_t variableCount() const { return lines_.size(); }
  const std::string& variableName(std::size_t k) const { return lines_[k].name; }
  // Entry k of `variableValues`: the value, or nullopt when its text is not a number.
  std::optional<double> variableValue(std::size_t k) const { return lines_[k].value; }
  const std::string& valueText(std::size_t k) const { return lines_[k].valueText; }

  // The index of the last line that names `name`; -1 when none does. `expected` is where the
  // name likely stands (the records of "Modprep.txt" usually follow the same order): when it
  // is the last line of that name, no look-up is needed.
  long find(std::string_view name, std::size_t expected = 0) const;

 private:
  std::vector<NamedValue> lines_;
  std::vector<bool> lastOccurrence_;  // no later line has the same name
  std::unordered_map<std::string_view, std::size_t> lastIndexOf_;  // views of the names
};

}  // namespace exchange
