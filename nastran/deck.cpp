#include "nastran/deck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <unordered_map>

#include "nastran/bulk_reader.h"
#include "nastran/card_assembler.h"
#include "nastran/numbers.h"
#include "nastran/text.h"

namespace nastran {

std::uint32_t Bulk::fieldLine(const Origin& origin, std::size_t field) const {
  std::uint32_t line = origin.at.line;
  if (origin.continuation == 0 || origin.continuation > continuationLines.size()) return line;
  std::size_t at = origin.continuation - 1;
  std::uint32_t count = continuationLines[at];
  for (std::uint32_t i = 0; i < count && at + 2 + 2 * i < continuationLines.size(); ++i) {
    if (field < continuationLines[at + 1 + 2 * i]) break;
    line = continuationLines[at + 2 + 2 * i];
  }
  return line;
}

bool operator==(const Bulk& a, const Bulk& b) {
  return a.grids == b.grids && a.spoints == b.spoints && a.cord1s == b.cord1s && a.cord2s == b.cord2s &&
         a.crods == b.crods && a.conrods == b.conrods && a.cbars == b.cbars && a.cbeams == b.cbeams &&
         a.cbushes == b.cbushes && a.celas1s == b.celas1s && a.celas2s == b.celas2s && a.plates == b.plates &&
         a.cshears == b.cshears && a.solids == b.solids && a.conm2s == b.conm2s && a.rbe2s == b.rbe2s &&
         a.rbe3s == b.rbe3s && a.rbars == b.rbars && a.prods == b.prods && a.pbars == b.pbars &&
         a.pbarls == b.pbarls && a.pbeams == b.pbeams && a.pbeamls == b.pbeamls && a.pbushes == b.pbushes &&
         a.pelas == b.pelas && a.pshells == b.pshells && a.pcomps == b.pcomps && a.pshears == b.pshears &&
         a.psolids == b.psolids && a.mat1s == b.mat1s && a.mat2s == b.mat2s && a.mat8s == b.mat8s &&
         a.mat9s == b.mat9s && a.nodalLoads == b.nodalLoads && a.nodalLoad1s == b.nodalLoad1s &&
         a.ploads == b.ploads && a.pload1s == b.pload1s && a.pload2s == b.pload2s && a.pload4s == b.pload4s &&
         a.gravs == b.gravs && a.loads == b.loads && a.temps == b.temps && a.tempds == b.tempds &&
         a.spcs == b.spcs && a.spc1s == b.spc1s && a.spcadds == b.spcadds && a.spcds == b.spcds &&
         a.mpcs == b.mpcs && a.mpcadds == b.mpcadds && a.params == b.params && a.passed == b.passed;
}

std::vector<UnreadCards> Deck::unreadCards() const {
  std::map<std::string, UnreadCards> byName;
  for (const PassedCard& card : bulk.passed) {
    auto [entry, added] = byName.try_emplace(card.name, UnreadCards{card.name, 0, card.origin.at});
    ++entry->second.count;
  }
  std::vector<UnreadCards> result;
  for (auto& [name, entry] : byName) result.push_back(entry);
  return result;
}

std::string Deck::unreadSummary() const {
  std::vector<UnreadCards> unread = unreadCards();
  if (unread.empty()) return {};
  std::string list;
  for (const UnreadCards& entry : unread) {
    if (!list.empty()) list += ", ";
    list += entry.name + " (" + std::to_string(entry.count) + ")";
  }
  std::size_t count = bulk.passed.size();
  return std::to_string(count) + (count == 1 ? " card" : " cards") + " passed through unread: " + list;
}

DeckError Deck::errorAt(const Origin& origin, std::size_t field, std::string subject, std::string reason) const {
  return DeckError(files, Location{origin.at.file, bulk.fieldLine(origin, field)}, std::move(subject),
                   std::move(reason));
}

DeckError Deck::errorAt(Location at, std::string subject, std::string reason) const {
  return DeckError(files, at, std::move(subject), std::move(reason));
}

namespace {

// Upper case, runs of blanks made one blank.
std::string normalBlanks(std::string_view text) {
  std::string normal;
  bool blank = false;
  for (char c : text) {
    bool isBlank = c == ' ' || c == '\t';
    if (isBlank && blank) continue;
    normal += isBlank ? ' ' : (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    blank = isBlank;
  }
  return normal;
}

using text::trimBlanks;

std::string_view withoutComment(std::string_view line) { return trimBlanks(line.substr(0, line.find('$'))); }

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// How many lines start with each card name, and how many may be continuations: a quick look over
// a large deck, so that the typed cards' storage is made once instead of grown (and copied) step
// by step.
CardCounts countCardNames(std::string_view text) {
  CardCounts counts;
  std::uint64_t name = 0;  // the name's (at most eight) letters, one byte each
  std::size_t* count = nullptr;
  for (std::size_t position = 0; position < text.size();) {
    const char* end = static_cast<const char*>(std::memchr(text.data() + position, '\n', text.size() - position));
    std::size_t next = end ? static_cast<std::size_t>(end - text.data()) + 1 : text.size();
    char first = text[position];
    if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) {
      std::size_t length = 0;
      char letters[8];
      std::uint64_t found = 0;
      while (length < 8 && position + length < next) {
        char c = text[position + length];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) break;
        letters[length++] = c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
        found = found << 8 | static_cast<unsigned char>(letters[length - 1]);
      }
      if (!count || found != name) {
        name = found;
        count = &counts.byName[std::string(letters, length)];
      }
      ++*count;
    } else if (first != '$') {
      ++counts.continuationLines;
    }
    position = next;
  }
  return counts;
}

constexpr std::size_t kLargeDeck = 1 << 20;  // bytes from which counting the cards first pays

// ENDDATA in columns 1-7 (or after blanks), in either case.
bool isEndData(std::string_view line) {
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos || (line[first] | 0x20) != 'e') return false;
  std::string_view word = line.substr(first, 7);
  if (normalBlanks(word) != "ENDDATA") return false;
  std::size_t after = first + 7;
  return after >= line.size() || line[after] == ' ' || line[after] == '\t' || line[after] == ',' || line[after] == '$';
}

