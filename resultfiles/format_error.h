#pragma once
// The error of a results file that cannot be read: it names the file and where the fault is
// (a byte offset in a binary file, a line in a text file) and what is wrong there.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace resultfiles {

class FormatError : public std::runtime_error {
 public:
  enum class Place { Byte, Line, Whole };
  FormatError(const std::string& file, Place place, std::uint64_t where, const std::string& reason);

  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

}  // namespace resultfiles
