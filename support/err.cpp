#include "support/err.h"

namespace support {

namespace {
// Stands in for a failure that carries no text, so that it still becomes pending.
constexpr const char* kUnknownError = "Unknown error";
}  // namespace

void Err::raise(std::string description) {
  description_ = description.empty() ? std::string(kUnknownError) : std::move(description);
}

void Err::raiseCurrent() { raise(currentExceptionDescription()); }

void StopAtFirstFailure::recordCurrent() {
  failed_ = true;
  failure_ = currentExceptionDescription();
  if (failure_.empty()) failure_ = kUnknownError;
}

std::string currentExceptionDescription() {
  if (!std::current_exception()) return kUnknownError;  // called outside a catch block
  try {
    throw;
  } catch (const std::exception& e) {
    const char* what = e.what();
    return what ? what : kUnknownError;
  } catch (...) {
    return kUnknownError;
  }
}

}  // namespace support
