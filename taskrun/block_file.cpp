#include "taskrun/block_file.h"

#include <algorithm>
#include <array>

#include "support/text_file.h"

namespace taskrun {
namespace {

// Blocks closed by "End Name Id"; "Script" is closed by "End Script" and holds raw lines.
constexpr std::array<std::string_view, 13> kBlocks = {
    "Task",         "TaskHeader",  "Inputs",       "Outputs",  "SimCode",  "InputFiles",  "OutputFiles",
    "FileDescription", "SimCodeProcess", "TaskProcess", "Optimization", "TaskPlan", "DataStorage"};
// Sections end where the indentation returns to their head's.
constexpr std::array<std::string_view, 8> kSections = {
    "OptimizePlan", "OptimizeStep", "Prologue", "Epilogue", "Options", "VariableScaling", "InputConstraints",
    "OutputConstraints"};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

template <std::size_t N>
bool oneOf(const std::array<std::string_view, N>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

struct Line {
  std::size_t number = 0;
  std::size_t indent = 0;
  std::string_view text;  // without indentation and trailing blanks
};

std::vector<Line> splitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0, number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++number;
    std::size_t indent = 0;
    while (indent < line.size() && isBlank(line[indent])) ++indent;
    line.remove_prefix(indent);
    while (!line.empty() && (isBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
    lines.push_back({number, indent, line});
    start = end + 1;
  }
  return lines;
}

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> result;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i])) ++i;
    std::size_t start = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    if (i > start) result.push_back(text.substr(start, i - start));
  }
  return result;
}

struct Token {
  std::string text;
  bool quoted = false;
  bool isKey() const { return !quoted && text.size() > 1 && text.back() == ':'; }
};

std::string quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

class Parser {
 public:
  Parser(std::string_view text, std::string fileName) : fileName_(std::move(fileName)), lines_(splitLines(text)) {}

  BlockFile parse() {
    BlockFile file;
    file.fileName = fileName_;
    file.entries = entries(Context{});
    return file;
  }

 private:
  struct Context {
    const Entry* block = nullptr;         // the block whose "End" closes this level
    std::optional<std::size_t> section;   // indentation of the section head
  };

  static constexpr int kDeepest = 64;  // a task nests six deep; this bounds the recursion

  std::string fileName_;
  std::vector<Line> lines_;
  std::size_t next_ = 0;
  int depth_ = 0;

  [[noreturn]] void fail(std::size_t line, const std::string& message) const {
    throw TaskFileError(fileName_, line, message);
  }

  static bool skipped(const Line& line) { return line.text.empty() || line.text.front() == '#'; }

  // The next line that is neither blank nor a comment, without taking it.
  const Line* peek() {
    while (next_ < lines_.size() && skipped(lines_[next_])) ++next_;
    return next_ < lines_.size() ? &lines_[next_] : nullptr;
  }

  static std::string endOf(const Entry& block) {
    return "End " + block.name + (block.id.empty() ? "" : " " + block.id);
  }

  std::vector<Entry> entries(const Context& context) {
    std::vector<Entry> result;
    while (const Line* line = peek()) {
      if (context.section && line->indent <= *context.section) return result;
      std::vector<std::string_view> lineWords = words(line->text);
      if (lineWords.front() == "End") {
        if (context.section) return result;  // the enclosing block judges it
        if (context.block) {
          std::string expected = endOf(*context.block);
          if (line->text == expected || words(expected) == lineWords) {
            ++next_;
            return result;
          }
          fail(line->number, "expected \"" + expected + "\" closing the block opened at line " +
                                 std::to_string(context.block->line) + ", found " + quote(line->text));
        }
        fail(line->number, quote(line->text) + " closes no open block");
      }
      result.push_back(entry(*line, lineWords));
    }
    if (context.block) {
      fail(lines_.size(), "the file ends before \"" + endOf(*context.block) + "\" closing the block opened at line " +
                                  std::to_string(context.block->line));
    }
    return result;
  }

