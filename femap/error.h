#pragma once
// The failure of a call into FEMAP's automation interface: an unknown member, a wrong
// argument, a failure reported by FEMAP itself. The description is what the automation
// server reported (FEMAP's own text where it gives one), so it can be shown to the engineer.

#include <stdexcept>
#include <string>

namespace femap {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace femap
