#include "ccx_output.h"

#include <cmath>
#include <sstream>

#include "failure.h"
#include "numbers.h"

namespace nastranccx {
namespace {

std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> result;
  std::istringstream stream{std::string(line)};
  std::string word;
  while (stream >> word) result.push_back(word);
  return result;
}

class DatReader {
 public:
  DatReader(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

  std::vector<CcxDatResults> read() {
    enum class Block { None, Displacements, Forces, Stresses };
    Block block = Block::None;
    std::size_t position = 0;
    while (position < text_.size()) {
      std::size_t end = text_.find('\n', position);
      if (end == std::string_view::npos) end = text_.size();
      std::string_view line = trim(text_.substr(position, end - position));
      position = end + 1;
      ++lineNumber_;
      if (line.empty()) continue;
      if (line.find("*ERROR") != std::string_view::npos) fail("CalculiX reported: " + std::string(line));
      char first = line[0];
      bool isRow = (first >= '0' && first <= '9') || first == '-';
      if (!isRow) {
        block = Block::None;
        if (line.rfind("displacements", 0) == 0) {
          block = Block::Displacements;
          steps_.emplace_back().hasDisplacements = true;
        } else if (line.rfind("forces", 0) == 0) {
          block = Block::Forces;
          current("forces").hasForces = true;
        } else if (line.rfind("stresses", 0) == 0) {
          block = Block::Stresses;
          current("stresses").hasStresses = true;
        }
        continue;
      }
      switch (block) {
        case Block::Displacements:
          readNodeRow(line, steps_.back().displacements, "displacement", &steps_.back().rotations);
          break;
        case Block::Forces: readNodeRow(line, steps_.back().forces, "force"); break;
        case Block::Stresses: readStressRow(line); break;
        case Block::None: break;
      }
    }
    return std::move(steps_);
  }

 private:
  // The step a block belongs to: the one whose displacements came last, which must not have
  // this block already.
  CcxDatResults& current(const char* block) {
    if (steps_.empty()) fail(std::string(block) + " before any displacements");
    CcxDatResults& step = steps_.back();
    if ((block[0] == 'f' && step.hasForces) || (block[0] == 's' && step.hasStresses))
      fail(std::string("a second ") + block + " block in one step");
    return step;
  }

  [[noreturn]] void fail(const std::string& reason) const {
    throw Failure(fileName_ + ":" + std::to_string(lineNumber_) + ": " + reason);
  }

  int number(const std::string& word) const {
    auto value = tryParseInteger(word);
    if (!value) fail("'" + word + "' is not a node or element number");
    return *value;
  }

  double value(const std::string& word, const char* what, int entity) const {
    auto value = tryParseReal(word);
    if (!value) fail("unreadable " + std::string(what) + " value '" + word + "' for " + std::to_string(entity));
    if (!std::isfinite(*value))
      fail("the " + std::string(what) + " of " + std::to_string(entity) + " is " + word +
           ": the model is singular (is it supported against every rigid-body motion?)");
    return *value;
  }

  // Three values a node, or six (translations, then rotations) where `rotations` takes them.
  void readNodeRow(std::string_view line, std::map<int, Vec3>& rows, const char* what,
                   std::map<int, Vec3>* rotations = nullptr) {
    std::vector<std::string> fields = words(line);
    // A node with a transform has its values in the transform's directions, marked "L".
    if (fields.size() == 5 && fields[4] == "L") fields.pop_back();
    bool six = rotations && fields.size() == 7;
    if (fields.size() != 4 && !six)
      fail(std::string(what) + " row with " + std::to_string(fields.size()) + " entries instead of 4");
    int node = number(fields[0]);
    Vec3 row{};
    for (int axis = 0; axis < 3; ++axis) row[axis] = value(fields[axis + 1], what, node);
    if (!rows.emplace(node, row).second) fail("node " + std::to_string(node) + " has two " + what + " rows");
    if (!six) return;
    Vec3 turn{};
    for (int axis = 0; axis < 3; ++axis) turn[axis] = value(fields[axis + 4], what, node);
    (*rotations)[node] = turn;
  }

  void readStressRow(std::string_view line) {
    std::vector<std::string> fields = words(line);
    // A shell's row ends with the name of its expanded element set.
    if (fields.size() < 8 || fields.size() > 9)
      fail("stress row with " + std::to_string(fields.size()) + " entries instead of 8");
    int element = number(fields[0]);
    int point = number(fields[1]);
    std::vector<StressTensor>& points = steps_.back().stresses[element];
    if (point != static_cast<int>(points.size()) + 1)
      fail("element " + std::to_string(element) + ": integration point " + fields[1] + " out of order");
    StressTensor stress{};
    for (int component = 0; component < 6; ++component) stress[component] = value(fields[component + 2], "stress", element);
    points.push_back(stress);
  }

  std::string_view text_;
  const std::string& fileName_;
  int lineNumber_ = 0;
  std::vector<CcxDatResults> steps_;
};

}  // namespace

std::vector<CcxDatResults> readCcxDat(std::string_view text, const std::string& fileName) {
  return DatReader(text, fileName).read();
}

void checkCcxLog(std::string_view text, const std::string& what) {
  std::size_t error = text.find("*ERROR");
  if (error != std::string_view::npos) {
    // CalculiX spreads one message over a few indented lines: join them.
    std::size_t end = text.find("\n\n", error);
    std::string message;
    for (char c : text.substr(error, end == std::string_view::npos ? std::string_view::npos : end - error)) {
      bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
      if (blank && (message.empty() || message.back() == ' ')) continue;
      message += blank ? ' ' : c;
    }
    if (message.size() > 300) message = message.substr(0, 300) + "...";
    throw Failure(what + ": CalculiX reported: " + std::string(trim(message)));
  }
  if (text.find("Job finished") == std::string_view::npos)
    throw Failure(what + ": CalculiX stopped without \"Job finished\"" +
                  (text.empty() ? std::string(" and without any output") : std::string()));
}

}  // namespace nastranccx