  Entry entry(const Line& line, const std::vector<std::string_view>& lineWords) {
    if (Token first{std::string(lineWords.front())}; first.isKey()) return keyEntry(line);
    std::string_view head = lineWords.front();
    Entry entry;
    entry.line = line.number;
    entry.name = std::string(head);
    ++next_;
    if (head == "Script" && lineWords.size() == 1) {
      entry.kind = Entry::Kind::script;
      scriptLines(entry);
      return entry;
    }
    bool block = oneOf(kBlocks, head), section = oneOf(kSections, head);
    if ((block && lineWords.size() != 2) || (section && lineWords.size() > 2)) {
      fail(line.number, "expected \"" + std::string(head) + (block ? " NAME" : " [NAME]") + "\", found " + quote(line.text));
    }
    if (!block && !section) {
      fail(line.number, "expected \"Key: value\", \"Parameter: NAME ...\", a block (\"SimCode NAME\" ...), a section "
                        "(\"Options\" ...), an \"End\" line or a comment; found " + quote(line.text));
    }
    if (lineWords.size() == 2) entry.id = std::string(lineWords[1]);
    if (depth_ == kDeepest) fail(line.number, "blocks and sections nested deeper than " + std::to_string(kDeepest) + " levels");
    struct Deeper {
      int& depth;
      explicit Deeper(int& d) : depth(++d) {}
      ~Deeper() { --depth; }
    } deeper(depth_);
    if (block) {
      entry.kind = Entry::Kind::block;
      entry.children = entries(Context{&entry, std::nullopt});
    } else {
      entry.kind = Entry::Kind::section;
      entry.children = entries(Context{nullptr, line.indent});
    }
    return entry;
  }

  // The raw lines of a script up to "End Script"; blank lines are dropped.
  void scriptLines(Entry& script) {
    for (; next_ < lines_.size(); ++next_) {
      const Line& line = lines_[next_];
      if (line.text == "End Script" || words(line.text) == std::vector<std::string_view>{"End", "Script"}) {
        ++next_;
        return;
      }
      if (line.text.empty()) continue;
      script.items.emplace_back(line.text);
      script.itemLines.push_back(line.number);
    }
    fail(lines_.size(), "the file ends before \"End Script\" closing the script opened at line " +
                                std::to_string(script.line));
  }

