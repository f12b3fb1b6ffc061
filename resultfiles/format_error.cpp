#include "resultfiles/format_error.h"

namespace resultfiles {
namespace {

std::string describe(const std::string& file, FormatError::Place place, std::uint64_t where,
                     const std::string& reason) {
  switch (place) {
    case FormatError::Place::Byte: return file + ": at byte " + std::to_string(where) + ": " + reason;
    case FormatError::Place::Line: return file + ":" + std::to_string(where) + ": " + reason;
    case FormatError::Place::Whole: break;
  }
  return file + ": " + reason;
}

}  // namespace

FormatError::FormatError(const std::string& file, Place place, std::uint64_t where, const std::string& reason)
    : std::runtime_error(describe(file, place, where, reason)), reason_(reason) {}

}  // namespace resultfiles