// The sections one after the other: executive control up to CEND, case control up to BEGIN
// BULK, bulk data up to ENDDATA.
class DeckReader {
 public:
  DeckReader(Deck& deck, DeckFiles& files, const ReadOptions& options)
      : deck_(deck), options_(options), source_(files, deck.files) {}

  void read(FileText text, std::string name, const std::filesystem::path& path) {
    CardCounts cardCounts;
    if (text.view().size() >= kLargeDeck) cardCounts = countCardNames(text.view());
    source_.start(std::move(text), std::move(name), path);
    enum class Section { Executive, CaseControl, Bulk, Done } section = Section::Executive;
    CaseControlReader caseControl(deck_.files);
    BulkReader bulk(deck_.bulk, deck_.files);
    bulk.reserve(cardCounts);
    CardAssembler cards(bulk, deck_.files);
    while (section != Section::Done) {
      std::optional<PhysicalLine> line = source_.next();
      if (!line) break;
      if (section == Section::Bulk) {
        if (isEndData(line->text)) {
          cards.finish();
          deck_.endData = line->at;
          section = Section::Done;
        } else {
          cards.add(line->text, line->at);
        }
        continue;
      }
      std::string_view text = withoutComment(line->text);
      if (text.empty()) continue;
      std::string statement = normalBlanks(text);
      if (startsWith(statement, "BEGIN BULK")) {
        if (section == Section::Executive) fail(line->at, "", "BEGIN BULK before CEND");
        section = Section::Bulk;
      } else if (section == Section::Executive) {
        executive(text, statement, line->at);
        if (statement == "CEND") section = Section::CaseControl;
      } else {
        caseControl.add(line->text, line->at);
      }
    }
    const std::string& deckName = deck_.files.front();
    if (section == Section::Executive) throw DeckError(deckName, 0, "", "no CEND line (is this a Nastran deck?)");
    if (section == Section::CaseControl) throw DeckError(deckName, 0, "", "no BEGIN BULK line");
    if (section == Section::Bulk) {
      if (options_.requireEndData) throw DeckError(deckName, 0, "", "no ENDDATA line (the deck may be truncated)");
      cards.finish();
    }
    bulk.finish();
    deck_.caseControl = caseControl.finish();
  }

 private:
  [[noreturn]] void fail(Location at, const std::string& subject, const std::string& reason) const {
    throw DeckError(deck_.files, at, subject, reason);
  }

  void executive(std::string_view text, const std::string& statement, Location at) {
    if (statement == "CEND") return;
    ExecutiveControl& control = deck_.executive;
    if (statement == "SOL" || startsWith(statement, "SOL ") || startsWith(statement, "SOL,")) {
      if (control.solution) fail(at, statement, "a second SOL statement (the first is at line " +
                                                   std::to_string(control.solution->at.line) + ")");
      std::string_view rest = trimBlanks(std::string_view(statement).substr(3));
      if (!rest.empty() && rest[0] == ',') rest = trimBlanks(rest.substr(1));
      std::string_view word = rest.substr(0, rest.find_first_of(" ,"));
      if (word.empty()) fail(at, "SOL", "no solution sequence named");
      Solution solution;
      solution.at = at;
      if (auto number = parseInteger(word)) {
        solution.number = *number;
        solution.name = solutionName(*number);
      } else {
        solution.name = word;
        solution.number = solutionNumber(word);
      }
      control.solution = solution;
      control.solutionPosition = control.statements.size();
      return;
    }
    control.statements.push_back({std::string(text), at});
  }

  Deck& deck_;
  const ReadOptions& options_;
  LineSource source_;
};

}  // namespace

namespace {

Deck readDeck(FileText text, std::string name, DeckFiles& files, const std::filesystem::path& path,
              const ReadOptions& options) {
  Deck deck;
  DeckReader reader(deck, files, options);
  std::filesystem::path filePath = path.empty() ? std::filesystem::path(name) : path;
  reader.read(std::move(text), std::move(name), filePath);
  return deck;
}

}  // namespace

Deck readDeckText(std::string text, std::string name, DeckFiles& files, const std::filesystem::path& path,
                  const ReadOptions& options) {
  return readDeck(FileText(std::move(text)), std::move(name), files, path, options);
}

Deck readDeckFile(const std::filesystem::path& path, std::string name, const ReadOptions& options) {
  if (name.empty()) name = path.string();
  DiskFiles files;
  FileText text;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw DeckError(name, 0, "", "is a folder, not a deck");
  try {
    text = files.read(path);
  } catch (const std::exception&) {
    throw DeckError(name, 0, "", "cannot open the deck (does the file exist and is it readable?)");
  }
  return readDeck(std::move(text), std::move(name), files, path, options);
}

}  // namespace nastran