  std::vector<Token> tokens(const Line& line) {
    std::vector<Token> result;
    std::string_view text = line.text;
    std::size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && isBlank(text[i])) ++i;
      if (i >= text.size()) break;
      Token token;
      if (text[i] == '"') {
        std::size_t opened = i++;
        token.quoted = true;
        bool closed = false;
        while (i < text.size()) {
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              token.text.push_back('"');
              i += 2;
              continue;
            }
            ++i;
            closed = true;
            break;
          }
          token.text.push_back(text[i++]);
        }
        if (!closed) fail(line.number, "the string opened in column " + std::to_string(line.indent + opened + 1) + " is not closed");
        if (i < text.size() && !isBlank(text[i])) {
          fail(line.number, "expected a blank after the string that ends in column " + std::to_string(line.indent + i));
        }
      } else {
        std::size_t start = i;
        while (i < text.size() && !isBlank(text[i])) ++i;
        token.text = std::string(text.substr(start, i - start));
      }
      result.push_back(std::move(token));
    }
    return result;
  }

  static std::vector<KeyValue> pairs(std::vector<Token>::const_iterator from, std::vector<Token>::const_iterator to) {
    std::vector<KeyValue> result;
    for (auto token = from; token != to; ++token) {
      if (token->isKey()) {
        result.push_back({token->text.substr(0, token->text.size() - 1), {}});
      } else {
        std::string& value = result.back().value;
        if (!value.empty()) value.push_back(' ');
        value += token->text;
      }
    }
    return result;
  }

  // The lines after `line` indented deeper than it, as items.
  void deeperLines(const Line& line, Entry& entry, bool stopAtKeys) {
    while (const Line* item = peek()) {
      if (item->indent <= line.indent) return;
      if (stopAtKeys) {
        std::vector<std::string_view> itemWords = words(item->text);
        if (Token{std::string(itemWords.front())}.isKey() || itemWords.front() == "End") return;
      }
      entry.items.emplace_back(item->text);
      entry.itemLines.push_back(item->number);
      ++next_;
    }
  }

  Entry keyEntry(const Line& line) {
    ++next_;
    std::vector<Token> lineTokens = tokens(line);
    Entry entry;
    entry.line = line.number;
    std::string key = lineTokens.front().text.substr(0, lineTokens.front().text.size() - 1);
    if (key == "Parameter") {
      entry.kind = Entry::Kind::parameter;
      auto firstKey = std::find_if(lineTokens.begin() + 1, lineTokens.end(), [](const Token& t) { return t.isKey(); });
      for (auto token = lineTokens.begin() + 1; token != firstKey; ++token) {
        if (!entry.name.empty()) entry.name.push_back(' ');
        entry.name += token->text;
      }
      entry.pairs = pairs(firstKey, lineTokens.end());
      return entry;
    }
    if (lineTokens.size() >= 2 && !lineTokens[1].quoted && lineTokens[1].text.front() == '[') {
      entry.kind = Entry::Kind::list;
      entry.pairs.push_back({key, {}});
      bracketList(line, lineTokens, entry);
      return entry;
    }
    entry.pairs = pairs(lineTokens.begin(), lineTokens.end());
    if (entry.pairs.size() == 1 && entry.pairs.front().value.empty()) {
      entry.kind = Entry::Kind::list;
      deeperLines(line, entry, false);
    } else {
      entry.kind = Entry::Kind::keys;
      deeperLines(line, entry, true);  // continuation lines
    }
    return entry;
  }

  // "Key: [" with one item a line up to "]", or "Key: [ a b ]" on one line.
  void bracketList(const Line& line, const std::vector<Token>& lineTokens, Entry& entry) {
    std::vector<std::string> inline_;
    for (std::size_t i = 1; i < lineTokens.size(); ++i) inline_.push_back(lineTokens[i].text);
    std::string joined;
    for (const std::string& piece : inline_) joined += (joined.empty() ? "" : " ") + piece;
    if (joined == "[") {
      while (const Line* item = peek()) {
        if (item->text == "]") {
          ++next_;
          return;
        }
        if (item->indent <= line.indent) break;  // the list's items stand deeper than its key
        ++next_;
        entry.items.emplace_back(item->text);
        entry.itemLines.push_back(item->number);
      }
      const Line* after = peek();
      fail(after ? after->number : lines_.size(),
           "expected \"]\" closing the list opened at line " + std::to_string(line.number));
    }
    if (joined.size() >= 2 && joined.back() == ']') {
      for (std::string_view item : words(std::string_view(joined).substr(1, joined.size() - 2))) {
        entry.items.emplace_back(item);
        entry.itemLines.push_back(line.number);
      }
      return;
    }
    fail(line.number, "expected \"" + entry.pairs.front().key + ": [\" alone on its line, or a list closed by \"]\"");
  }
};

}  // namespace

TaskFileError::TaskFileError(const std::string& file, std::size_t line, const std::string& message)
    : std::runtime_error(file + ":" + std::to_string(line) + ": " + message), line_(line) {}

std::optional<std::string> Entry::value(std::string_view key) const {
  for (const KeyValue& pair : pairs) {
    if (pair.key == key) return pair.value;
  }
  return std::nullopt;
}

BlockFile parseBlockFile(std::string_view text, const std::string& fileName) {
  return Parser(text, fileName).parse();
}

BlockFile readBlockFile(const std::filesystem::path& path) {
  std::string text;
  try {
    text = support::readWholeFile(path);
  } catch (const std::exception& error) {
    throw TaskFileError(path.string(), 0, std::string("cannot be read: ") + error.what());
  }
  return parseBlockFile(text, path.string());
}

}  // namespace taskrun
