#pragma once
// The two error policies of the system's procedures, both explicit objects.
//
// Resume after error (Err): a procedure that must go on after a failing statement runs that
// statement through Err::run: an exception is caught, its description becomes the pending
// error and the next statement runs. Position markers read the pending error, report it and
// clear it. A later success does not clear a pending error; a later failure replaces it, so
// the last error before a marker is the one reported. A failed statement leaves its target
// untouched (run returns no value for it).
//
// Stop at the first failure (StopAtFirstFailure): a stretch of statements runs until one
// fails, and the rest of the stretch is skipped. The failure's description is kept for the
// caller, who reports it where the stretch ends (a handler's boundary, the row that cannot be
// refreshed, the load definition that cannot be updated). Nothing stays pending.

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace support {

// An outside failure raised by the system's own code (a bad conversion, a missing field,
// an invalid argument): a failing statement like a failing FEMAP call.
class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(std::string description) : description_(std::move(description)) {}
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

// Description of the exception being handled (what() of a std::exception, a fixed text
// for anything else). Call only inside a catch block.
std::string currentExceptionDescription();

namespace detail {

// Runs `statements`; answers true (void statements) or their value on success, false or
// std::nullopt after a failure, whose description goes to `failed`.
template <class Statements, class Failed>
auto runCatching(Statements&& statements, Failed&& failed) {
  using Result = std::invoke_result_t<Statements&>;
  if constexpr (std::is_void_v<Result>) {
    try {
      statements();
      return true;
    } catch (...) {
      failed();
      return false;
    }
  } else {
    try {
      return std::optional<Result>(statements());
    } catch (...) {
      failed();
      return std::optional<Result>();
    }
  }
}

}  // namespace detail

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
    return detail::runCatching(statement, [this] { raiseCurrent(); });
  }

 private:
  void raiseCurrent();  // stores the description of the exception being handled
  std::string description_;
};

class StopAtFirstFailure {
 public:
  // Runs the stretch; answers true (void stretches) or its value when it ran to its end, false
  // or std::nullopt when a statement failed, whose description failure() then gives.
  template <class Stretch>
  auto run(Stretch&& stretch) {
    failed_ = false;
    failure_.clear();
    return detail::runCatching(stretch, [this] { recordCurrent(); });
  }

  bool failed() const { return failed_; }
  // The description of the failure that ended the last stretch; empty when it ran through.
  const std::string& failure() const { return failure_; }

 private:
  void recordCurrent();  // keeps the description of the exception being handled
  bool failed_ = false;
  std::string failure_;
};


}  // namespace support
