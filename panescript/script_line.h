#pragma once
// One line of a pane script split into tokens: blanks separate tokens, "..." quotes a token
// that may hold blanks, with \" and \\ for a quote and a backslash inside it. A line whose
// first non-blank character is "#" is a comment and gives no token.

#include <string>
#include <string_view>
#include <vector>

namespace panescript {

// Throws support::RuntimeError for a quote that is not closed.
std::vector<std::string> tokenize(std::string_view line);

}  // namespace panescript
