#include "panescript/script_line.h"

#include "support/err.h"

namespace panescript {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::vector<std::string> tokenize(std::string_view line) {
  std::vector<std::string> tokens;
  std::size_t position = 0;
  while (true) {
    while (position < line.size() && isBlank(line[position])) ++position;
    if (position >= line.size()) break;
    if (tokens.empty() && line[position] == '#') break;  // a comment line
    std::string token;
    if (line[position] == '"') {
      ++position;
      bool closed = false;
      while (position < line.size()) {
        const char c = line[position++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && position < line.size() &&
            (line[position] == '"' || line[position] == '\\')) {
          token += line[position++];
        } else {
          token += c;
        }
      }
      if (!closed) throw support::RuntimeError("a quoted text is not closed");
    } else {
      while (position < line.size() && !isBlank(line[position])) token += line[position++];
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

}  // namespace panescript
