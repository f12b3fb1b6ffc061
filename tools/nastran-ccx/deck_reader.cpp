#include "deck_reader.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>

#include "failure.h"
#include "numbers.h"

namespace nastranccx {
namespace {

constexpr std::size_t kSmallFieldsPerLine = 8;
constexpr std::size_t kLargeFieldsPerLine = 4;

std::string withoutComment(std::string_view line) {
  std::size_t dollar = line.find('$');
  return std::string(line.substr(0, dollar));
}

std::string expandTabs(const std::string& line) {
  std::string expanded;
  for (char c : line) {
    if (c == '\t') {
      do expanded += ' ';
      while (expanded.size() % 8 != 0);
    } else {
      expanded += c;
    }
  }
  return expanded;
}

// The fields of one physical line: its first entry (card name or continuation
// marker) and the data fields that follow, padded to the line's capacity.
struct PhysicalLine {
  std::string head;
  std::vector<std::string> fields;
};

class BulkLineSplitter {
 public:
  BulkLineSplitter(const std::string& fileName, int lineNumber)
      : fileName_(fileName), lineNumber_(lineNumber) {}

  PhysicalLine split(const std::string& line) const {
    return line.find(',') != std::string::npos ? splitFree(line) : splitFixed(expandTabs(line));
  }

 private:
  [[noreturn]] void fail(const std::string& reason) const {
    throw Failure(fileName_ + ":" + std::to_string(lineNumber_) + ": " + reason);
  }

  static bool isLarge(const std::string& head) { return !head.empty() && head.back() == '*'; }

  PhysicalLine splitFree(const std::string& line) const {
    PhysicalLine physical;
    std::vector<std::string> tokens;
    std::stringstream stream(line);
    std::string token;
    while (std::getline(stream, token, ',')) tokens.emplace_back(trim(token));
    if (line.back() == ',') tokens.emplace_back();
    physical.head = toUpper(tokens.front());
    physical.fields.assign(tokens.begin() + 1, tokens.end());
    std::size_t capacity = isLarge(physical.head) ? kLargeFieldsPerLine : kSmallFieldsPerLine;
    if (physical.fields.size() == capacity + 1) {
      physical.fields.pop_back();  // the trailing continuation marker
    } else if (physical.fields.size() > capacity + 1) {
      fail(physical.head + ": " + std::to_string(physical.fields.size()) +
           " fields on one line; a " + (capacity == kLargeFieldsPerLine ? "large" : "small") +
           "-field line holds at most " + std::to_string(capacity) +
           ", the rest go on continuation lines");
    }
    physical.fields.resize(capacity);
    return physical;
  }

  static PhysicalLine splitFixed(const std::string& line) {
    auto column = [&](std::size_t start, std::size_t width) {
      return start < line.size() ? std::string(trim(line.substr(start, width))) : std::string();
    };
    PhysicalLine physical;
    physical.head = toUpper(column(0, 8));
    std::size_t width = isLarge(physical.head) ? 16 : 8;
    for (std::size_t start = 8; start < 72; start += width) physical.fields.push_back(column(start, width));
    return physical;
  }

  const std::string& fileName_;
  int lineNumber_;
};

bool isContinuation(const std::string& line) {
  std::string_view content = trim(line);
  if (content.empty()) return false;
  if (content[0] == '+' || content[0] == '*') return true;
  // A fixed-format continuation may leave its first eight columns blank.
  bool freeField = line.find(',') != std::string::npos;
  return !freeField && trim(std::string_view(line).substr(0, std::min<std::size_t>(8, line.size()))).empty();
}

bool isCardName(const std::string& name) {
  if (name.empty() || name.size() > 8 || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

void finishCard(Card& card) {
  while (!card.fields.empty() && card.fields.back().empty()) card.fields.pop_back();
}

std::string normalBlanks(std::string_view text) {
  std::string normal;
  bool blank = false;
  for (char c : trim(text)) {
    bool isBlank = c == ' ' || c == '\t';
    if (isBlank && blank) continue;
    normal += isBlank ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    blank = isBlank;
  }
  return normal;
}

}  // namespace

Deck readDeckText(std::string_view text, const std::string& fileName) {
  enum class Section { Executive, CaseControl, Bulk, Done };
  Deck deck;
  deck.fileName = fileName;
  Section section = Section::Executive;
  std::optional<Card> card;
  auto closeCard = [&] {
    if (card) {
      finishCard(*card);
      deck.bulk.push_back(std::move(*card));
      card.reset();
    }
  };

  int lineNumber = 0;
  std::size_t position = 0;
  while (position < text.size() && section != Section::Done) {
    std::size_t end = text.find('\n', position);
    if (end == std::string_view::npos) end = text.size();
    std::string line = withoutComment(text.substr(position, end - position));
    position = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string statement = normalBlanks(line);
    if (statement.empty()) continue;

    if (section != Section::Bulk) {
      if (statement.rfind("BEGIN BULK", 0) == 0) {
        if (section == Section::Executive)
          throw Failure(fileName + ":" + std::to_string(lineNumber) + ": BEGIN BULK before CEND");
        section = Section::Bulk;
      } else if (section == Section::Executive) {
        if (statement == "CEND") section = Section::CaseControl;
        else deck.executive.push_back({statement, lineNumber});
      } else {
        deck.caseControl.push_back({statement, lineNumber});
      }
      continue;
    }

    if (statement == "ENDDATA" || statement.rfind("ENDDATA ", 0) == 0) {
      closeCard();
      section = Section::Done;
      continue;
    }
    PhysicalLine physical = BulkLineSplitter(fileName, lineNumber).split(line);
    if (isContinuation(line)) {
      if (!card)
        throw Failure(fileName + ":" + std::to_string(lineNumber) + ": continuation line without a card before it");
      card->fields.insert(card->fields.end(), physical.fields.begin(), physical.fields.end());
      continue;
    }
    closeCard();
    std::string name = physical.head;
    if (!name.empty() && name.back() == '*') name.pop_back();
    if (!isCardName(name))
      throw Failure(fileName + ":" + std::to_string(lineNumber) + ": '" + std::string(trim(line)) +
                    "' is not a bulk data card");
    card = Card{name, std::move(physical.fields), lineNumber};
  }

  if (section == Section::Executive) throw Failure(fileName + ": no CEND line (is this a Nastran deck?)");
  if (section == Section::CaseControl) throw Failure(fileName + ": no BEGIN BULK line");
  if (section == Section::Bulk) throw Failure(fileName + ": no ENDDATA line (the deck may be truncated)");
  return deck;
}

Deck readDeckFile(const std::filesystem::path& path, const std::string& fileName) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw Failure(fileName + ": is a folder, not a deck");
  std::ifstream stream(path, std::ios::binary);
  if (!stream) throw Failure(fileName + ": cannot open the deck (does the file exist and is it readable?)");
  std::ostringstream content;
  content << stream.rdbuf();
  if (stream.bad()) throw Failure(fileName + ": cannot read the deck");
  return readDeckText(content.str(), fileName);
}

}  // namespace nastranccx
