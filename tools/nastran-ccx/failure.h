#pragma once

#include <stdexcept>
#include <string>

namespace nastranccx {

// A failure caused by the outside world: the deck, the solver, the file system.
// Its text is one line that a user can act on; it names the file, line and card
// where there is one. Bugs are asserts, never a Failure.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace nastranccx
