#pragma once
// The exchange files as taskrun writes and reads them for one evaluation: "InputValues.txt"
// with the design's values, "OutputValues.txt" with the responses, and the copies of
// "Modprep.txt" and "Respull.txt" whose reference lines name files of the evaluation folder.
// The formats themselves are the exchange contract's (exchange/).

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace taskrun {

// "InputValues.txt": one line a variable: name, two blanks, value; CR LF; written whole. The
// values are written exactly (support::formatNumberExactly): a design's values thus reach the
// model as the optimiser chose them, and an exact-match look-up of the design finds what was
// evaluated.
void writeInputValues(const std::filesystem::path& file, const std::vector<std::pair<std::string, double>>& values);

// "OutputValues.txt": name and value per line. A value that is not a number reads as nullopt.
// A name that stands twice keeps its last value. Throws std::system_error when unreadable.
std::vector<std::pair<std::string, std::optional<double>>> readOutputValues(const std::filesystem::path& file);

// The first two header lines of "Modprep.txt" or "Respull.txt" (after an optional "DELETE"
// record): the reference model, and the input deck or results file, as written after "=".
struct ExchangeHead {
  std::string referenceModel;
  std::string solverFile;
};
// Throws std::system_error when the file cannot be read, std::runtime_error when it lacks them.
ExchangeHead readExchangeHead(const std::filesystem::path& file);

// Copies "Modprep.txt" or "Respull.txt" from `from` to `to` with the two reference lines
// reduced to bare file names, so that they name the copies in the evaluation folder.
void copyExchangeFile(const std::filesystem::path& from, const std::filesystem::path& to);

// The file name at the end of a path written in an exchange file ("\" and "/" both separate).
std::string exchangeFileName(const std::string& written);

}  // namespace taskrun
