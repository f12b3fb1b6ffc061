#include "taskrun/exchange_io.h"

#include <stdexcept>
#include <unordered_map>

#include "exchange/modprep_file.h"
#include "exchange/record_lines.h"
#include "exchange/respull_file.h"
#include "exchange/value_files.h"
#include "exchange/vocabulary.h"
#include "support/number_text.h"
#include "support/strings.h"
#include "support/text_buffer.h"
#include "support/text_file.h"

namespace taskrun {

void writeInputValues(const std::filesystem::path& file,
                      const std::vector<std::pair<std::string, double>>& values) {
  support::TextFileWriter writer(file);
  support::TextBuffer text(&writer);
  for (const auto& [name, value] : values) {
    exchange::writeValueLine(text, name, support::formatNumberExactly(value));
  }
  text.flush();
  writer.commit();
}

std::vector<std::pair<std::string, std::optional<double>>> readOutputValues(
    const std::filesystem::path& file) {
  std::vector<std::pair<std::string, std::optional<double>>> values;
  std::unordered_map<std::string, std::size_t> indexOf;
  for (exchange::NamedValue& line : exchange::parseValueLines(support::readWholeFile(file))) {
    auto [at, added] = indexOf.emplace(line.name, values.size());
    if (added) {
      values.emplace_back(std::move(line.name), line.value);
    } else {
      values[at->second].second = line.value;
    }
  }
  return values;
}

std::string exchangeFileName(const std::string& written) {
  std::string name = support::trim(written);
  std::size_t cut = name.find_last_of("\\/");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

ExchangeHead readExchangeHead(const std::filesystem::path& file) {
  std::string text = support::readWholeFile(file);
  ExchangeHead head;
  if (support::equalsIgnoreCase(file.filename().string(), exchange::kRespullFile)) {
    const exchange::RespullFile respull = exchange::parseRespullFile(std::move(text));
    head = {respull.reference.file, respull.headerLines >= 2 ? respull.results.file : ""};
  } else {
    const exchange::ModprepFile modprep = exchange::parseModprepFile(std::move(text));
    head = {modprep.reference.file, modprep.deck.file};
  }
  if (head.referenceModel.empty() || head.solverFile.empty()) {
    throw std::runtime_error(file.string() + " has no reference model and solver file lines");
  }
  return head;
}

void copyExchangeFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  support::writeFileAtomically(
      to, exchange::renameHeaderFiles(support::readWholeFile(from), exchangeFileName));
}

}  // namespace taskrun
