#pragma once
// The pending-error object of the resume-after-error policy.
//
// A procedure that must go on after a failing statement runs that statement through
// Err::run: an exception is caught, its description becomes the pending error and the
// next statement runs. Position markers read the pending error, report it and clear it.
// A later success does not clear a pending error; a later failure replaces it, so the last
// error before a marker is the one reported. A failed statement leaves its target untouched
// (run returns no value for it).

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace support {

// An outside failure raised by the system's own code (a bad conversion, a missing field,
// an invalid argument) where the original platform raised a run-time error.
class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(std::string description) : description_(std::move(description)) {}
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

class Err {
 public:
  bool pending() const { return !description_.empty(); }
  const std::string& description() const { return description_; }
  void raise(std::string description);
  void clear() { description_.clear(); }

  // Runs `statement`; returns true (void statements) or the statement's value on success,
  // false or std::nullopt after a failure, whose description is then pending.
  template <class Statement>
  auto run(Statement&& statement) {
    using Result = std::invoke_result_t<Statement&>;
    if constexpr (std::is_void_v<Result>) {
      try {
        statement();
        return true;
      } catch (...) {
        raiseCurrent();
        return false;
      }
    } else {
      try {
        return std::optional<Result>(statement());
      } catch (...) {
        raiseCurrent();
        return std::optional<Result>();
      }
    }
  }

 private:
  void raiseCurrent();  // stores the description of the exception being handled
  std::string description_;
};

// Description of the exception being handled (what() of a std::exception, a fixed text
// for anything else). Call only inside a catch block.
std::string currentExceptionDescription();

}  // namespace support
