#pragma once
// Whether this test run rewrites the stored expected files from what it gives instead of
// comparing with them: CORVANE_UPDATE_EXPECTED=1 in the environment (scripts/refresh-expected).

#include <cstdlib>
#include <string_view>

namespace testing_support {

inline bool updatingExpected() {
  const char* update = std::getenv("CORVANE_UPDATE_EXPECTED");
  return update && std::string_view(update) == "1";
}

}  // namespace testing_support
