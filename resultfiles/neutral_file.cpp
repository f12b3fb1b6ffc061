#include "resultfiles/neutral_file.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>

#include "resultfiles/format_error.h"
#include "resultfiles/op2_file.h"

namespace resultfiles {
namespace {

constexpr const char* kNull = "<NULL>";
constexpr int kHeaderBlock = 100;
constexpr int kOutputSetBlock = 450;
constexpr int kOldVectorBlock = 451;
constexpr int kVectorBlock = 1051;
constexpr int kStaticAnalysis = 1;

std::string real(double value) {
  if (value == 0) return "0.";
  char text[40];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string textLine(const std::string& text) { return text.empty() ? kNull : text; }

void writeVector(std::string& out, int setId, const OutputVector& vector) {
  std::vector<double> values = vector.values.all();
  double min = 0, max = 0, absMax = 0;
  int minId = 0, maxId = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    double value = values[i];
    if (i == 0 || value < min) min = value, minId = vector.entities[i];
    if (i == 0 || value > max) max = value, maxId = vector.entities[i];
    absMax = std::max(absMax, std::abs(value));
  }
  out += std::to_string(setId) + "," + std::to_string(vector.id) + ",1,\r\n";
  out += textLine(vector.title) + "\r\n";
  out += real(min) + "," + real(max) + "," + real(absMax) + ",\r\n";
  for (int line = 0; line < 2; ++line) {
    for (int i = 0; i < 10; ++i) out += std::to_string(vector.components[line * 10 + i]) + ",";
    out += "\r\n";
  }
  out += "0,\r\n";  // no double-sided contour vector
  out += std::to_string(minId) + "," + std::to_string(maxId) + "," + std::to_string(vector.outputType) + "," +
         std::to_string(vector.entityType) + ",0,\r\n";
  out += std::string(vector.combinable ? "0" : "1") + "," + std::to_string(vector.componentDirection) + "," +
         (vector.centroidTotal ? "1" : "0") + ",0,\r\n";
  for (std::size_t i = 0; i < values.size(); ++i)
    out += std::to_string(vector.entities[i]) + "," + real(values[i]) + ",\r\n";
  out += "-1,0.\r\n";
}

struct Line {
  std::string_view text;
  std::size_t number = 0;
};

// A whole field as an integer or as a finite number in C's form; false for anything else.
bool parsedInteger(std::string_view field, int& value) {
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return error == std::errc() && end == field.data() + field.size();
}
bool parsedNumber(std::string_view field, double& value) {
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return error == std::errc() && end == field.data() + field.size() && std::isfinite(value);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An integer of at most 9 digits from `first` on, as from_chars reads it: where it ends, or
// nullptr for any other form (the caller then takes from_chars).
const char* shortInteger(const char* first, const char* last, int& value) {
  const char* p = first;
  bool negative = p != last && *p == '-';
  if (negative) ++p;
  const char* digitsStart = p;
  int magnitude = 0;
  for (; p != last && isDigit(*p) && p - digitsStart < 9; ++p) magnitude = magnitude * 10 + (*p - '0');
  if (p == digitsStart || (p != last && isDigit(*p))) return nullptr;
  value = negative ? -magnitude : magnitude;
  return p;
}

// A number of at most 19 digits that make an integer up to 2^53, with a power of ten within
// 1e22 either way, as FEMAP's values are, from `first` on: where it ends, or nullptr for any
// other form (the caller then takes from_chars). The digits and the power of ten are both
// exact doubles, so the one multiplication or division rounds correctly: it gives what
// from_chars gives.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
const char* shortDecimal(const char* first, const char* last, double& value) {
  if (FLT_EVAL_METHOD != 0) return nullptr;  // arithmetic in wider registers would round twice
  const char* p = first;
  bool negative = p != last && *p == '-';
  if (negative) ++p;
  std::uint64_t digits = 0;  // wraps only past 19 digits, which are refused
  const char* integerStart = p;
  for (; p != last && isDigit(*p); ++p) digits = digits * 10 + static_cast<unsigned>(*p - '0');
  std::ptrdiff_t count = p - integerStart, fractionDigits = 0;
  if (p != last && *p == '.') {
    const char* fractionStart = ++p;
    for (; p != last && isDigit(*p); ++p) digits = digits * 10 + static_cast<unsigned>(*p - '0');
    fractionDigits = p - fractionStart;
    count += fractionDigits;
  }
  if (count == 0 || count > 19 || digits > std::uint64_t{1} << 53) return nullptr;
  int exponent = -static_cast<int>(fractionDigits);
  if (p != last && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = p != last && *p == '-';
    if (p != last && (*p == '-' || *p == '+')) ++p;
    if (p == last || !isDigit(*p)) return nullptr;
    int power = 0;
    for (; p != last && isDigit(*p); ++p)
      if (power < 1000) power = power * 10 + (*p - '0');
    exponent += negativeExponent ? -power : power;
  }
  if (exponent < -22 || exponent > 22) return nullptr;
  double magnitude = static_cast<double>(digits);
  magnitude = exponent < 0 ? magnitude / kPowersOfTen[-exponent] : magnitude * kPowersOfTen[exponent];
  value = negative ? -magnitude : magnitude;
  return p;
}

class NeutralReader {
 public:
  NeutralReader(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

  NeutralFile read() {
    if (looksLikeOutput2(text_))
      fail(0,
           "not a FEMAP neutral file: an OUTPUT2 file (Nastran's binary results), which the Nastran results reader "
           "reads");
    NeutralFile file;
    file.version.clear();
    bool anyBlock = false;
    while (true) {
      Line line;
      if (!nextNonBlank(line)) break;
      if (trimmed(line.text) != "-1")
        fail(line.number, anyBlock ? "a block start (\"   -1\") was expected between blocks"
                                   : "not a FEMAP neutral file: it does not begin with a block start (\"   -1\")");
      anyBlock = true;
      Line idLine = next("the block ID");
      int blockId = integer(fields(idLine).at(0), idLine, "block ID");
      switch (blockId) {
        case kHeaderBlock: readHeader(file); break;
        case kOutputSetBlock: readSets(file); break;
        case kOldVectorBlock:
        case kVectorBlock: readVectors(file, blockId == kVectorBlock); break;
        default: skipBlock(blockId); break;
      }
    }
    if (!anyBlock) fail(0, "not a FEMAP neutral file: it holds no block");
    std::map<int, std::size_t> setIndex;
    for (std::size_t i = 0; i < file.sets.size(); ++i) setIndex[file.sets[i].id] = i;
    for (auto& [setId, vectors] : vectors_) {
      auto set = setIndex.find(setId);
      if (set == setIndex.end())
        fail(vectorLines_[setId],
             "output vectors of output set " + std::to_string(setId) + ", which the file does not define (block 450)");
      file.sets[set->second].vectors = std::move(vectors);
    }
    return file;
  }

 private:
  [[noreturn]] void fail(std::size_t line, const std::string& reason) const {
    if (line == 0) throw FormatError(fileName_, FormatError::Place::Whole, 0, reason);
    throw FormatError(fileName_, FormatError::Place::Line, line, reason);
  }

  static std::string_view trimmed(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
  }

  bool nextLine(Line& line) {
    if (position_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view text = text_.substr(position_, end - position_);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    position_ = end + 1;
    line = {text, ++lineNumber_};
    return true;
  }
  bool nextNonBlank(Line& line) {
    while (nextLine(line))
      if (!trimmed(line.text).empty()) return true;
    return false;
  }
  Line next(std::string_view what) {
    Line line;
    if (!nextLine(line)) fail(lineNumber_, "the file ends where " + std::string(what) + " should be (truncated?)");
    return line;
  }
  bool isBlockEnd(const Line& line) const { return trimmed(line.text) == "-1"; }

  static std::vector<std::string_view> fields(const Line& line) {
    std::vector<std::string_view> result;
    splitFields(line, result);
    return result;
  }
  // Fields separated by a comma, blanks, or both; an empty line gives one empty field.
  static void splitFields(const Line& line, std::vector<std::string_view>& result) {
    result.clear();
    std::string_view text = line.text;
    std::size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      if (i >= text.size()) break;
      std::size_t start = i;
      while (i < text.size() && text[i] != ',' && text[i] != ' ' && text[i] != '\t') ++i;
      result.push_back(text.substr(start, i - start));
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      if (i < text.size() && text[i] == ',') ++i;
    }
    if (result.empty()) result.push_back({});
  }

  int integer(std::string_view field, const Line& line, const char* what) const {
    int value = 0;
    if (!parsedInteger(field, value))
      fail(line.number, std::string(what) + ": '" + std::string(field) + "' is no integer");
    return value;
  }
  double number(std::string_view field, const Line& line, const char* what) const {
    double value = 0;
    if (parsedNumber(field, value)) return value;
    // Fortran's forms: a leading '+', a 'D' exponent.
    std::string normal(field);
    if (!normal.empty() && normal[0] == '+') normal.erase(0, 1);
    for (char& c : normal)
      if (c == 'd' || c == 'D') c = 'e';
    auto [normalEnd, normalError] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (normalError != std::errc() || normalEnd != normal.data() + normal.size() || !std::isfinite(value))
      fail(line.number, std::string(what) + ": '" + std::string(field) + "' is no number");
    return value;
  }
  std::vector<int> integers(const Line& line, std::size_t count, const std::string& what) const {
    std::vector<std::string_view> parts = fields(line);
    if (parts.size() < count)
      fail(line.number,
           what + ": " + std::to_string(count) + " fields were expected, not " + std::to_string(parts.size()));
    std::vector<int> values;
    for (std::size_t i = 0; i < count; ++i) values.push_back(integer(parts[i], line, what.c_str()));
    return values;
  }
  static std::string text(const Line& line) {
    std::string value(line.text);
    std::size_t end = value.find_last_not_of(" \t");
    value.erase(end == std::string::npos ? 0 : end + 1);
    return value == kNull ? std::string() : value;
  }
  static bool allIntegers(const std::vector<std::string_view>& parts) {
    int value = 0;
    for (std::string_view part : parts)
      if (!parsedInteger(part, value)) return false;
    return true;
  }

  void skipBlock(int blockId) {
    Line line;
    while (nextLine(line))
      if (isBlockEnd(line)) return;
    fail(lineNumber_, "the file ends inside block " + std::to_string(blockId) + " (truncated?)");
  }

  void readHeader(NeutralFile& file) {
    file.title = text(next("the database title"));
    Line version = next("the version");
    std::string_view field = fields(version).at(0);
    number(field, version, "version");
    file.version = std::string(field);
    if (!isBlockEnd(next("the end of block 100"))) fail(lineNumber_, "block 100 has more than its two lines");
  }

  void readSets(NeutralFile& file) {
    Line line = next("an output set or the end of block 450");
    while (!isBlockEnd(line)) {
      OutputSet set;
      set.id = integers(line, 1, "output set ID")[0];
      if (set.id <= 0) fail(line.number, "output set ID " + std::to_string(set.id) + " is not positive");
      if (!setIds_.insert(set.id).second)
        fail(line.number, "output set " + std::to_string(set.id) + " is defined twice");
      set.title = text(next("the output set's title"));
      Line kinds = next("the output set's program and analysis type");
      integers(kinds, 2, "program and analysis type");
      Line value = next("the output set's value");
      number(fields(value).at(0), value, "time or frequency value");
      Line notes = next("the output set's count of note lines");
      int noteLines = integers(notes, 1, "count of note lines")[0];
      if (noteLines < 0) fail(notes.number, "a negative count of note lines");
      for (int i = 0; i < noteLines; ++i) next("a note line");
      // Later versions add lines of integers (study, Nastran subcase); a line with one
      // integer starts the next set.
      line = next("an output set or the end of block 450");
      while (!isBlockEnd(line)) {
        std::vector<std::string_view> parts = fields(line);
        if (parts.size() < 2 || !allIntegers(parts)) break;
        if (parts.size() == 2) set.subcase = integer(parts[0], line, "Nastran subcase");
        line = next("an output set or the end of block 450");
      }
      file.sets.push_back(std::move(set));
    }
  }

  void readVectors(NeutralFile& file, bool current) {
    (void)file;
    Line line = next("an output vector or the end of the block");
    while (!isBlockEnd(line)) {
      std::vector<int> head = integers(line, 2, "output set and vector ID");
      int setId = head[0];
      OutputVector vector;
      vector.id = head[1];
      if (vector.id <= 0) fail(line.number, "output vector ID " + std::to_string(vector.id) + " is not positive");
      std::vector<OutputVector>& vectors = vectors_[setId];
      vectorLines_.emplace(setId, line.number);
      if (!vectorIds_.emplace(setId, vector.id).second)
        fail(line.number,
             "output vector " + std::to_string(vector.id) + " of set " + std::to_string(setId) + " is defined twice");
      vector.title = text(next("the vector's title"));
      Line extremes = next("the vector's extremes");
      std::vector<std::string_view> extremeFields = fields(extremes);
      if (extremeFields.size() < 3)
        fail(extremes.number, "the vector's minimum, maximum and largest magnitude were expected");
      for (int i = 0; i < 3; ++i) number(extremeFields[i], extremes, "extreme value");
      for (int line = 0; line < 2; ++line) {
        std::vector<int> components = integers(next("the vector's components"), 10, "components");
        std::copy(components.begin(), components.end(), vector.components.begin() + 10 * line);
      }
      if (current) integers(next("the double-sided contour vector"), 1, "double-sided contour vector");
      std::vector<int> types = integers(next("the vector's output and entity type"), 4, "output and entity type");
      vector.outputType = types[2];
      vector.entityType = types[3];
      if (vector.entityType != kNodalOutput && vector.entityType != kElementalOutput)
        fail(lineNumber_,
             "entity type " + std::to_string(vector.entityType) + " is neither nodes (7) nor elements (8)");
      std::vector<int> flags = integers(next("the vector's flags"), 3, "flags");
      vector.combinable = flags[0] == 0;
      vector.componentDirection = flags[1];
      vector.centroidTotal = flags[2] != 0;
      readValues(vector);
      vectors.push_back(std::move(vector));
      line = next("an output vector or the end of the block");
    }
  }

  // A value record of one entity as FEMAP writes it ("12,3.5,"), taken straight from the
  // text at the cursor in one pass when its line is exactly two fields (as splitFields finds
  // them), an integer and a finite number in C's form. False for anything else, the cursor
  // left where it was for the general reading.
  bool takeSingleValueRecord(int& entity, double& value) {
    if (position_ >= text_.size()) return false;
    const char* p = text_.data() + position_;
    const char* end = text_.data() + text_.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    auto isLineEnd = [&](const char* at) {
      return at == end || *at == '\n' || (*at == '\r' && (at + 1 == end || at[1] == '\n'));
    };
    auto skipSeparator = [&] {
      while (p != end && isBlank(*p)) ++p;
      if (p != end && *p == ',') ++p;
      while (p != end && isBlank(*p)) ++p;
    };
    // A field read whole: a separator or the line's end follows it.
    auto fieldEnds = [&](const char* after) {
      return after != p && (isLineEnd(after) || *after == ',' || isBlank(*after));
    };
    while (p != end && isBlank(*p)) ++p;
    const char* idEnd = shortInteger(p, end, entity);
    if (!idEnd) {
      auto [integerEnd, error] = std::from_chars(p, end, entity);
      if (error != std::errc()) return false;
      idEnd = integerEnd;
    }
    if (!fieldEnds(idEnd)) return false;
    p = idEnd;
    skipSeparator();
    if (isLineEnd(p) || *p == ',') return false;  // one field, or an empty second field
    const char* valueEnd = shortDecimal(p, end, value);
    if (!valueEnd) {
      auto [numberEnd, error] = std::from_chars(p, end, value);
      if (error != std::errc() || !std::isfinite(value)) return false;
      valueEnd = numberEnd;
    }
    if (!fieldEnds(valueEnd)) return false;
    p = valueEnd;
    skipSeparator();
    if (!isLineEnd(p)) return false;
    if (p != end && *p == '\r') ++p;
    position_ = static_cast<std::size_t>(p - text_.data()) + 1;  // past the line feed, as nextLine
    ++lineNumber_;
    return true;
  }

  void readValues(OutputVector& vector) {
    // The vectors of a file mostly have as many values as the one before.
    std::vector<int> entities;
    std::vector<double> values;
    entities.reserve(previousValues_);
    values.reserve(previousValues_);
    bool ascending = true;
    std::vector<std::string_view> parts;
    auto add = [&](int entity, double value, std::size_t lineNumber) {
      if (entity <= 0) fail(lineNumber, "entity ID " + std::to_string(entity) + " is not positive");
      if (!entities.empty() && entity < entities.back()) ascending = false;
      entities.push_back(entity);
      values.push_back(value);
    };
    while (true) {
      int first = 0;
      double value = 0;
      if (takeSingleValueRecord(first, value)) {
        if (first == -1) break;
        add(first, value, lineNumber_);
        continue;
      }
      Line line = next("a value record or the end of the vector (-1,0.)");
      splitFields(line, parts);
      first = integer(parts[0], line, "entity ID");
      if (first == -1) break;
      if (parts.size() < 2) fail(line.number, "a value record needs an entity ID and a value");
      if (parts.size() == 2) {
        add(first, number(parts[1], line, "value"), line.number);
        continue;
      }
      // A range of entities with every value, 8 on this line and 10 on each further one.
      int last = integer(parts[1], line, "last entity ID of a range");
      if (last < first)
        fail(line.number, "the range " + std::to_string(first) + " to " + std::to_string(last) + " is empty");
      long long entity = first;
      std::size_t field = 2;
      Line current = line;
      while (entity <= last) {
        if (field >= parts.size()) {
          current = next("the rest of a range of values");
          splitFields(current, parts);
          field = 0;
        }
        add(static_cast<int>(entity++), number(parts[field++], current, "value"), current.number);
      }
    }
    previousValues_ = values.size();
    // Entities come in ascending order as FEMAP writes them; others are sorted.
    if (!ascending) sortByEntity(entities, values);
    for (std::size_t i = 1; i < entities.size(); ++i)
      if (entities[i] == entities[i - 1])
        fail(lineNumber_,
             "vector " + std::to_string(vector.id) + " has two values for entity " + std::to_string(entities[i]));
    vector.entities = VectorIds(std::move(entities));
    vector.values = VectorValues(std::move(values));
  }

  static void sortByEntity(std::vector<int>& entities, std::vector<double>& values) {
    std::vector<std::pair<int, double>> pairs;
    pairs.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) pairs.emplace_back(entities[i], values[i]);
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      entities[i] = pairs[i].first;
      values[i] = pairs[i].second;
    }
  }

  std::string_view text_;
  const std::string& fileName_;
  std::size_t position_ = 0;
  std::size_t lineNumber_ = 0;
  std::map<int, std::vector<OutputVector>> vectors_;
  std::map<int, std::size_t> vectorLines_;
  std::set<int> setIds_;
  std::set<std::pair<int, int>> vectorIds_;
  std::size_t previousValues_ = 0;
};

}  // namespace

std::string writeNeutral(const NeutralFile& file) {
  std::string out;
  // A file read without a header block has no version; the header then gives the current one.
  const std::string& version = file.version.empty() ? NeutralFile{}.version : file.version;
  out += "   -1\r\n   100\r\n" + textLine(file.title) + "\r\n" + version + ",\r\n   -1\r\n";
  out += "   -1\r\n   450\r\n";
  for (const OutputSet& set : file.sets) {
    out += std::to_string(set.id) + ",\r\n" + textLine(set.title) + "\r\n";
    out += "0," + std::to_string(kStaticAnalysis) + ",0,0,\r\n0.,\r\n1,\r\n<NULL>\r\n0,0,0,\r\n-1,-1,0,\r\n";
    out += std::to_string(set.subcase) + ",0,\r\n";
  }
  out += "   -1\r\n   -1\r\n   1051\r\n";
  for (const OutputSet& set : file.sets)
    for (const OutputVector& vector : set.vectors) writeVector(out, set.id, vector);
  out += "   -1\r\n";
  return out;
}

NeutralFile readNeutral(std::string_view text, const std::string& fileName) {
  return NeutralReader(text, fileName).read();
}

}  // namespace resultfiles
